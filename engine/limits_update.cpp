#include "engine/limits_update.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "engine/parameter_limits.h"
#include "engine/scales.h"
#include "engine/sequences.h"
#include "engine/setup_access.h"
#include "kernel/parameter.h"

namespace engine {
namespace {

// Register bounds in drive units.
constexpr double kWordMax = 32767.0;
constexpr double kLongWordMax = 2147483647.0;

// 1 / |scale|, the user value of one drive unit; nullopt without a scale.
std::optional<double> PerDriveUnit(std::optional<double> scale) {
  if (!scale) return std::nullopt;
  return 1.0 / std::fabs(*scale);
}

int SetMaximum(CVX_Setup& setup, const char* name, std::optional<double> high) {
  CVX_Parameter* target = Find(setup, name);
  if (!target || !high) return 0;
  return SetParameterLimits(target, target->GetMinimum(), *high);
}

int SetSymmetric(CVX_Setup& setup, const char* name, std::optional<double> extent) {
  if (!extent) return 0;
  return SetParameterLimits(Find(setup, name), -*extent, *extent);
}

// [low, high] where either end may be unknown: then the step fails.
int SetRange(CVX_Setup& setup, const char* name, std::optional<double> low, std::optional<double> high) {
  if (!low || !high) return 0;
  return SetParameterLimits(Find(setup, name), *low, *high);
}

std::optional<double> Min(std::optional<double> a, std::optional<double> b) {
  if (!a || !b) return std::nullopt;
  return std::min(*a, *b);
}

std::optional<double> Negated(std::optional<double> v) {
  if (!v) return std::nullopt;
  return -*v;
}

int LimitAnalogueRanges(CVX_Setup& setup) {
  const auto position = PerDriveUnit(PositionScale(setup));
  const auto speed = PerDriveUnit(SpeedScale(setup));
  const auto current = PerDriveUnit(CurrentScale(setup));
  const auto limitSpeed = Base(setup, "Limit_Speed");
  const auto supplyMax_A = Min(Base(setup, "ImaxM"), Base(setup, "ImaxPS"));

  const auto positionMax = position ? std::optional(kWordMax * *position) : std::nullopt;
  const auto speedMax = Min(limitSpeed, speed ? std::optional(kWordMax * *speed) : std::nullopt);
  const auto currentMax = Min(current ? std::optional(kWordMax * *current) : std::nullopt, supplyMax_A);

  // Each bound of a pair is the other's present value, so the pair stays
  // ordered.
  int all = SetRange(setup, "POS_max", Base(setup, "POS_min"), positionMax);
  all &= SetRange(setup, "POS_min", Negated(positionMax), Base(setup, "POS_max"));
  all &= SetRange(setup, "SPD_max", Base(setup, "SPD_min"), speedMax);
  all &= SetRange(setup, "SPD_min", Negated(speedMax), Base(setup, "SPD_max"));
  all &= SetRange(setup, "CRT_max", Base(setup, "CRT_min"), currentMax);
  all &= SetRange(setup, "CRT_min", Negated(currentMax), Base(setup, "CRT_max"));
  return all;
}

}  // namespace

int LimitControlErrors(CVX_Setup& setup) {
  const auto speed = PerDriveUnit(SpeedScale(setup));
  const auto position = PerDriveUnit(PositionScale(setup));
  const double positionMax = Has(setup, "ERRMAXL") ? kLongWordMax : kWordMax;
  int all = SetMaximum(setup, "ERR_speed", speed ? std::optional(kWordMax * *speed) : std::nullopt);
  all &= SetMaximum(setup, "ERR_position", position ? std::optional(positionMax * *position) : std::nullopt);
  all &= LimitControlErrorTimes(setup);
  return all;
}

int LimitTestMotion(CVX_Setup& setup) {
  const auto ts = SlowLoopPeriod(setup);
  const auto position = PerDriveUnit(PositionScale(setup));
  const auto ramp_s = Min(Base(setup, "TaPP"), Base(setup, "TaNP"));
  std::optional<double> positionExtent;
  if (ts && position && ramp_s) positionExtent = *ramp_s / *ts * kWordMax * *position;
  const auto speed = PerDriveUnit(SpeedScale(setup));
  const auto speedExtent = Min(Base(setup, "Limit_Speed"), speed ? std::optional(kWordMax * *speed) : std::nullopt);

  int all = SetSymmetric(setup, "TestPosition", positionExtent);
  all &= SetSymmetric(setup, "TestSpeed", speedExtent);
  return all;
}

int LimitAnalogueReference(CVX_Setup& setup) {
  if (!HasAnalogueReference(setup)) return 1;
  int all = LimitAnalogueFilter(setup);
  all &= LimitDeadBand(setup);
  all &= LimitAnalogueRanges(setup);
  return all;
}

int LimitElectricAngleCurrent(CVX_Setup& setup) {
  if (!Has(setup, "KPTHT")) return 1;
  return LimitMaxCurrent(setup);
}

int LimitExtendedMicrosteps(CVX_Setup& setup) {
  if (!OptionSet(setup, "ExtendedMicroSteps")) return 1;
  return LimitMicrosteps(setup);
}

int LimitSerialSensorOffset(CVX_Setup& setup) {
  if (!HasSerialMotorSensor(setup)) return 1;
  return LimitSsiOffset(setup);
}

int LimitBiquadFilterCorners(CVX_Setup& setup) {
  if (!Has(setup, "IQREF_BQ_INI")) return 1;
  return LimitBiquadCorners(setup);
}

void RunLimitsUpdate(CVX_Setup& setup) {
  for (auto step : {LimitControlErrors, LimitBandwidths, LimitTestMoveTimes, LimitTestMotion, LimitAnalogueReference,
                    LimitElectricAngleCurrent, LimitExtendedMicrosteps, LimitSerialSensorOffset,
                    LimitBiquadFilterCorners})
    step(setup);
}

}  // namespace engine
