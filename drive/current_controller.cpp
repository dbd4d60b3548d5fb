#include "drive/current_controller.h"

#include <algorithm>
#include <cmath>

namespace drive {
namespace {

ScaledGain GainOf(const NamedValues& registers, std::string_view mantissa, std::string_view shift) {
  return {std::clamp<std::int64_t>(std::llround(registers.Get(mantissa)), 0, kGainFullScale),
          std::clamp(static_cast<int>(std::lround(registers.Get(shift))), 0, 14)};
}

std::int64_t SaturationLimit(const NamedValues& registers, std::string_view name) {
  const double reg = registers.Get(name, registers.Get("SATPWM", 0.0));
  return LimitOfSaturation(std::llround(reg));
}

}  // namespace

void CurrentController::Configure(const NamedValues& registers) {
  kp_ = GainOf(registers, "KPI", "SFTKPI");
  ki_ = GainOf(registers, "KII", "SFTKII");
  filter_ = std::clamp<std::int64_t>(std::llround(registers.Get("FILTERQ", kFullScale)), 0, kFullScale);
  alpha_.limit = SaturationLimit(registers, "SATID");
  beta_.limit = SaturationLimit(registers, "SATIQ");
}

void CurrentController::Reset() {
  alpha_.integral_q16 = alpha_.filtered_q16 = 0;
  beta_.integral_q16 = beta_.filtered_q16 = 0;
}

std::int64_t CurrentController::StepAxis(Axis& axis, double reference, double measured) const {
  const std::int64_t error = Clamp(std::llround(reference) - std::llround(measured), kFullScale);
  const std::int64_t limit_q16 = axis.limit * kQ16One;
  // The integral stops at the output limit, so a saturated loop recovers
  // as soon as the error changes sign.
  axis.integral_q16 = Clamp(axis.integral_q16 + ki_.Apply(error * kQ16One), limit_q16);
  const std::int64_t output_q16 = Clamp(kp_.Apply(error * kQ16One) + axis.integral_q16, limit_q16);
  axis.filtered_q16 += (output_q16 - axis.filtered_q16) * filter_ / kFullScale;
  return axis.filtered_q16 >> kFractionBits;
}

StatorVector CurrentController::Step(const StatorVector& reference_counts, const StatorVector& measured_counts) {
  return {static_cast<double>(StepAxis(alpha_, reference_counts.alpha, measured_counts.alpha)),
          static_cast<double>(StepAxis(beta_, reference_counts.beta, measured_counts.beta))};
}

}  // namespace drive
