#include "drive/current_sensor.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace drive {

CurrentSensor::CurrentSensor(const CurrentSensorParams& params)
    : params_(params),
      counts_per_A_(params.adc_max_counts / (2.0 * params.full_scale_A)),
      rng_(params.seed) {
  const double span = static_cast<double>(params.adc_max_counts) + 1.0;
  const double levels = std::ldexp(1.0, std::clamp(params.converter_bits, 1, 31));
  step_counts_ = std::max<std::int32_t>(1, static_cast<std::int32_t>(std::lround(span / levels)));
  // Largest multiple of the step inside half the range, so both ends clip alike.
  limit_counts_ = (params.adc_max_counts / 2) / step_counts_ * step_counts_;
}

double CurrentSensor::Gaussian() {
  // Own Box-Muller on raw 64-bit draws: std::normal_distribution differs
  // between standard libraries, which would break bit-for-bit repeatability.
  if (has_spare_) {
    has_spare_ = false;
    return spare_;
  }
  constexpr double kTwoTo53 = 9007199254740992.0;
  const double u1 = (static_cast<double>(rng_() >> 11) + 1.0) / (kTwoTo53 + 1.0);  // (0, 1]
  const double u2 = static_cast<double>(rng_() >> 11) / kTwoTo53;                  // [0, 1)
  const double radius = std::sqrt(-2.0 * std::log(u1));
  spare_ = radius * std::sin(2 * std::numbers::pi * u2);
  has_spare_ = true;
  return radius * std::cos(2 * std::numbers::pi * u2);
}

std::int32_t CurrentSensor::Measure_counts(double current_A) {
  double sensed_A = current_A;
  if (params_.noise_rms_A > 0.0) sensed_A += params_.noise_rms_A * Gaussian();
  const double steps = std::round(sensed_A * counts_per_A_ / step_counts_);
  const double counts = std::clamp(steps * step_counts_, -static_cast<double>(limit_counts_),
                                   static_cast<double>(limit_counts_));
  return static_cast<std::int32_t>(counts);
}

}  // namespace drive
