#include "engine/sequences.h"

#include <algorithm>

#include "engine/biquad_filters.h"
#include "engine/config_words_control.h"
#include "engine/config_words_io.h"
#include "engine/config_words_operation.h"
#include "engine/config_words_protection.h"
#include "engine/config_words_qual.h"
#include "engine/config_words_sensors.h"
#include "engine/controller_saturations.h"
#include "engine/feedback_counting_direction.h"
#include "engine/feedback_sensors.h"
#include "engine/gain_registers.h"
#include "engine/io_registers.h"
#include "engine/limit_registers.h"
#include "engine/limits_update.h"
#include "engine/loop_timing.h"
#include "engine/motion_units.h"
#include "engine/register_copies.h"
#include "engine/serial_encoder.h"
#include "engine/serial_encoder_clock.h"
#include "engine/parameter_limits.h"
#include "engine/plain_units.h"
#include "engine/protections.h"
#include "engine/reference_registers.h"
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
bool HasPhaseAdvance(CVX_Setup& setup) { return Has(setup, "THT_CORRECTION"); }
bool HasMotionCompleteOrLoadCorrection(CVX_Setup& setup) {
  return HasMotionCompleteSettings(setup) || HasSOLmodeEncOnLoad(setup);
}
bool HasSerialMotorClockMode(CVX_Setup& setup) { return HasSerialMotorSensor(setup) && HasSerialClockMode(setup); }

// clang-format off
// The register families' steps in their fixed order. Families whose
// registers are not built yet leave their places empty; a step's probe, when
// it has one, is the capability that gates it.
constexpr SequenceStep kRegisterComputation[] = {
    // 1. loop timing and drive protections
    {ComputePWMPER},
    {ComputeT2MAXPROT}, {ComputeUMAXPROT}, {ComputeUMINPROT},
    {ComputeII2TPROT_D}, {ComputeSFI2T_D}, {ComputeI2TINTLIM_D},
    {ComputeII2TWARLIM_D, HasDriveWarningLimits},
    // 2. PWM saturation, feedback resolution
    {ComputeSATPWM},
    {ComputeMECRESL},
    {ComputeELRESL, HasElectricalResolution},
    // The interpolation fraction feeds "ENC2THL", "EncRes" and "TRANSMISSION",
    // so it is computed before all of them.
    {ComputeELRES_FRACT, HasInterpolationFraction},
    {ComputeENC2THL},
    {ComputeMTSTYPE},
    {ComputeAAR_table},
    // 3. configuration words
    {ComputeSCR}, {ComputeOSR}, {ComputeASR}, {ComputePCR}, {ComputeACR},
    // 4. current controller
    {ComputeSFTKPI}, {ComputeKPI}, {ComputeSFTKII}, {ComputeKII},
    {ComputeSATID}, {ComputeSATIQ},
    {ComputeFILTERQ},
    {ComputeFFL},
    {ComputeKFFL},
    // 5. speed and position controllers
    {ComputeSFTKPS}, {ComputeKPS}, {ComputeSFTKIS}, {ComputeKIS},
    {ComputeIMAXS}, {ComputeSATS},
    {ComputeSFTKPP}, {ComputeKPP}, {ComputeSFTKIP}, {ComputeKIP}, {ComputeSFTKDP}, {ComputeKDP},
    {ComputeKDFP},
    {ComputeIMAXP}, {ComputeSATP},
    {ComputeSFTSFFW, HasSpeedFeedForward}, {ComputeKFFS, HasSpeedFeedForward},
    {ComputeSFTAFFW}, {ComputeSFTKFF}, {ComputeKFFA},
    // 6. motor protections
    {ComputeACC_LIMIT},
    {ComputeIMAXPROT}, {ComputeTIMAXPROT},
    {ComputeERRMAX}, {ComputeERRMAXL}, {ComputeTERRMAX}, {ComputeSERRMAX}, {ComputeTSERRMAX},
    {ComputeT1MAXPROT},
    {ComputeII2TPROT_M}, {ComputeSFI2T_M}, {ComputeI2TINTLIM_M},
    {ComputeI2TWARLIM_M, HasDriveWarningLimits},
    // 7. software limit switches, profile limits
    {ComputeSWNEGLS, HasSoftwareLimitSwitches}, {ComputeSWPOSLS, HasSoftwareLimitSwitches},
    {ComputeCACC}, {ComputeCSPD},
    // 8. analogue reference
    {ComputeCADIN, HasAnalogueReference}, {ComputeSFTADIN, HasAnalogueReference},
    {ComputeAD5OFF, HasAnalogueReference},
    {ComputeFILTER1, HasAnalogueReference},
    {ComputeLEVEL_AD5, HasAnalogueReference}, {ComputeE_LEVEL_AD5, HasAnalogueReference},
    // 9. inputs, outputs, brake
    {ComputeGEAR}, {ComputeT1ONA}, {ComputeT1ONB},
    {ComputeDIGIN_ACTIVE_LEVEL}, {ComputeUPGRADE}, {ComputeBOOST},
    {ComputeLSS_Active, HasCanIdentification},
    {ComputeTHT_CORRECTION, HasPhaseAdvance},
    {ComputeCOUNTINGDIR, HasCountingDirection}, {ComputeCOUNTINGDIR_LD, HasCountingDirection},
    {ComputeQUAL, HasEncoderFilter},
    {ComputeBRAKECFG, HasBrake},
    {ComputeBRAKEAPPLYDELAY, HasBrake}, {ComputeBRAKERELEASEDELAY, HasBrake},
    {ComputePOSOKLIM_FC, HasFreezeControl}, {ComputeTONPOSOK_FC, HasFreezeControl},
    // 10. transmission, electric angle controller
    {ComputeTRANSMISSION},
    {ComputeSFTKPTHT, HasKPTHT}, {ComputeKPTHT, HasKPTHT}, {ComputeSFTKITHT, HasKPTHT}, {ComputeKITHT, HasKPTHT},
    {ComputeTIMESBC},
    // 11. step drive
    {ComputeIDRSTEP},
    {ComputeSCL2H}, {ComputeSCL2L}, {ComputeSFTSCL1},
    {ComputeSBYCRT},
    {ComputeEncRes}, {ComputeSTEPRES},
    {ComputeENCRESLONG, HasLongResolutions}, {ComputeSTEPRESLONG, HasLongResolutions},
    {ComputeSTALLLIM},
    {ComputeABSTART_MINMOVE, HasStartMoveCheck},
    // 12. serial absolute encoder
    {ComputeSSITURNS, HasSerialMotorSensor}, {ComputeSSIREV, HasSerialMotorSensor},
    {ComputeSSITYPE, HasSerialMotorSensor}, {ComputeSSIBR, HasSerialMotorSensor},
    {ComputeSSISENSE, HasSerialMotorSensor}, {ComputeSSIFDBKTYPE, HasSerialMotorSensor},
    {ComputeZAOFF, HasSerialMotorSensor},
    {ComputeSPICLKMODE, HasSerialMotorClockMode},
    {ComputeAEI_CLKDIV, HasSerialMotorSensor}, {ComputeAEI_PER, HasSerialMotorSensor},
    {ComputeAEI_CMPTIME, HasSerialMotorSensor},
    // 13. biquad filters
    {ComputeBiquadFilters, HasBiquadFilters},
    // 14. position range and motion complete
    {ComputeMINPOSRANGE, HasPositionRange}, {ComputeMAXPOSRANGE, HasPositionRange},
    {ComputePOSRANGEDEF, HasPositionRange},
    {ComputePOSOKLIM, HasMotionCompleteSettings},
    {ComputeTONPOSOK, HasMotionCompleteOrLoadCorrection},
    // 15. open-loop correction with the encoder on the load
    {ComputeMAXCORRERR, HasSOLmodeEncOnLoad}, {ComputeCACCDECR, HasSOLmodeEncOnLoad},
    {ComputeCSPDDECR, HasSOLmodeEncOnLoad},
};

constexpr SequenceStep kUserValueRecovery[] = {
    // 1.
    {LimitRatedCurrent},
    // 2. sensors present, loop timing, drive protections
    {RecoverNo_encoder_lines},
    {RecoverIsMotorTemperatureSensor},
    {RecoverMotor_TempSensor_Type},
    {RecoverPWM_freq}, {RecoverPWMperiod}, {RecoverTs_C}, {RecoverTs_S},
    {RecoverPosSpd_in_FastLoop},
    {RecoverIsDriveTemperatureSensor},
    {RecoverIsOverVoltage}, {RecoverUMAX_PROT}, {RecoverIsUnderVoltage}, {RecoverUMIN_PROT},
    {RecoverIsDriveOverTemp}, {RecoverTemp_2},
    {RecoverIsDriveI2t}, {RecoverI_I2t_D}, {RecoverT_I2t_D},
    // 3. control mode and reference
    {RecoverControlMode}, {RecoverExternalReference},
    {RecoverIsAutoActivatedAfterPowerOn, HasAutoActivation},
    {RecoverAxis_ID_list},
    {RecoverIlimPS},
    // 4. current controller
    {RecoverKp_C_scl}, {RecoverKi_C_scl},
    {RecoverTestCurrent}, {RecoverTestProtectionCurrent},
    {RecoverIsUseFilterOnCrtCtrlOutput}, {RecoverFilterOnCurrentControllerOutput},
    {RecoverIsCompensateGravitationalLoads}, {RecoverOffsetCurrent},
    // 5. speed and position controllers
    {RecoverKp_S_scl}, {RecoverKi_S_scl},
    {RecoverIPSatS},
    {RecoverKFFA_scl},
    {RecoverTestLimitCurrent}, {RecoverJload_over_J},
    {RecoverKp_P_scl}, {RecoverKi_P_scl}, {RecoverKd_P_scl}, {RecoverFilter_D},
    {RecoverIPSatP}, {RecoverLimit_Speed}, {RecoverTestMaxSpeed},
    {RecoverKFFS_scl, HasSpeedFeedForward},
    // 6. motor protections and input polarities
    {RecoverLimit_Acceleration}, {RecoverIsLimitAcceleration},
    {RecoverIsOverCurrent}, {RecoverImax_Prot}, {RecoverTime_Imax_Prot},
    {RecoverIsPositionControlError}, {RecoverERR_position}, {RecoverTime_ERR_pos},
    {RecoverIsSpeedControlError}, {RecoverERR_speed}, {RecoverTime_ERR_spd},
    {RecoverIsMotorOverTemp}, {RecoverIsMotorI2t}, {RecoverI_I2t_M}, {RecoverT_I2t_M},
    {RecoverEnablePolarity}, {RecoverLSPPolarity}, {RecoverLSNPolarity},
    {RecoverTime_AB},
    // 7.
    {RecoverIsSWLS, HasSoftwareLimitSwitches},
    {RecoverNegative_SWLS, HasSoftwareLimitSwitches}, {RecoverPositive_SWLS, HasSoftwareLimitSwitches},
    {RecoverIsSpeedEstimator, HasSpeedEstimator},
    // 8. analogue reference
    {RecoverDeadBand_Point, HasAnalogueReference}, {RecoverDeadBand_Range, HasAnalogueReference},
    {RecoverUseFilter, HasAnalogueReference}, {RecoverFilter, HasAnalogueReference},
    {RecoverPOS_min, HasAnalogueReference}, {RecoverPOS_max, HasAnalogueReference},
    {RecoverCRT_min, HasAnalogueReference}, {RecoverCRT_max, HasAnalogueReference},
    {RecoverSPD_min, HasAnalogueReference}, {RecoverSPD_max, HasAnalogueReference},
    // 9. reference, CAN, encoder filter, brake, freeze control
    {RecoverIsLimitMaximum}, {RecoverErefMaxSpeed}, {RecoverErefMaxAcceleration},
    {RecoverIsAnalogueReference}, {RecoverDigitalReferenceType},
    {RecoverSave_CAN_baudrate, HasCanIdentification}, {RecoverSave_axis_id, HasCanIdentification},
    {RecoverPhaseAdvance_speed, HasPhaseAdvance},
    {RecoverReverseCounting, HasCountingDirection}, {RecoverReverseCounting_LD, HasCountingDirection},
    {RecoverIsFilterEnc_MT, HasEncoderFilter}, {RecoverIsFilterEnc_LD, HasEncoderFilter},
    {RecoverIsMotorBrake, HasBrake}, {RecoverMotorBrake_output, HasBrake},
    {RecoverMotorBrake_releasetime, HasBrake}, {RecoverMotorBrake_applytime, HasBrake},
    {RecoverSpeedForward, HasSpeedForward},
    {RecoverIsFreezeControl, HasFreezeControl},
    {RecoverFreezeControl_errband, HasFreezeControl}, {RecoverFreezeControl_time, HasFreezeControl},
    {RecoverInputsPolarityType, HasInputsPolarityType},
    {RecoverKp_T_scl, HasKPTHT}, {RecoverKi_T_scl, HasKPTHT},
    // 10.
    {RecoverTestStartCurrent},
    // 11. motor, sensors and control type
    {RecoverRunCurrent}, {RecoverStandByCurrent}, {RecoverStandByCurrentTime},
    {RecoverMotorSensorType}, {RecoverLoadSensorType},
    {RecoverMotorSensorConnector}, {RecoverLoadSensorConnector}, {RecoverDigitalReferenceConnector},
    {RecoverStepperMotorType}, {RecoverStepperControlType},
    {RecoverStartMode, HasStartMode}, {RecoverSOL_controller_mode, HasSolControllerMode},
    // 12. serial absolute encoders
    {RecoverSSI_isMultiTurn, HasSerialMotorSensor}, {RecoverSSI_No_Bits_Revolution, HasSerialMotorSensor},
    {RecoverSSI_No_Bits_Turns, HasSerialMotorSensor}, {RecoverSSI_isGray, HasSerialMotorSensor},
    {RecoverSSI_freq, HasSerialMotorSensor}, {RecoverSSI_isReverseCounting, HasSerialMotorSensor},
    {RecoverSSI_Offset, HasSerialMotorSensor},
    {RecoverSSI_isMultiTurn_LD, HasSerialLoadSensor}, {RecoverSSI_No_Bits_Revolution_LD, HasSerialLoadSensor},
    {RecoverSSI_No_Bits_Turns_LD, HasSerialLoadSensor}, {RecoverSSI_isGray_LD, HasSerialLoadSensor},
    {RecoverSSI_freq_LD, HasSerialLoadSensor}, {RecoverSSI_isReverseCounting_LD, HasSerialLoadSensor},
    // 13. position range, direction, motion complete
    {RecoverPosRange_Minimum, HasPositionRange}, {RecoverPosRange_Maximum, HasPositionRange},
    {RecoverIsPosRange, HasPositionRange},
    {RecoverIsReverseMovementDirection, HasReverseMovementDirection},
    {RecoverMotionCompleteType, HasMotionCompleteSettings},
    {RecoverMotionCompleteSettleBand, HasMotionCompleteSettings},
    {RecoverMotionCompleteStabilizeTime, HasMotionCompleteSettings},
    // 14. open-loop correction with the encoder on the load
    {RecoverSOLmodeEncOnLoad, HasSOLmodeEncOnLoad},
    {RecoverErrMaxUser, HasSOLmodeEncOnLoad},
    {RecoverMaxCorrErrUser, HasSOLmodeEncOnLoad},
    {RecoverTonPosOkUser, HasSOLmodeEncOnLoad},
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

void ComputeAllOptions(CVX_Setup& setup) {
  RecoverUserParameters(setup);
  UpdateParameterLimits(setup);
  UpdateFeedbackOptions(setup);
  UpdateLoadUnits(setup);
  UpdateStepUnits(setup);
  UpdatePlainUnits(setup);
}

CVX_Setup RoundTripCopy(const CVX_Setup& setup) {
  CVX_Setup trial = setup;
  ComputeRegisterParameters(trial);
  RecoverUserParameters(trial);
  return trial;
}

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
