#pragma once

#include <map>
#include <memory>
#include <string>

#include "engine/io_registers.h"
#include "engine/limit_registers.h"
#include "engine/reference_registers.h"
#include "kernel/setup.h"
#include "kernel/setup_file.h"
#include "unittests/support/setup_builder.h"

// Shared by the tests of the reference, limit and I/O register families:
// their steps in sequence order, snapshots to compare round trips, and
// small drives built in code.
namespace reftest {

using Step = int (*)(CVX_Setup&);

// Every computation of the three families, in the order of register
// computation.
inline constexpr Step kComputeSteps[] = {
    engine::ComputeAAR_table,
    engine::ComputeSWNEGLS,
    engine::ComputeSWPOSLS,
    engine::ComputeCACC,
    engine::ComputeCSPD,
    engine::ComputeCADIN,
    engine::ComputeSFTADIN,
    engine::ComputeAD5OFF,
    engine::ComputeLEVEL_AD5,
    engine::ComputeE_LEVEL_AD5,
    engine::ComputeGEAR,
    engine::ComputeT1ONA,
    engine::ComputeT1ONB,
    engine::ComputeBOOST,
    engine::ComputeTHT_CORRECTION,
    engine::ComputeBRAKEAPPLYDELAY,
    engine::ComputeBRAKERELEASEDELAY,
    engine::ComputePOSOKLIM_FC,
    engine::ComputeTONPOSOK_FC,
    engine::ComputeTIMESBC,
    engine::ComputeSBYCRT,
    engine::ComputeMINPOSRANGE,
    engine::ComputeMAXPOSRANGE,
    engine::ComputePOSRANGEDEF,
    engine::ComputePOSOKLIM,
    engine::ComputeTONPOSOK,
};

// Every recovery of the three families, in the order of user value recovery.
inline constexpr Step kRecoverSteps[] = {
    engine::RecoverAxis_ID_list,
    engine::RecoverTime_AB,
    engine::RecoverNegative_SWLS,
    engine::RecoverPositive_SWLS,
    engine::RecoverDeadBand_Point,
    engine::RecoverDeadBand_Range,
    engine::RecoverPOS_min,
    engine::RecoverPOS_max,
    engine::RecoverCRT_min,
    engine::RecoverCRT_max,
    engine::RecoverSPD_min,
    engine::RecoverSPD_max,
    engine::RecoverErefMaxSpeed,
    engine::RecoverErefMaxAcceleration,
    engine::RecoverPhaseAdvance_speed,
    engine::RecoverMotorBrake_releasetime,
    engine::RecoverMotorBrake_applytime,
    engine::RecoverFreezeControl_errband,
    engine::RecoverFreezeControl_time,
    engine::RecoverRunCurrent,
    engine::RecoverStandByCurrent,
    engine::RecoverStandByCurrentTime,
    engine::RecoverPosRange_Minimum,
    engine::RecoverPosRange_Maximum,
    engine::RecoverIsPosRange,
    engine::RecoverMotionCompleteSettleBand,
    engine::RecoverMotionCompleteStabilizeTime,
};

// Each step once; the number of steps that returned 1.
template <size_t N>
int RunSteps(CVX_Setup& setup, const Step (&steps)[N]) {
  int succeeded = 0;
  for (Step step : steps) succeeded += step(setup);
  return succeeded;
}

inline void RoundTrip(CVX_Setup& setup) {
  RunSteps(setup, kComputeSteps);
  RunSteps(setup, kRecoverSteps);
}

struct Stored {
  double internal;
  double minimum;
  double maximum;
  friend bool operator==(const Stored&, const Stored&) = default;
};

inline std::map<std::string, Stored> Snapshot(const CVX_Setup& setup) {
  std::map<std::string, Stored> values;
  for (const CVX_Parameter* p : setup.GetParameters())
    values[p->GetName()] = {p->GetValueInInternalUnit(), p->GetMinimum(), p->GetMaximum()};
  return values;
}

// The converter's full scale of the example drives.
inline constexpr int kAdcMax = 65472;

inline void SetAdcMax(CVX_Setup& setup, int counts = kAdcMax) {
  CVX_DriveIdentity identity = setup.GetIdentity();
  identity.adcMaxValue = counts;
  setup.SetIdentity(identity);
}

using kernel::ValueType;

using testsupport::Base;
using testsupport::Internal;
inline CVX_Parameter* AddUser(CVX_Setup& setup, std::string_view name, double internal, std::string_view unit = {}) {
  return testsupport::AddParameter(setup, name, internal, ValueType::kDouble, unit);
}
inline CVX_Parameter* AddRegister(CVX_Setup& setup, std::string_view name, double value = 0,
                                  ValueType type = ValueType::kUInt16) {
  return testsupport::AddParameter(setup, name, value, type);
}

// The default example's timing: 20 kHz PWM at 60 MHz, slow loop every 16
// PWM periods (0.8 ms); a 10 A current range.
inline constexpr double kSlowLoop_s = 0.0008;

inline void AddTiming(CVX_Setup& setup, double slper = 16) {
  SetAdcMax(setup);
  AddRegister(setup, "PWMPER", 1500);
  AddRegister(setup, "CLPER", 2);
  AddRegister(setup, "SLPER", slper);
  testsupport::AddParameter(setup, "DSP_freq", 60e6, ValueType::kConstant);
  testsupport::AddParameter(setup, "ImaxPS", 10, ValueType::kConstant);
}

// Open loop: 256 microsteps of 200 steps per motor turn (8148.7 per rad).
// Closed loop: a 1000-line encoder on the motor (636.6 counts per rad). The
// load turns with `ratio` (negative: the position scale is negative).
enum class Loop { kOpen, kClosed };

inline void AddPositionScale(CVX_Setup& setup, Loop loop, double ratio = 1) {
  testsupport::AddParameters(setup, {{"StepperControlType", loop == Loop::kOpen ? 0.0 : 1.0},
                                    {"MotorSensorType", loop == Loop::kOpen ? 0.0 : 1.0},
                                    {"LoadSensorType", 0},
                                    {"NoMicroStepsPerStep", 256},
                                    {"NoMotorSteps", 200},
                                    {"Motor_transmission", ratio},
                                    {"Load_transmission", 1}});
  AddRegister(setup, "OSR", 0);
  AddRegister(setup, "MECRESL", 4000, ValueType::kUInt32);
}

inline double PositionScaleOf(Loop loop, double ratio = 1) {
  return (loop == Loop::kOpen ? 256.0 * 200.0 : 4000.0) / 6.283185307179586 * ratio;
}

}  // namespace reftest
