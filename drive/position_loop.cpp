#include "drive/position_loop.h"

namespace drive {

namespace {
// The drive holds the position error in 32 bits.
constexpr std::int64_t kErrorLimit = INT32_MAX;
}  // namespace

void PositionLoop::Reset() {
  integral_q16_ = 0;
  previous_error_ = 0;
  derivative_q16_ = 0;
  first_ = true;
}

std::int64_t PositionLoop::Step(std::int64_t reference_counts, std::int64_t measured_counts,
                                std::int64_t reference_speed_q16) {
  const std::int64_t error = Clamp(reference_counts - measured_counts, kErrorLimit);
  // The first sample has no previous error; a jump from 0 would kick the
  // derivative by the whole standing error.
  if (first_) previous_error_ = error;
  first_ = false;

  const std::int64_t integral_limit = LimitOfSaturation(regs_.imaxp) * kQ16One;
  integral_q16_ = Clamp(integral_q16_ + regs_.ki.Apply(error * kQ16One), integral_limit);

  const std::int64_t raw_derivative = regs_.kd.Apply((error - previous_error_) * kQ16One);
  previous_error_ = error;
  // First-order low-pass: moves KDFP/32767 of the way to the new value.
  derivative_q16_ += ScaledGain{.mantissa = std::clamp<std::int64_t>(regs_.kdfp, 0, kGainFullScale), .shift = 0}
                         .Apply(raw_derivative - derivative_q16_);

  const std::int64_t sum = regs_.kp.Apply(error * kQ16One) + integral_q16_ + derivative_q16_ +
                           regs_.kffs.Apply(reference_speed_q16);
  return Clamp(sum, LimitOfSaturation(regs_.satp) * kQ16One);
}

}  // namespace drive
