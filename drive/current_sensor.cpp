#include "drive/current_sensor.h"

#include <algorithm>
#include <cmath>

namespace drive {

CurrentSensor::CurrentSensor(const CurrentSensorParams& params)
    : params_(params),
      counts_per_A_(params.adc_max_counts / (2.0 * params.full_scale_A)),
      noise_(params.seed) {
  const double span = static_cast<double>(params.adc_max_counts) + 1.0;
  const double levels = std::ldexp(1.0, std::clamp(params.converter_bits, 1, 31));
  step_counts_ = std::max<std::int32_t>(1, static_cast<std::int32_t>(std::lround(span / levels)));
  // Largest multiple of the step inside half the range, so both ends clip alike.
  limit_counts_ = (params.adc_max_counts / 2) / step_counts_ * step_counts_;
}

std::int32_t CurrentSensor::Measure_counts(double current_A) {
  double sensed_A = current_A;
  if (params_.noise_rms_A > 0.0) sensed_A += params_.noise_rms_A * noise_.Next();
  const double steps = std::round(sensed_A * counts_per_A_ / step_counts_);
  const double counts = std::clamp(steps * step_counts_, -static_cast<double>(limit_counts_),
                                   static_cast<double>(limit_counts_));
  return static_cast<std::int32_t>(counts);
}

}  // namespace drive
