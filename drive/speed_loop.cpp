#include "drive/speed_loop.h"

namespace drive {

namespace {
// The error is a 32-bit speed with 16 fraction bits on the drive.
constexpr std::int64_t kErrorLimit_q16 = INT32_MAX;
}  // namespace

std::int16_t SpeedLoop::Step(std::int64_t reference_q16, std::int64_t measured_q16, std::int64_t acceleration_q16) {
  const std::int64_t error = Clamp(reference_q16 - measured_q16, kErrorLimit_q16);
  const std::int64_t integral_limit = LimitOfSaturation(regs_.imaxs) * kQ16One;
  integral_q16_ = Clamp(integral_q16_ + regs_.ki.Apply(error), integral_limit);

  const std::int64_t output_limit = LimitOfSaturation(regs_.sats) * kQ16One;
  const std::int64_t sum = regs_.kp.Apply(error) + integral_q16_ + regs_.kffa.Apply(acceleration_q16);
  // The sum of three clamped terms stays far inside 64 bits.
  const std::int64_t output = Clamp(sum, output_limit);
  return static_cast<std::int16_t>(output >> kFractionBits);
}

}  // namespace drive
