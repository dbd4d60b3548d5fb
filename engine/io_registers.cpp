#include "engine/io_registers.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>

#include "engine/config_bits.h"
#include "engine/config_words_common.h"
#include "engine/limit_registers.h"
#include "engine/scales.h"
#include "engine/setup_access.h"
#include "kernel/parameter.h"

namespace engine {
namespace {

constexpr std::string_view kAxisId = "Axis_ID_list";
constexpr std::string_view kAxisTableRegister = "AAR_table";
constexpr std::string_view kBrakeApplyTime = "MotorBrake_applytime";
constexpr std::string_view kBrakeReleaseTime = "MotorBrake_releasetime";
constexpr std::string_view kBrakeApplyRegister = "BRAKEAPPLYDELAY";
constexpr std::string_view kBrakeReleaseRegister = "BRAKERELEASEDELAY";
constexpr std::string_view kAlignmentTime = "time_AB";
constexpr std::string_view kAlignmentRegisterA = "T1ONA";
constexpr std::string_view kAlignmentRegisterB = "T1ONB";
constexpr std::string_view kPhaseAdvanceSpeed = "PhaseAdvance_speed";
constexpr std::string_view kPhaseAdvanceRegister = "THT_CORRECTION";
constexpr std::string_view kMotorRatedCurrent = "In";
constexpr std::string_view kDriveRatedCurrent = "InPS";
constexpr std::string_view kRunCurrent = "RunCurrent";
constexpr std::string_view kStandByCurrent = "StandByCurrent";
constexpr std::string_view kStandByTime = "StandByCurrentTime";
constexpr std::string_view kStandByCurrentRegister = "SBYCRT";
constexpr std::string_view kStandByTimeRegister = "TIMESBC";

// The axis address table holds an identifier set by the setup above 256;
// 0 leaves the identifier to the hardware pins.
constexpr double kAxisTableBase = 256.0;
constexpr double kAxisIdMax = 511.0;

// "T1ONA" and "T1ONB" count up to a full unsigned word, in hundredths of a
// second or, on the older time base, in 1/65535 s.
constexpr double kAlignmentCountMax = 65535.0;
constexpr double kAlignmentCountsPerSecond = 100.0;
constexpr double kAlignmentCountsPerSecondOld = 65535.0;
constexpr double kAlignmentTimeMin_s = 0.01;

// The correction register is 16384 at one internal speed unit and falls
// with the speed; it never exceeds that.
constexpr double kPhaseAdvanceMax = 16384.0;

constexpr int kTriphase = 1;
constexpr int kDeltaConnection = 1;  // "MotorPhaseConnectionType"
constexpr double kDeltaResistanceDivisor = 3.0;

constexpr double kCurrentMin_A = 0.001;
constexpr double kTimeMin_s = 0.001;
constexpr double kStandByTimeSamplesMax = 32767.0;
constexpr double kBrakeDelaySamplesMax = 65535.0;

std::optional<double> AlignmentCountsPerSecond(CVX_Setup& setup) {
  const auto word = words::Read(setup, upgrade::kName);
  if (!word) return std::nullopt;
  return words::IsSet(*word, upgrade::kT1TimeBase) ? kAlignmentCountsPerSecond : kAlignmentCountsPerSecondOld;
}

int ComputeAlignmentTime(CVX_Setup& setup, std::string_view target) {
  const auto perSecond = AlignmentCountsPerSecond(setup);
  const auto time_s = Base(setup, kAlignmentTime);
  if (!perSecond || !time_s) return 0;
  return WriteInternal(setup, target, *time_s * *perSecond);
}

}  // namespace

int ComputeAAR_table(CVX_Setup& setup) {
  const auto id = Base(setup, kAxisId);
  if (!id) return 0;
  // Identifiers are whole numbers; one that rounds to 0 is the hardware's,
  // else the table would hold 256, which reads back as 0.
  const double whole = std::round(*id);
  return WriteInternal(setup, kAxisTableRegister, whole != 0.0 ? whole + kAxisTableBase : 0.0);
}

int RecoverAxis_ID_list(CVX_Setup& setup) {
  const auto entry = Internal(setup, kAxisTableRegister);
  if (!entry) return 0;
  return RecoverUserValue(setup, kAxisId, *entry != 0.0 ? *entry - kAxisTableBase : 0.0, 0.0, kAxisIdMax);
}

int ComputeBRAKEAPPLYDELAY(CVX_Setup& setup) {
  return ComputeSlowLoopSamples(setup, kBrakeApplyRegister, kBrakeApplyTime);
}
int ComputeBRAKERELEASEDELAY(CVX_Setup& setup) {
  return ComputeSlowLoopSamples(setup, kBrakeReleaseRegister, kBrakeReleaseTime);
}
int RecoverMotorBrake_applytime(CVX_Setup& setup) {
  return RecoverSlowLoopTime(setup, kBrakeApplyTime, kBrakeApplyRegister, 0.0, kBrakeDelaySamplesMax);
}
int RecoverMotorBrake_releasetime(CVX_Setup& setup) {
  return RecoverSlowLoopTime(setup, kBrakeReleaseTime, kBrakeReleaseRegister, 0.0, kBrakeDelaySamplesMax);
}

int ComputeT1ONA(CVX_Setup& setup) { return ComputeAlignmentTime(setup, kAlignmentRegisterA); }
int ComputeT1ONB(CVX_Setup& setup) { return ComputeAlignmentTime(setup, kAlignmentRegisterB); }

int RecoverTime_AB(CVX_Setup& setup) {
  const auto perSecond = AlignmentCountsPerSecond(setup);
  const auto count = Internal(setup, kAlignmentRegisterA);
  if (!perSecond || !count) return 0;
  return RecoverUserValue(setup, kAlignmentTime, *count / *perSecond, kAlignmentTimeMin_s,
                          kAlignmentCountMax / *perSecond);
}

int ComputeTHT_CORRECTION(CVX_Setup& setup) {
  const auto speed = Base(setup, kPhaseAdvanceSpeed);
  const auto speedInternal = Internal(setup, kPhaseAdvanceSpeed);
  if (!speed || !speedInternal) return 0;
  if (!(*speed > 0.0)) return WriteInternal(setup, kPhaseAdvanceRegister, 0.0);
  if (*speedInternal == 0.0) return 0;
  return WriteInternal(setup, kPhaseAdvanceRegister, std::min(kPhaseAdvanceMax / *speedInternal, kPhaseAdvanceMax));
}

int RecoverPhaseAdvance_speed(CVX_Setup& setup) {
  const auto correction = Internal(setup, kPhaseAdvanceRegister);
  if (!correction) return 0;
  const double speed = *correction != 0.0 ? kPhaseAdvanceMax / *correction : 0.0;
  return words::RecoverValueInternal(setup, kPhaseAdvanceSpeed, speed, 0.0, CVX_Parameter::kNoMaximum);
}

int ComputeBOOST(CVX_Setup& setup) {
  const auto voltageScale = MotorVoltageScale(setup);
  const auto motor_A = Base(setup, kMotorRatedCurrent);
  const auto drive_A = Base(setup, kDriveRatedCurrent);
  const auto resistance_Ohm = Base(setup, "R");
  const auto motorType = words::Choice(setup, "StepperMotorType");
  if (!voltageScale || !motor_A || !drive_A || !resistance_Ohm || !motorType) return 0;
  double phase_Ohm = *resistance_Ohm;
  if (*motorType == kTriphase) {
    const auto connection = words::Choice(setup, "MotorPhaseConnectionType");
    if (!connection) return 0;
    if (*connection == kDeltaConnection) phase_Ohm /= kDeltaResistanceDivisor;
  }
  return WriteInternal(setup, "BOOST", *voltageScale * std::min(*motor_A, *drive_A) * phase_Ohm);
}

int RecoverRunCurrent(CVX_Setup& setup) {
  const auto count = Internal(setup, "IDRSTEP");
  const auto motor_A = Base(setup, kMotorRatedCurrent);
  const auto drive_A = Base(setup, kDriveRatedCurrent);
  if (!count || !motor_A || !drive_A) return 0;
  return words::RecoverValueInternal(setup, kRunCurrent, *count, kCurrentMin_A, std::min(*motor_A, *drive_A));
}

int ComputeSBYCRT(CVX_Setup& setup) {
  const auto scale = CurrentScale(setup);
  const auto current_A = Base(setup, kStandByCurrent);
  if (!scale || !current_A) return 0;
  return WriteInternal(setup, kStandByCurrentRegister, *current_A * *scale);
}

int RecoverStandByCurrent(CVX_Setup& setup) {
  const auto count = Internal(setup, kStandByCurrentRegister);
  const auto run_A = Base(setup, kRunCurrent);
  if (!count || !run_A) return 0;
  return words::RecoverValueInternal(setup, kStandByCurrent, *count, kCurrentMin_A, *run_A);
}

int ComputeTIMESBC(CVX_Setup& setup) { return ComputeSlowLoopSamples(setup, kStandByTimeRegister, kStandByTime); }
int RecoverStandByCurrentTime(CVX_Setup& setup) {
  return RecoverSlowLoopTime(setup, kStandByTime, kStandByTimeRegister, kTimeMin_s, kStandByTimeSamplesMax);
}

}  // namespace engine
