#include "engine/sequences.h"

#include <algorithm>

#include "engine/config_words_control.h"
#include "engine/config_words_io.h"
#include "engine/config_words_operation.h"
#include "engine/config_words_protection.h"
#include "engine/config_words_qual.h"
#include "engine/config_words_sensors.h"
#include "engine/gain_registers.h"
#include "engine/limits_update.h"
#include "engine/loop_timing.h"
#include "engine/motion_units.h"
#include "engine/register_copies.h"
#include "engine/parameter_limits.h"
#include "engine/setup_access.h"
#include "kernel/probe.h"

namespace engine {
namespace {

// Drive variables of a single-axis drive live on axis 1.
constexpr int kAxis = 1;

constexpr int kSerialSensorSsi = 3;
constexpr int kSerialSensorBiss = 4;

// The tuning tests start from half of their current range.
constexpr double kTestStartCurrentMax_percent = 100.0;
constexpr double kTestStartCurrent_percent = 50.0;

constexpr double kRatedCurrentMin_A = 0.001;

int LimitRatedCurrent(CVX_Setup& setup) {
  const auto motorMax_A = Base(setup, "ImaxM");
  if (!motorMax_A) return 0;
  return SetParameterLimits(Find(setup, "In"), kRatedCurrentMin_A, *motorMax_A);
}

int RecoverTestStartCurrent(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "TestStartCurrent");
  if (!SetParameterLimits(target, 0.0, kTestStartCurrentMax_percent)) return 0;
  return WriteBase(target, kTestStartCurrent_percent);
}

bool HasKPTHT(CVX_Setup& setup) { return Has(setup, "KPTHT"); }
bool HasAutoActivation(CVX_Setup& setup) { return Has(setup, "isAutoActivatedAfterPowerOn"); }
bool HasSpeedForward(CVX_Setup& setup) { return Has(setup, "SpeedForward"); }
bool HasInputsPolarityType(CVX_Setup& setup) { return Has(setup, "InputsPolarityType"); }
bool HasStartMode(CVX_Setup& setup) { return Has(setup, "StartMode"); }
bool HasSolControllerMode(CVX_Setup& setup) { return Has(setup, "SOL_controller_mode"); }
bool HasReverseMovementDirection(CVX_Setup& setup) { return Has(setup, "IsReverseMovementDirection"); }
bool HasMotionCompleteSettings(CVX_Setup& setup) { return Has(setup, "MotionCompleteDefaultSettings"); }
bool HasSOLmodeEncOnLoad(CVX_Setup& setup) { return Has(setup, "SOLmodeEncOnLoad"); }

// clang-format off
// The register families' steps in their fixed order. Families whose
// registers are not built yet leave their places empty; a step's probe, when
// it has one, is the capability that gates it.
constexpr SequenceStep kRegisterComputation[] = {
    // 1. loop timing and drive protections
    {ComputePWMPER},
    // 2. PWM saturation, feedback resolution
    {ComputeSATPWM},
    // 3. configuration words
    {ComputeSCR}, {ComputeOSR}, {ComputeASR}, {ComputePCR}, {ComputeACR},
    // 4. current controller
    {ComputeSFTKPI}, {ComputeKPI}, {ComputeSFTKII}, {ComputeKII},
    {ComputeSATID}, {ComputeSATIQ},
    {ComputeFILTERQ},
    {ComputeKFFL},
    // 5. speed and position controllers
    {ComputeSFTKPS}, {ComputeKPS}, {ComputeSFTKIS}, {ComputeKIS},
    {ComputeSFTKPP}, {ComputeKPP}, {ComputeSFTKIP}, {ComputeKIP}, {ComputeSFTKDP}, {ComputeKDP},
    {ComputeKDFP},
    {ComputeSFTSFFW, HasSpeedFeedForward}, {ComputeKFFS, HasSpeedFeedForward},
    {ComputeSFTAFFW}, {ComputeSFTKFF}, {ComputeKFFA},
    // 6. motor protections
    {ComputeT1MAXPROT},
    // 8. analogue reference
    {ComputeFILTER1, HasAnalogueReference},
    // 9. inputs, outputs, brake
    {ComputeDIGIN_ACTIVE_LEVEL}, {ComputeUPGRADE},
    {ComputeLSS_Active, HasCanIdentification},
    {ComputeQUAL, HasEncoderFilter},
    {ComputeBRAKECFG, HasBrake},
    // 10. transmission, electric angle controller
    {ComputeTRANSMISSION},
    {ComputeSFTKPTHT, HasKPTHT}, {ComputeKPTHT, HasKPTHT}, {ComputeSFTKITHT, HasKPTHT}, {ComputeKITHT, HasKPTHT},
    // 11. step drive
    {ComputeIDRSTEP},
    {ComputeSCL2H}, {ComputeSCL2L}, {ComputeSFTSCL1},
    {ComputeEncRes}, {ComputeSTEPRES},
    {ComputeENCRESLONG, HasLongResolutions}, {ComputeSTEPRESLONG, HasLongResolutions},
    {ComputeSTALLLIM},
    // 15. open-loop correction with the encoder on the load
    {ComputeMAXCORRERR, HasSOLmodeEncOnLoad}, {ComputeCACCDECR, HasSOLmodeEncOnLoad},
    {ComputeCSPDDECR, HasSOLmodeEncOnLoad},
};

constexpr SequenceStep kUserValueRecovery[] = {
    // 1.
    {LimitRatedCurrent},
    // 2. sensors present, loop timing, drive protections
    {RecoverIsMotorTemperatureSensor},
    {RecoverPWM_freq}, {RecoverPWMperiod}, {RecoverTs_C}, {RecoverTs_S},
    {RecoverPosSpd_in_FastLoop},
    {RecoverIsDriveTemperatureSensor},
    {RecoverIsOverVoltage}, {RecoverIsUnderVoltage}, {RecoverIsDriveOverTemp}, {RecoverIsDriveI2t},
    // 3. control mode and reference
    {RecoverControlMode}, {RecoverExternalReference},
    {RecoverIsAutoActivatedAfterPowerOn, HasAutoActivation},
    // 4. current controller
    {RecoverKp_C_scl}, {RecoverKi_C_scl},
    {RecoverIsUseFilterOnCrtCtrlOutput}, {RecoverFilterOnCurrentControllerOutput},
    // 5. speed and position controllers
    {RecoverKp_S_scl}, {RecoverKi_S_scl},
    {RecoverKFFA_scl},
    {RecoverKp_P_scl}, {RecoverKi_P_scl}, {RecoverKd_P_scl}, {RecoverFilter_D},
    {RecoverKFFS_scl, HasSpeedFeedForward},
    // 6. motor protections and input polarities
    {RecoverIsOverCurrent}, {RecoverIsMotorOverTemp}, {RecoverIsMotorI2t},
    {RecoverEnablePolarity}, {RecoverLSPPolarity}, {RecoverLSNPolarity},
    // 7.
    {RecoverIsSWLS, HasSoftwareLimitSwitches},
    {RecoverIsSpeedEstimator, HasSpeedEstimator},
    // 8. analogue reference
    {RecoverUseFilter, HasAnalogueReference}, {RecoverFilter, HasAnalogueReference},
    // 9. reference, CAN, encoder filter, brake, freeze control
    {RecoverIsLimitMaximum}, {RecoverIsAnalogueReference}, {RecoverDigitalReferenceType},
    {RecoverSave_CAN_baudrate, HasCanIdentification}, {RecoverSave_axis_id, HasCanIdentification},
    {RecoverIsFilterEnc_MT, HasEncoderFilter}, {RecoverIsFilterEnc_LD, HasEncoderFilter},
    {RecoverIsMotorBrake, HasBrake}, {RecoverMotorBrake_output, HasBrake},
    {RecoverSpeedForward, HasSpeedForward},
    {RecoverIsFreezeControl, HasFreezeControl},
    {RecoverInputsPolarityType, HasInputsPolarityType},
    {RecoverKp_T_scl, HasKPTHT}, {RecoverKi_T_scl, HasKPTHT},
    // 10.
    {RecoverTestStartCurrent},
    // 11. motor, sensors and control type
    {RecoverMotorSensorType}, {RecoverLoadSensorType},
    {RecoverMotorSensorConnector}, {RecoverLoadSensorConnector}, {RecoverDigitalReferenceConnector},
    {RecoverStepperMotorType}, {RecoverStepperControlType},
    {RecoverStartMode, HasStartMode}, {RecoverSOL_controller_mode, HasSolControllerMode},
    // 13. position range, direction, motion complete
    {RecoverIsReverseMovementDirection, HasReverseMovementDirection},
    {RecoverMotionCompleteType, HasMotionCompleteSettings},
    // 14. open-loop correction with the encoder on the load
    {RecoverSOLmodeEncOnLoad, HasSOLmodeEncOnLoad},
    {RecoverMaxCorrErrUser, HasSOLmodeEncOnLoad},
    {RecoverCaccDecrUser, HasSOLmodeEncOnLoad}, {RecoverCspdDecrUser, HasSOLmodeEncOnLoad},
};
// clang-format on

bool HasAll(CVX_Setup& setup, std::initializer_list<const char*> names) {
  return std::all_of(names.begin(), names.end(), [&](const char* name) { return Has(setup, name); });
}

}  // namespace

void RunSequence(CVX_Setup& setup, std::span<const SequenceStep> steps) {
  for (const SequenceStep& step : steps)
    if (!step.probe || step.probe(setup)) step.run(setup);
}

void ComputeRegisterParameters(CVX_Setup& setup) { RunSequence(setup, kRegisterComputation); }

void RecoverUserParameters(CVX_Setup& setup) { RunSequence(setup, kUserValueRecovery); }

void UpdateParameterLimits(CVX_Setup& setup) { RunLimitsUpdate(setup); }

bool HasDriveWarningLimits(CVX_Setup& setup) { return HasAll(setup, {"II2TWARLIM_D", "I2TWARLIM_M"}); }
bool HasSpeedFeedForward(CVX_Setup& setup) { return HasAll(setup, {"KFFS_scl", "KFFS", "SFTSFFW"}); }
bool HasSoftwareLimitSwitches(CVX_Setup& setup) { return Has(setup, "isSWLS"); }
bool HasSpeedEstimator(CVX_Setup& setup) { return Has(setup, "isSpeedEstimator"); }
bool HasAnalogueReference(CVX_Setup& setup) {
  return kernel::HasVariable(setup, "CADIN", kAxis) && Has(setup, "CADIN");
}
bool HasCanIdentification(CVX_Setup& setup) { return HasAll(setup, {"save_CAN_baudrate", "save_axis_id"}); }
bool HasBrake(CVX_Setup& setup) { return HasAll(setup, {"BRAKECFG", "isMotorBrake"}); }
bool HasFreezeControl(CVX_Setup& setup) { return HasAll(setup, {"POSOKLIM_FC", "TONPOSOK_FC"}); }
bool HasEncoderFilter(CVX_Setup& setup) { return HasAll(setup, {"isFilterEnc_MT", "FilterEncValue_MT"}); }
bool HasLongResolutions(CVX_Setup& setup) { return HasAll(setup, {"ENCRESLONG", "STEPRESLONG"}); }
bool HasSerialMotorSensor(CVX_Setup& setup) {
  return setup.HasDLMotorSensor(kSerialSensorSsi) || setup.HasDLMotorSensor(kSerialSensorBiss);
}
bool HasSerialLoadSensor(CVX_Setup& setup) {
  return setup.HasDLLoadSensor(kSerialSensorSsi) || setup.HasDLLoadSensor(kSerialSensorBiss);
}

}  // namespace engine
