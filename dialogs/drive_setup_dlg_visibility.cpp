// The Drive Setup dialog: which groups are shown and which can be edited,
// re-evaluated by every data exchange towards the controls. Later rules
// override earlier ones for the controls they share.

#include <cmath>
#include <vector>

#include "dialogs/drive_setup_controls.h"
#include "dialogs/drive_setup_dlg.h"
#include "dialogs/drive_setup_values.h"
#include "engine/scales.h"
#include "engine/sequences.h"
#include "kernel/errors.h"

using namespace drivesetup;

namespace {

using Ids = std::vector<int>;

// Rows and groups that are shown or enabled together.
const Ids kEnablePolarityRow{3248, kEnableFirstRadio, kEnableSecondRadio};
const Ids kSoftwareLimitsGroup{3276, kSoftwareLimitsCheck};
const Ids kSoftwareLimitRows{3273, kNegativeLimitEdit, 3275, 3270, kPositiveLimitEdit, 3272};
const Ids kPositionRangeGroup{3278, kPositionRangeCheck};
const Ids kPositionRangeRows{3280, kRangeMinimumEdit, 3282, 3279, kRangeMaximumEdit, 3284};
const Ids kCurrentLimitRow{3168, kCurrentLimitEdit, 3170};
const Ids kOpenLoopCurrentRows{3415, kRunCurrentEdit, 3417, 3210, kStandByCurrentEdit, 3212, 3242, 3243, 3244};
const Ids kLoadSpeedLimitRow{1101, kLoadSpeedLimitEdit, 1044};
const Ids kMicrosteppingRow{3256, 3349, kMicrostepsEdit};
const Ids kCurrentControllerGroup{kCurrentGroup, 3174, 3175, kKpCurrentEdit, kKiCurrentEdit, kCurrentTestButton};
const Ids kCurrentGains{3174, kKpCurrentEdit, 3175, kKiCurrentEdit};
const Ids kVoltageControlRows{3246, kU0Edit, 3258, kKvEdit, 3267, kVoltageBoostEdit};
const Ids kVoltageControlValues{kU0Edit, kKvEdit, kVoltageBoostEdit};
const Ids kSpeedControllerEditable{kSpeedGroup, 3184, 3185, 3186, 3187, kKpSpeedEdit, 3180, 3181,
                                   kSpeedAccelerationFeedForwardEdit, 3182, 3188, kSpeedTuneButton};
const Ids kSpeedSpeedFeedForward{kSpeedSpeedFeedForwardEdit, 3400};
const Ids kSpeedControllerShown{kSpeedGroup, 3184, 3185, 3186, kKpSpeedEdit, 3180, 3181, 3182, kSpeedTuneButton};
const Ids kPositionControllerGroup{kPositionGroup, 3199, 3200, 3201, 3202, 3203, kKpPositionEdit,
                                   3191, 3192, 3193, 3194, 3195, kPositionTuneButton};
const Ids kPositionFeedForwardRows{3204, 3205, 3206, kPositionSpeedFeedForwardEdit,
                                   kPositionAccelerationFeedForwardEdit};
const Ids kLimitAccelerationRow{kLimitAccelerationCheck, kLimitAccelerationEdit, 1048};
const Ids kPositionControllerEditable{kPositionGroup, 3199, 3200, 3201, 3202, 3203, 3204, 3205, 3206,
                                      kKpPositionEdit, 3191, 3192, 3193, 3194, 3195, kPositionTuneButton,
                                      kPositionAccelerationFeedForwardEdit};
const Ids kLimitAccelerationValue{kLimitAccelerationEdit, 1048};
const Ids kCorrectionGroupIds{kCorrectionGroup, 3631, kCorrectionWindowEdit, 3646, 3635, 3636, 3647, 3643,
                              kCorrectionAdvancedButton};
const Ids kSpeedAccelerationFeedForward{3187, kSpeedAccelerationFeedForwardEdit, 3188};
const Ids kOverCurrentRows{3234, 3235, 3214, 3216, 3215, 3217};
const Ids kI2tRows{3240, 3241, 3226, 3228, 3227, 3229};
const Ids kPositionErrorRows{3236, kPositionErrorEdit, 3219, 3237, 3220, 3221};
const Ids kSpeedErrorRows{3238, kSpeedErrorEdit, 3223, 3239, 3224, 3225};
const Ids kReferenceSetup{kReferenceSetupButton, kAutoActivatedCheck};
const Ids kBaudRateRow{10023, kBaudRateCombo};
const Ids kAxisIdRow{3277, kAxisIdCombo};
const Ids kMotionCompleteGroupIds{kMotionCompleteGroup, 3563, 3564, 3565, 3566, 3559, kSettleBandEdit, 3555,
                                  3560, kStabilizeTimeEdit, 3557};
// The feed-forward rows as the controllers lay them out.
const Ids kSpeedFeedForwardRow{3187, kSpeedAccelerationFeedForwardEdit, kSpeedSpeedFeedForwardEdit, 3188, 3400};
const Ids kPositionFeedForwardRow{3204, kPositionAccelerationFeedForwardEdit, kPositionSpeedFeedForwardEdit, 3206,
                                  3205};

// What the configuration is, as the rules ask it.
struct Configuration {
  explicit Configuration(CVX_Setup& setup)
      : controlType(IntValue(setup, "StepperControlType", -1)),
        controlMode(IntValue(setup, "ControlMode", -1)),
        positionControlType(IntValue(setup, "PositionControlType", -1)),
        motorSensor(IntValue(setup, "MotorSensorType")),
        loadSensor(IntValue(setup, "LoadSensorType")) {}

  bool Closed() const { return controlType == 1; }
  bool Open() const { return controlType == 0; }
  bool OpenLoadSensor() const { return Open() && loadSensor != 0; }
  bool OpenNoSensor() const { return Open() && motorSensor == 0 && loadSensor == 0; }
  bool Pos() const { return controlMode == 0; }
  bool Spd() const { return controlMode == 1; }
  bool SpeedLoop() const { return Spd() || (Pos() && positionControlType == 1); }
  bool ShowSpeedLimit() const {
    return (Closed() && (Pos() ? positionControlType == 1 : Spd())) || (OpenLoadSensor() && (Pos() || Spd()));
  }
  bool NoPosCtl() const { return !Pos() && !(OpenLoadSensor() && SpeedLoop()); }
  bool PosCtlOn() const { return !NoPosCtl() && (Closed() || OpenLoadSensor()); }
  // The sensor that gives the position at power-on: the motor's, else the load's.
  int StartSensor() const { return motorSensor != 0 ? motorSensor : loadSensor; }

  int controlType;
  int controlMode;
  int positionControlType;
  int motorSensor;
  int loadSensor;
};

}  // namespace

void CDriveSetupDlg::DoDataExchange(CDataExchange* pDX) {
  CMySetupDlg::DoDataExchange(pDX);
  DDX_Control(pDX, kAxisIdCombo, m_axisIdCombo);
  if (pDX->m_bSaveAndValidate) return;
  ApplyVisibilityRules();
  RefreshAllParameters();
}

bool CDriveSetupDlg::UpdateVoltageWarning() {
  CVX_Setup& setup = *GetSetup();
  if (!Has(setup, "SOL_controller_mode")) return false;
  if (IntValue(setup, "SOL_controller_mode") != 1) {
    ShowChild(kVoltageWarning, false);
    return false;
  }
  // The detected gains hold for the run current and supply they were
  // measured at; a volt of supply drift is within their tolerance.
  const bool warn = BaseValue(setup, "RunCurrent") != m_runCurrentAtDetection ||
                    std::fabs(BaseValue(setup, "Vdc") - m_vdcAtDetection) >= 1.0;
  ShowChild(kVoltageWarning, warn);
  return warn;
}

void CDriveSetupDlg::ApplyVisibilityRules() {
  CVX_Setup& setup = *GetSetup();
  const Configuration c(setup);
  const bool closed = c.Closed();
  const bool open = c.Open();
  const bool pos = c.Pos();
  const bool spd = c.Spd();
  const bool openLoadSensor = c.OpenLoadSensor();
  const bool speedLimitShown = c.ShowSpeedLimit();
  const bool accelAvail = Has(setup, "Limit_Acceleration") && ((open && pos) || openLoadSensor);
  const bool tempAllowed =
      setup.GetIntOption("DisableMotorTemperature") == 0 && IntValue(setup, "isMotorTemperatureSensor") == 1;
  const auto accelFlag = engine::Internal(setup, "isLimitAcceleration");
  const bool accelOn = !accelFlag || *accelFlag == 1.0;
  const bool currentCtl = !UsesVoltageControl(setup);
  const bool warn = UpdateVoltageWarning();
  const bool posGroup =
      !(Has(setup, "SOLmodeEncOnLoad") && openLoadSensor && IntValue(setup, "SOLmodeEncOnLoad") == 1);
  const bool posCtlOn = c.PosCtlOn();
  const int startSensor = c.StartSensor();
  const bool absStart = setup.GetIntOption("isIntelligentMotor") == 1 ||
                        (closed && (startSensor == engine::kSensorSsi || startSensor == engine::kSensorBiss));
  const int startMode = Has(setup, "StartMode") ? IntValue(setup, "StartMode") : 0;
  const bool hasSoftwareLimits = Has(setup, "isSWLS");
  const bool hasPositionRange = Has(setup, "POSRANGEDEF");
  const bool hasMotionComplete = Has(setup, "MotionCompleteDefaultSettings");
  const bool hasAngleController = Has(setup, "KPTHT");

  EnableChild(kTorqueModeRadio, closed);
  ShowChildren(kEnablePolarityRow, setup.GetIntOption("hideEnablePolarity") != 1);
  EnableChildren(kSoftwareLimitsGroup, hasSoftwareLimits);
  EnableChildren(kSoftwareLimitRows, hasSoftwareLimits && IntValue(setup, "isSWLS") == 1);
  EnableChildren(kPositionRangeGroup, closed && hasPositionRange);
  EnableChildren(kPositionRangeRows, closed && hasPositionRange && IntValue(setup, "isPosRange") == 1);
  ShowChildren(kCurrentLimitRow, c.controlType != 0);
  ShowChildren(kOpenLoopCurrentRows, open);
  EnableChildren(kLoadSpeedLimitRow, (pos || c.SpeedLoop()) && (closed || openLoadSensor));
  ShowChildren(kLoadSpeedLimitRow, speedLimitShown);
  ShowChildren(kMicrosteppingRow, open);

  EnableChildren(kCurrentControllerGroup, true);
  SetChildText(kCurrentGroup, currentCtl ? "Current controller" : "Voltage control parameters");
  SetChildText(kCurrentTestButton, currentCtl ? "Tune && Test" : "Detect parameters");
  ShowChildren(kCurrentGains, currentCtl);
  ShowChildren(kVoltageControlRows, !currentCtl && !warn);
  // Detected, not entered: the values are shown only.
  EnableChildren(kVoltageControlValues, false);

  EnableChildren(kSpeedControllerEditable, c.SpeedLoop() && closed);
  EnableChildren(kSpeedSpeedFeedForward, closed);
  ShowChildren(kSpeedControllerShown, closed);

  ShowChildren(kPositionControllerGroup, posGroup);
  ShowChildren(kPositionFeedForwardRows, posGroup && pos);
  ShowChildren(kLimitAccelerationRow, posGroup && accelAvail);
  EnableChildren(kPositionControllerEditable, posCtlOn);
  EnableChild(kPositionSpeedFeedForwardEdit, posCtlOn && speedLimitShown);
  EnableChild(kLimitAccelerationCheck, posCtlOn && c.loadSensor == engine::kSensorIncremental);
  EnableChildren(kLimitAccelerationValue, !c.NoPosCtl() && c.loadSensor == engine::kSensorIncremental && accelOn &&
                                              (closed || openLoadSensor));

  ShowChildren(kCorrectionGroupIds, !posGroup);
  const bool motionAuto = hasMotionComplete && IntValue(setup, "MotionCompleteType") == 0;
  EnableChild(kCorrectionWindowEdit, openLoadSensor && !motionAuto);
  // With the default motion complete the correction window is its band.
  if (motionAuto && Has(setup, "SOLmodeEncOnLoad"))
    if (const auto band = engine::Base(setup, "MotionCompleteSettleBand"))
      engine::WriteBase(setup, "ErrMaxUser", *band);

  ShowChildren(kSpeedAccelerationFeedForward, closed && spd);
  EnableChild(kMotorOverTemperatureCheck, tempAllowed);
  EnableChildren(kOverCurrentRows, IntValue(setup, "isOverCurrent") == 1);
  EnableChildren(kI2tRows, IntValue(setup, "isMotori2t") != 0);
  EnableChild(kPositionErrorCheck, pos && !c.OpenNoSensor());
  EnableChildren(kPositionErrorRows, pos && IntValue(setup, "isPositionControlError") != 0 && !c.OpenNoSensor());
  EnableChild(kSpeedErrorCheck, spd && closed);
  EnableChildren(kSpeedErrorRows, spd && IntValue(setup, "isSpeedControlError") != 0 && closed);
  ShowChildren(kPositionErrorRows, posGroup);
  EnableChildren(kReferenceSetup, IntValue(setup, "ExternalReference") == 1);

  ShowChild(kStartSettingsButton, startMode == 0);
  EnableChild(kMotionlessStartRadio, hasAngleController && closed);
  ShowChild(kMotionlessStartRadio, !absStart);
  ShowChild(kAngleTuneButton, startMode == 1 && hasAngleController && closed && !absStart);
  ShowChild(kAbsoluteStartRadio, absStart);

  ApplyFeedForwardRows(posGroup);

  if (engine::HasCanIdentification(setup)) {
    EnableChildren(kBaudRateRow, IntValue(setup, "save_CAN_baudrate") == 1);
    EnableChildren(kAxisIdRow, IntValue(setup, "save_axis_id") == 1);
  } else {
    ShowChild(kSaveBaudRateCheck, false);
    ShowChild(kSaveAxisIdCheck, false);
  }
  SetChildText(kDigitalReferenceLabel, DigitalReferenceCaption(setup));
  ShowChildren(kMotionCompleteGroupIds, hasMotionComplete && (openLoadSensor || closed) &&
                                            IntValue(setup, "MotionCompleteType") == 0 && pos);
}

void CDriveSetupDlg::ApplyFeedForwardRows(bool posGroup) {
  CVX_Setup& setup = *GetSetup();
  if (!Has(setup, "SpeedForward")) {
    ShowChildren(kSpeedSpeedFeedForward, false);
    return;
  }
  const Configuration c(setup);
  // With the position and speed loops in the fast loop the drive has no
  // feed-forward.
  bool fast = false;
  {
    kernel::QuietErrors quiet;
    fast = IntValue(setup, "PosSpd_in_FastLoop") != 0;
  }
  const bool positionRowEnabled = c.Closed() || c.OpenLoadSensor();
  const auto hideBoth = [this] {
    ShowChildren(kSpeedFeedForwardRow, false);
    ShowChildren(kPositionFeedForwardRow, false);
  };
  const auto speedRowOnly = [this](bool shown, bool enabled) {
    ShowChildren(kSpeedFeedForwardRow, shown);
    EnableChildren(kSpeedFeedForwardRow, enabled);
    ShowChildren(kPositionFeedForwardRow, false);
  };
  const auto positionRowOnly = [this](bool shown, bool enabled) {
    ShowChildren(kSpeedFeedForwardRow, false);
    ShowChildren(kPositionFeedForwardRow, shown);
    EnableChildren(kPositionFeedForwardRow, enabled);
  };
  if (c.OpenLoadSensor() && !fast) {
    positionRowOnly(posGroup, true);
  } else if (c.Open() && c.Spd() && !fast) {
    speedRowOnly(false, c.Closed());
  } else if (c.controlMode == 2 && !fast) {
    hideBoth();
  } else if (c.Spd() && !fast) {
    speedRowOnly(true, c.Closed());
  } else if (c.Pos() && c.positionControlType == 0 && !fast) {
    positionRowOnly(true, positionRowEnabled);
  } else if (!(c.Pos() && c.positionControlType == 1) || fast) {
    hideBoth();
  } else {
    positionRowOnly(true, positionRowEnabled);
  }
}
