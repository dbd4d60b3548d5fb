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

Ids Joined(Ids ids, const Ids& more) {
  ids.insert(ids.end(), more.begin(), more.end());
  return ids;
}

// Rows and groups that are shown or enabled together.
const Ids kEnablePolarityRow{kEnableLabel, kEnableFirstRadio, kEnableSecondRadio};
const Ids kSoftwareLimitsHeader{kSoftwareLimitsGroup, kSoftwareLimitsCheck};
const Ids kSoftwareLimitRows{kNegativeLimitLabel, kNegativeLimitEdit, kNegativeLimitUnit,
                             kPositiveLimitLabel, kPositiveLimitEdit, kPositiveLimitUnit};
const Ids kPositionRangeHeader{kPositionRangeGroup, kPositionRangeCheck};
const Ids kPositionRangeRows{kRangeMinimumLabel, kRangeMinimumEdit, kRangeMinimumUnit,
                             kRangeMaximumLabel, kRangeMaximumEdit, kRangeMaximumUnit};
const Ids kCurrentLimitRow{kCurrentLimitLabel, kCurrentLimitEdit, kCurrentLimitUnit};
const Ids kOpenLoopCurrentRows{kRunCurrentLabel,     kRunCurrentEdit,     kRunCurrentUnit,
                               kStandByCurrentLabel, kStandByCurrentEdit, kStandByCurrentUnit,
                               kStandByTimeLabel,    kStandByTimeEdit,    kStandByTimeUnit};
const Ids kLoadSpeedLimitRow{kLoadSpeedLimitLabel, kLoadSpeedLimitEdit, kLoadSpeedLimitUnit};
const Ids kMicrosteppingRow{kMicrosteppingGroup, kMicrostepsLabel, kMicrostepsEdit};
const Ids kCurrentControllerGroup{kCurrentGroup,  kKpCurrentLabel, kKiCurrentLabel,
                                  kKpCurrentEdit, kKiCurrentEdit,  kCurrentTestButton};
const Ids kCurrentGains{kKpCurrentLabel, kKpCurrentEdit, kKiCurrentLabel, kKiCurrentEdit};
const Ids kVoltageControlRows{kU0Label, kU0Edit, kKvLabel, kKvEdit, kVoltageBoostLabel, kVoltageBoostEdit};
const Ids kVoltageControlValues{kU0Edit, kKvEdit, kVoltageBoostEdit};
const Ids kSpeedControllerEditable{kSpeedGroup,
                                   kKpSpeedLabel,
                                   kKiSpeedLabel,
                                   kSpeedIntegralLimitLabel,
                                   kSpeedFeedForwardLabel,
                                   kKpSpeedEdit,
                                   kKiSpeedEdit,
                                   kSpeedIntegralLimitEdit,
                                   kSpeedAccelerationFeedForwardEdit,
                                   kSpeedIntegralLimitUnit,
                                   kSpeedAccelerationFeedForwardLabel,
                                   kSpeedTuneButton};
const Ids kSpeedSpeedFeedForward{kSpeedSpeedFeedForwardEdit, kSpeedSpeedFeedForwardLabel};
const Ids kSpeedControllerShown{kSpeedGroup,     kKpSpeedLabel, kKiSpeedLabel,           kSpeedIntegralLimitLabel,
                                kKpSpeedEdit,    kKiSpeedEdit,  kSpeedIntegralLimitEdit, kSpeedIntegralLimitUnit,
                                kSpeedTuneButton};
const Ids kPositionControllerGroup{kPositionGroup,
                                   kKpPositionLabel,
                                   kKiPositionLabel,
                                   kKdPositionLabel,
                                   kKdFilterLabel,
                                   kPositionIntegralLimitLabel,
                                   kKpPositionEdit,
                                   kKiPositionEdit,
                                   kKdPositionEdit,
                                   kKdFilterEdit,
                                   kPositionIntegralLimitEdit,
                                   kPositionIntegralLimitUnit,
                                   kPositionTuneButton};
const Ids kPositionFeedForwardRows{kPositionFeedForwardLabel, kPositionSpeedFeedForwardLabel,
                                   kPositionAccelerationFeedForwardLabel, kPositionSpeedFeedForwardEdit,
                                   kPositionAccelerationFeedForwardEdit};
const Ids kLimitAccelerationRow{kLimitAccelerationCheck, kLimitAccelerationEdit, kLimitAccelerationUnit};
// The feed-forward labels follow the controller; the speed feed-forward
// edit has a rule of its own.
const Ids kPositionControllerEditable =
    Joined(kPositionControllerGroup, {kPositionFeedForwardLabel, kPositionSpeedFeedForwardLabel,
                                      kPositionAccelerationFeedForwardLabel, kPositionAccelerationFeedForwardEdit});
const Ids kLimitAccelerationValue{kLimitAccelerationEdit, kLimitAccelerationUnit};
const Ids kCorrectionGroupIds{kCorrectionGroup,      kCorrectionWindowLabel,  kCorrectionWindowEdit,
                              kCorrectionWindowUnit, kCorrectionDelayLabel,   kCorrectionDelayEdit,
                              kCorrectionDelayUnit,  kCorrectionDelayTrailer, kCorrectionAdvancedButton};
const Ids kSpeedAccelerationFeedForward{kSpeedFeedForwardLabel, kSpeedAccelerationFeedForwardEdit,
                                        kSpeedAccelerationFeedForwardLabel};
const Ids kOverCurrentRows{kOverCurrentLabel,    kOverCurrentTimeLabel, kOverCurrentEdit,
                           kOverCurrentTimeEdit, kOverCurrentUnit,      kOverCurrentTimeUnit};
const Ids kI2tRows{kI2tCurrentLabel, kI2tTimeLabel, kI2tCurrentEdit, kI2tTimeEdit, kI2tCurrentUnit, kI2tTimeUnit};
const Ids kPositionErrorRows{kPositionErrorLabel,     kPositionErrorEdit,     kPositionErrorUnit,
                             kPositionErrorTimeLabel, kPositionErrorTimeEdit, kPositionErrorTimeUnit};
const Ids kSpeedErrorRows{kSpeedErrorLabel,     kSpeedErrorEdit,     kSpeedErrorUnit,
                          kSpeedErrorTimeLabel, kSpeedErrorTimeEdit, kSpeedErrorTimeUnit};
const Ids kReferenceSetup{kReferenceSetupButton, kAutoActivatedCheck};
const Ids kBaudRateRow{kBaudRateLabel, kBaudRateCombo};
const Ids kAxisIdRow{kAxisIdLabel, kAxisIdCombo};
const Ids kMotionCompleteGroupIds{kMotionCompleteGroup,
                                  kMotionCompleteExplanation,
                                  kMotionCompleteExplanationEnd,
                                  kMotionCompleteChangeNote,
                                  kMotionCompleteDefaultsNote,
                                  kSettleBandLabel,
                                  kSettleBandEdit,
                                  kSettleBandUnit,
                                  kStabilizeTimeLabel,
                                  kStabilizeTimeEdit,
                                  kStabilizeTimeUnit};
// The feed-forward rows as the controllers lay them out.
const Ids kSpeedFeedForwardRow{kSpeedFeedForwardLabel, kSpeedAccelerationFeedForwardEdit, kSpeedSpeedFeedForwardEdit,
                               kSpeedAccelerationFeedForwardLabel, kSpeedSpeedFeedForwardLabel};
const Ids kPositionFeedForwardRow{kPositionFeedForwardLabel, kPositionAccelerationFeedForwardEdit,
                                  kPositionSpeedFeedForwardEdit, kPositionAccelerationFeedForwardLabel,
                                  kPositionSpeedFeedForwardLabel};

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
  const bool posGroup = !(Has(setup, "SOLmodeEncOnLoad") && openLoadSensor && IntValue(setup, "SOLmodeEncOnLoad") == 1);
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
  EnableChildren(kSoftwareLimitsHeader, hasSoftwareLimits);
  EnableChildren(kSoftwareLimitRows, hasSoftwareLimits && IntValue(setup, "isSWLS") == 1);
  EnableChildren(kPositionRangeHeader, closed && hasPositionRange);
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
  EnableChildren(kLimitAccelerationValue,
                 !c.NoPosCtl() && c.loadSensor == engine::kSensorIncremental && accelOn && (closed || openLoadSensor));

  ShowChildren(kCorrectionGroupIds, !posGroup);
  const bool motionAuto = hasMotionComplete && IntValue(setup, "MotionCompleteType") == 0;
  EnableChild(kCorrectionWindowEdit, openLoadSensor && !motionAuto);
  // With the default motion complete the correction window is its band.
  // Only where the window is in use (its group on view, the correction on
  // the load sensor switched on): elsewhere the drive takes its error limit
  // from "ERR_position", and the window stored is the person's to keep.
  if (motionAuto && !posGroup)
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
  ShowChildren(kMotionCompleteGroupIds,
               hasMotionComplete && (openLoadSensor || closed) && IntValue(setup, "MotionCompleteType") == 0 && pos);
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
