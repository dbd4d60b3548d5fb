// The Drive Setup dialog: construction, the guideline texts, the parameter
// bindings and the message map.

#include "dialogs/drive_setup_dlg.h"

#include <memory>
#include <string>
#include <vector>

#include "dialogs/drive_setup_controls.h"
#include "dialogs/parameter_bindings.h"
#include "engine/config_words_control.h"
#include "engine/plain_units.h"
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

bool HasVoltageControl(CVX_Setup& setup) { return kernel::HasParameter(setup, "SOL_controller_mode"); }
bool HasAccelerationLimit(CVX_Setup& setup) { return kernel::HasParameter(setup, "Limit_Acceleration"); }
bool HasPositionCorrection(CVX_Setup& setup) { return kernel::HasParameter(setup, "SOLmodeEncOnLoad"); }
bool HasAutoActivation(CVX_Setup& setup) { return kernel::HasParameter(setup, "isAutoActivatedAfterPowerOn"); }
bool ShowsEnablePolarity(CVX_Setup& setup) { return setup.GetIntOption("hideEnablePolarity") != 1; }
bool HasInputsPolarityType(CVX_Setup& setup) { return kernel::HasParameter(setup, "InputsPolarityType"); }
bool HasPositionRange(CVX_Setup& setup) { return kernel::HasParameter(setup, "POSRANGEDEF"); }
bool HasStartMode(CVX_Setup& setup) { return kernel::HasParameter(setup, "StartMode"); }
bool HasMotionComplete(CVX_Setup& setup) { return kernel::HasParameter(setup, "MotionCompleteDefaultSettings"); }

using dialogs::BindAs;

// The parameters the dialog shows, group by group.
constexpr dialogs::ParameterBinding kBindings[] = {
    // drive operation parameters
    {"Vdc", BindAs::kEdit, kVdcEdit, kVdcUnit},
    {"IlimPS", BindAs::kEdit, kCurrentLimitEdit, kCurrentLimitUnit},
    {"RunCurrent", BindAs::kEdit, kRunCurrentEdit, kRunCurrentUnit},
    {"StandByCurrent", BindAs::kEdit, kStandByCurrentEdit, kStandByCurrentUnit},
    {"StandByCurrentTime", BindAs::kEdit, kStandByTimeEdit, kStandByTimeUnit},
    {"Limit_Speed", BindAs::kEdit, kLoadSpeedLimitEdit, kLoadSpeedLimitUnit},
    // current controller, and the voltage-control values in its place
    {"Kp_C_scl", BindAs::kEdit, kKpCurrentEdit},
    {"Ki_C_scl", BindAs::kEdit, kKiCurrentEdit},
    {"UOFFSET", BindAs::kEdit, kU0Edit, 0, &HasVoltageControl},
    {"KOMEGA", BindAs::kEdit, kKvEdit, 0, &HasVoltageControl},
    {"Kphase", BindAs::kEdit, kVoltageBoostEdit, 0, &HasVoltageControl},
    // speed controller
    {"Kp_S_scl", BindAs::kEdit, kKpSpeedEdit},
    {"Ki_S_scl", BindAs::kEdit, kKiSpeedEdit},
    {"IPSatS", BindAs::kEdit, kSpeedIntegralLimitEdit, kSpeedIntegralLimitUnit},
    {"KFFA_scl", BindAs::kEdit, kSpeedAccelerationFeedForwardEdit},
    {"KFFS_scl", BindAs::kEdit, kSpeedSpeedFeedForwardEdit, 0, &engine::HasSpeedFeedForward},
    // position controller
    {"Kp_P_scl", BindAs::kEdit, kKpPositionEdit},
    {"Ki_P_scl", BindAs::kEdit, kKiPositionEdit},
    {"Kd_P_scl", BindAs::kEdit, kKdPositionEdit},
    {"filter_D", BindAs::kEdit, kKdFilterEdit},
    {"IPSatP", BindAs::kEdit, kPositionIntegralLimitEdit, kPositionIntegralLimitUnit},
    {"KFFS_scl", BindAs::kEdit, kPositionSpeedFeedForwardEdit, 0, &engine::HasSpeedFeedForward},
    {"KFFA_scl", BindAs::kEdit, kPositionAccelerationFeedForwardEdit},
    {"Limit_Acceleration", BindAs::kEdit, kLimitAccelerationEdit, kLimitAccelerationUnit, &HasAccelerationLimit},
    {"isLimitAcceleration", BindAs::kCheck, kLimitAccelerationCheck, 0, &HasAccelerationLimit},
    // position error detection and correction
    {"ErrMaxUser", BindAs::kEdit, kCorrectionWindowEdit, kCorrectionWindowUnit, &HasPositionCorrection},
    {"TonPosOkUser", BindAs::kEdit, kCorrectionDelayEdit, kCorrectionDelayUnit, &HasPositionCorrection},
    // control mode and external reference
    {"ControlMode", BindAs::kSwitch, kPositionModeRadio, kTorqueModeRadio},
    {"ExternalReference", BindAs::kSwitch, kNoExternalReferenceRadio, kExternalReferenceRadio},
    {"isAutoActivatedAfterPowerOn", BindAs::kCheck, kAutoActivatedCheck, 0, &HasAutoActivation},
    {"isAnalogueReference", BindAs::kSwitch, kDigitalReferenceRadio, kAnalogueReferenceRadio},
    // microstepping
    {"NoMicroStepsPerStep", BindAs::kEdit, kMicrostepsEdit},
    // protections
    {"isOverCurrent", BindAs::kCheck, kOverCurrentCheck},
    {"Imax_Prot", BindAs::kEdit, kOverCurrentEdit, kOverCurrentUnit},
    {"time_Imax_Prot", BindAs::kEdit, kOverCurrentTimeEdit, kOverCurrentTimeUnit},
    {"isPositionControlError", BindAs::kCheck, kPositionErrorCheck},
    {"ERR_position", BindAs::kEdit, kPositionErrorEdit, kPositionErrorUnit},
    {"time_ERR_pos", BindAs::kEdit, kPositionErrorTimeEdit, kPositionErrorTimeUnit},
    {"isSpeedControlError", BindAs::kCheck, kSpeedErrorCheck},
    {"ERR_speed", BindAs::kEdit, kSpeedErrorEdit, kSpeedErrorUnit},
    {"time_ERR_spd", BindAs::kEdit, kSpeedErrorTimeEdit, kSpeedErrorTimeUnit},
    {"isMotorOverTemp", BindAs::kCheck, kMotorOverTemperatureCheck},
    {"isMotori2t", BindAs::kCheck, kI2tCheck},
    {"I_I2t_M", BindAs::kEdit, kI2tCurrentEdit, kI2tCurrentUnit},
    {"t_I2t_M", BindAs::kEdit, kI2tTimeEdit, kI2tTimeUnit},
    // inputs polarity
    {"EnablePolarity", BindAs::kSwitch, kEnableFirstRadio, kEnableSecondRadio, &ShowsEnablePolarity},
    {"LSPPolarity", BindAs::kSwitch, kLimitSwitchPlusFirstRadio, kLimitSwitchPlusSecondRadio},
    {"LSNPolarity", BindAs::kSwitch, kLimitSwitchMinusFirstRadio, kLimitSwitchMinusSecondRadio},
    {"InputsPolarityType", BindAs::kSwitch, kSourceNpnRadio, kSinkPnpRadio, &HasInputsPolarityType},
    // software limits and position range
    {"isSWLS", BindAs::kCheck, kSoftwareLimitsCheck, 0, &engine::HasSoftwareLimitSwitches},
    {"Negative_SWLS", BindAs::kEdit, kNegativeLimitEdit, kNegativeLimitUnit, &engine::HasSoftwareLimitSwitches},
    {"Positive_SWLS", BindAs::kEdit, kPositiveLimitEdit, kPositiveLimitUnit, &engine::HasSoftwareLimitSwitches},
    {"isPosRange", BindAs::kCheck, kPositionRangeCheck, 0, &HasPositionRange},
    {"PosRange_Minimum", BindAs::kEdit, kRangeMinimumEdit, kRangeMinimumUnit, &HasPositionRange},
    {"PosRange_Maximum", BindAs::kEdit, kRangeMaximumEdit, kRangeMaximumUnit, &HasPositionRange},
    // start mode
    {"StartMode", BindAs::kSwitch, kAlignedStartRadio, kAbsoluteStartRadio, &HasStartMode},
    // CANbus and axis identifier
    {"save_CAN_baudrate", BindAs::kCheck, kSaveBaudRateCheck, 0, &engine::HasCanIdentification},
    {"save_axis_id", BindAs::kCheck, kSaveAxisIdCheck, 0, &engine::HasCanIdentification},
    // motion complete
    {"MotionCompleteSettleBand", BindAs::kEdit, kSettleBandEdit, kSettleBandUnit, &HasMotionComplete},
    {"MotionCompleteStabilizeTime", BindAs::kEdit, kStabilizeTimeEdit, kStabilizeTimeUnit, &HasMotionComplete},
};

}  // namespace

CDriveSetupDlg::CDriveSetupDlg(CVX_Setup* setup, CWnd* pParent)
    : CMySetupDlg(setup, kTemplateId, GuidelineSteps(), pParent) {
  if (!setup) return;
  m_openedAs.emplace(*setup);
  // The dialog opens on the values the drive really uses.
  engine::RecoverUserParameters(*setup);
  engine::UpdateParameterLimits(*setup);
  // A file of the drive keeps the supply and the current loop's bandwidth
  // without a unit; their boxes show one.
  engine::UpdatePlainUnits(*setup);
  if (kernel::HasParameter(*setup, "SpeedForward")) engine::ApplySpeedForwardRule(*setup);
  dialogs::AddBindings(*this, *setup, kBindings);
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
