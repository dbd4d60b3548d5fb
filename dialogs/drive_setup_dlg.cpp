// The Drive Setup dialog: construction, the guideline texts, the parameter
// bindings and the message map.

#include "dialogs/drive_setup_dlg.h"

#include <memory>
#include <string>
#include <vector>

#include "dialogs/drive_setup_controls.h"
#include "engine/config_words_control.h"
#include "engine/sequences.h"
#include "kernel/probe.h"
#include "kernel/setup.h"

using namespace drivesetup;

namespace {

// The steps of the guideline assistant, in order.
std::vector<std::string> GuidelineSteps() {
  return {
      "Step 1.\tIn the <<Control mode>> group box, select what do you want to control: position, speed or torque.",
      "Step 2.\tIn the <<External reference>> group box, select <<Yes>> if your drive gets a position, speed or "
      "torque reference from an external device. Press the <<Setup>> button to select the reference type: analogue "
      "or pulse & direction or incremental encoder and its parameters.",
      "Step 3.\tIn the <<Drive operation parameters>> group box, set the value of the DC voltage power supply. Use "
      "the <<Detect>> button to measure its actual value as applied to the drive. Also set the <<Current limit>> "
      "parameter, i.e. the maximum current value used by the drive to control the motor.",
      "Step 4.\tIn the <<Current controller>> group box, set the current controller parameters Kp (proportional) and "
      "Ki (integral). Use the <<Tune & Test>> button to automatically compute the current controller parameters and "
      "to test the current loop behavior.",
      "Step 5.\tIn the <<Speed Controller>> group box, set the speed controller parameters Kp (proportional), Ki "
      "(integral), Integral limit (saturation limit for the integral term of the controller) and the acceleration "
      "Feedforward. Use the <<Tune & Test>> button to automatically compute the speed controller parameters and to "
      "test the speed loop response. Before tuning the speed controller, make sure to set the right value for the "
      "ratio load inertia /motor inertia or to identify the total inertia. Note that the controller tuning does not "
      "include the acceleration feedforward. Set initially this value to 0, and then establish the other controller "
      "parameters. Finally increase gradually the acceleration feedforward and check the speed loop response.",
      "Step 6.\tIn the <<Position Controller>> group box, set the position controller parameters Kp (proportional), "
      "Ki (integral), Kd (derivative), Kd filter (filtering coefficient for the derivative term), Integral limit "
      "(saturation limit for the integral term of the controller), Speed limit (saturation limit for the position "
      "controller output, seen as a speed reference value), acceleration and speed feedforward. Use the <<Tune & "
      "Test>> button to automatically compute the position controller parameters and to test the position loop "
      "behavior. Before tuning the position controller, make sure to set the right value for the ratio load inertia "
      "/motor inertia or to identify the total inertia. Note that the controller tuning does not include the "
      "acceleration and speed feedforward. Set initially these values to 0, and then establish the other controller "
      "parameters. Finally increase gradually the acceleration and speed feedforward and check the speed loop "
      "behavior.",
      "Step 7.\tIn the <<Axis ID>> group box, choose the desired axis ID of the drive for network communication. "
      "Select \"H/W\" if you want to set the axis ID automatically using the dedicated hardware switches, jumpers or "
      "solder joints.",
      "Step 8. In the <<Protections>> group box, select and parameterize the protections that you want to activate.",
      "Step 9. In the <<Inputs polarity>> check box, select the active levels for the Enable and the two limit "
      "switch inputs.",
      "Step 10. Set the time needed to align the motor first on phase B and than on phase A.",
  };
}

}  // namespace

CDriveSetupDlg::CDriveSetupDlg(CVX_Setup* setup, CWnd* pParent)
    : CMySetupDlg(setup, kTemplateId, GuidelineSteps(), pParent) {
  if (!setup) return;
  m_openedAs.emplace(*setup);
  // The dialog opens on the values the drive really uses.
  engine::RecoverUserParameters(*setup);
  engine::UpdateParameterLimits(*setup);
  if (kernel::HasParameter(*setup, "SpeedForward")) engine::ApplySpeedForwardRule(*setup);

  const auto has = [setup](const char* name) { return kernel::HasParameter(*setup, name); };

  // Drive operation parameters
  AddParameterControls("Vdc", kVdcEdit, 3166);
  AddParameterControls("IlimPS", kCurrentLimitEdit, 3170);
  AddParameterControls("RunCurrent", kRunCurrentEdit, 3417);
  AddParameterControls("StandByCurrent", kStandByCurrentEdit, 3212);
  AddParameterControls("StandByCurrentTime", 3243, 3244);
  AddParameterControls("Limit_Speed", kLoadSpeedLimitEdit, 1044);
  // Current controller, and the voltage-control values in its place
  AddParameterControls("Kp_C_scl", kKpCurrentEdit);
  AddParameterControls("Ki_C_scl", kKiCurrentEdit);
  if (has("SOL_controller_mode")) {
    AddParameterControls("UOFFSET", kU0Edit);
    AddParameterControls("KOMEGA", kKvEdit);
    AddParameterControls("Kphase", kVoltageBoostEdit);
  }
  // Speed controller
  const bool speedFeedForward = engine::HasSpeedFeedForward(*setup);
  AddParameterControls("Kp_S_scl", kKpSpeedEdit);
  AddParameterControls("Ki_S_scl", 3180);
  AddParameterControls("IPSatS", 3181, 3182);
  AddParameterControls("KFFA_scl", kSpeedAccelerationFeedForwardEdit);
  if (speedFeedForward) AddParameterControls("KFFS_scl", kSpeedSpeedFeedForwardEdit);
  // Position controller
  AddParameterControls("Kp_P_scl", kKpPositionEdit);
  AddParameterControls("Ki_P_scl", 3191);
  AddParameterControls("Kd_P_scl", 3192);
  AddParameterControls("filter_D", 3193);
  AddParameterControls("IPSatP", 3194, 3195);
  if (speedFeedForward) AddParameterControls("KFFS_scl", kPositionSpeedFeedForwardEdit);
  AddParameterControls("KFFA_scl", kPositionAccelerationFeedForwardEdit);
  if (has("Limit_Acceleration")) {
    AddParameterControls("Limit_Acceleration", kLimitAccelerationEdit, 1048);
    AddCheckParameterControls("isLimitAcceleration", kLimitAccelerationCheck);
  }
  // Position error detection and correction
  if (has("SOLmodeEncOnLoad")) {
    AddParameterControls("ErrMaxUser", kCorrectionWindowEdit, 3646);
    AddParameterControls("TonPosOkUser", 3636, 3647);
  }
  // Control mode and external reference
  AddSwitchParameterControls("ControlMode", kPositionModeRadio, kTorqueModeRadio);
  AddSwitchParameterControls("ExternalReference", kNoExternalReferenceRadio, kExternalReferenceRadio);
  if (has("isAutoActivatedAfterPowerOn")) AddCheckParameterControls("isAutoActivatedAfterPowerOn", kAutoActivatedCheck);
  AddSwitchParameterControls("isAnalogueReference", kDigitalReferenceRadio, kAnalogueReferenceRadio);
  // Microstepping
  AddParameterControls("NoMicroStepsPerStep", kMicrostepsEdit);
  // Protections
  AddCheckParameterControls("isOverCurrent", kOverCurrentCheck);
  AddParameterControls("Imax_Prot", 3214, 3215);
  AddParameterControls("time_Imax_Prot", 3216, 3217);
  AddCheckParameterControls("isPositionControlError", kPositionErrorCheck);
  AddParameterControls("ERR_position", kPositionErrorEdit, 3219);
  AddParameterControls("time_ERR_pos", 3220, 3221);
  AddCheckParameterControls("isSpeedControlError", kSpeedErrorCheck);
  AddParameterControls("ERR_speed", kSpeedErrorEdit, 3223);
  AddParameterControls("time_ERR_spd", 3224, 3225);
  AddCheckParameterControls("isMotorOverTemp", kMotorOverTemperatureCheck);
  AddCheckParameterControls("isMotori2t", kI2tCheck);
  AddParameterControls("I_I2t_M", 3226, 3227);
  AddParameterControls("t_I2t_M", 3228, 3229);
  // Inputs polarity
  if (setup->GetIntOption("hideEnablePolarity") != 1)
    AddSwitchParameterControls("EnablePolarity", kEnableFirstRadio, kEnableSecondRadio);
  AddSwitchParameterControls("LSPPolarity", kLimitSwitchPlusFirstRadio, kLimitSwitchPlusSecondRadio);
  AddSwitchParameterControls("LSNPolarity", kLimitSwitchMinusFirstRadio, kLimitSwitchMinusSecondRadio);
  if (has("InputsPolarityType")) AddSwitchParameterControls("InputsPolarityType", kSourceNpnRadio, kSinkPnpRadio);
  // Software limits and position range
  if (has("isSWLS")) {
    AddCheckParameterControls("isSWLS", kSoftwareLimitsCheck);
    AddParameterControls("Negative_SWLS", kNegativeLimitEdit, 3275);
    AddParameterControls("Positive_SWLS", kPositiveLimitEdit, 3272);
  }
  if (has("POSRANGEDEF")) {
    AddCheckParameterControls("isPosRange", kPositionRangeCheck);
    AddParameterControls("PosRange_Minimum", kRangeMinimumEdit, 3282);
    AddParameterControls("PosRange_Maximum", kRangeMaximumEdit, 3284);
  }
  // Start mode
  if (has("StartMode")) AddSwitchParameterControls("StartMode", kAlignedStartRadio, kAbsoluteStartRadio);
  // CANbus and axis identifier
  if (engine::HasCanIdentification(*setup)) {
    AddCheckParameterControls("save_CAN_baudrate", kSaveBaudRateCheck);
    AddCheckParameterControls("save_axis_id", kSaveAxisIdCheck);
  }
  // Motion complete
  if (has("MotionCompleteDefaultSettings")) {
    AddParameterControls("MotionCompleteSettleBand", kSettleBandEdit, 3555);
    AddParameterControls("MotionCompleteStabilizeTime", kStabilizeTimeEdit, 3557);
  }
  EnableCANSettings();
}

BEGIN_MESSAGE_MAP(CDriveSetupDlg, CMySetupDlg)
  ON_BN_CLICKED(kDetectVdcButton, &CDriveSetupDlg::OnDetectVdc)
  ON_BN_CLICKED(kCurrentTestButton, &CDriveSetupDlg::OnCurrentTest)
  ON_BN_CLICKED(kSpeedTuneButton, &CDriveSetupDlg::OnSpeedTuning)
  ON_BN_CLICKED(kPositionTuneButton, &CDriveSetupDlg::OnPositionTuning)
  ON_BN_CLICKED(kAngleTuneButton, &CDriveSetupDlg::OnAngleTuning)
  ON_BN_CLICKED(kReferenceSetupButton, &CDriveSetupDlg::OnReferenceSetup)
  ON_BN_CLICKED(kAdvancedButton, &CDriveSetupDlg::OnAdvanced)
  ON_BN_CLICKED(kDriveInfoButton, &CDriveSetupDlg::OnDriveInfo)
  ON_BN_CLICKED(kStartSettingsButton, &CDriveSetupDlg::OnStartSettings)
  ON_BN_CLICKED(kCorrectionAdvancedButton, &CDriveSetupDlg::OnPositionCorrection)
  ON_BN_CLICKED(kMotorSetupButton, &CDriveSetupDlg::OnMotorSetup)
  ON_BN_CLICKED(kHelpButton, &CDriveSetupDlg::OnHelp)
  ON_CBN_SELCHANGE(kAxisIdCombo, &CDriveSetupDlg::OnSelchangeAxisId)
  // The choices and edits on which the visibility rules depend.
  ON_BN_CLICKED(kPositionModeRadio, &CDriveSetupDlg::OnVisibilityInput)
  ON_BN_CLICKED(kSpeedModeRadio, &CDriveSetupDlg::OnVisibilityInput)
  ON_BN_CLICKED(kTorqueModeRadio, &CDriveSetupDlg::OnVisibilityInput)
  ON_BN_CLICKED(kNoExternalReferenceRadio, &CDriveSetupDlg::OnVisibilityInput)
  ON_BN_CLICKED(kExternalReferenceRadio, &CDriveSetupDlg::OnVisibilityInput)
  ON_BN_CLICKED(kAlignedStartRadio, &CDriveSetupDlg::OnVisibilityInput)
  ON_BN_CLICKED(kMotionlessStartRadio, &CDriveSetupDlg::OnVisibilityInput)
  ON_BN_CLICKED(kOverCurrentCheck, &CDriveSetupDlg::OnVisibilityInput)
  ON_BN_CLICKED(kPositionErrorCheck, &CDriveSetupDlg::OnVisibilityInput)
  ON_BN_CLICKED(kSpeedErrorCheck, &CDriveSetupDlg::OnVisibilityInput)
  ON_BN_CLICKED(kI2tCheck, &CDriveSetupDlg::OnVisibilityInput)
  ON_BN_CLICKED(kSoftwareLimitsCheck, &CDriveSetupDlg::OnVisibilityInput)
  ON_BN_CLICKED(kPositionRangeCheck, &CDriveSetupDlg::OnVisibilityInput)
  ON_BN_CLICKED(kSaveBaudRateCheck, &CDriveSetupDlg::OnVisibilityInput)
  ON_BN_CLICKED(kSaveAxisIdCheck, &CDriveSetupDlg::OnVisibilityInput)
  ON_EN_KILLFOCUS(kStandByCurrentEdit, &CDriveSetupDlg::OnVisibilityInput)
  ON_EN_KILLFOCUS(kRunCurrentEdit, &CDriveSetupDlg::OnVisibilityInput)
  ON_WM_SHOWWINDOW()
  ON_WM_TIMER()
  ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

void CDriveSetupDlg::OnVisibilityInput() { UpdateData(FALSE); }

void CDriveSetupDlg::OnCancel() { CMySetupDlg::OnCancel(); }

CDriveSetupDlg::~CDriveSetupDlg() = default;

INT_PTR CDriveSetupDlg::DoModal() {
  if (!GetSetup()) {
    AfxMessageBox("The Drive Setup cannot open: there is no setup to edit.", MB_OK | MB_ICONERROR);
    return -1;
  }
  const INT_PTR result = CMySetupDlg::DoModal();
  // Opening recomputes values and the sub-dialogs write into the setup; a
  // dialog left any way but OK leaves the setup as it found it.
  if (result != IDOK && m_openedAs) {
    m_openedAs->RestoreInto(*GetSetup());
  }
  return result;
}
