#include "drive/voltage_mode.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace drive {

double VoltageModeAmplitude_counts(double offset_counts, double komega, double rate_microsteps_per_sample,
                                   double limit_counts) {
  return std::clamp(offset_counts + komega * std::abs(rate_microsteps_per_sample), 0.0, limit_counts);
}

double LargestSpeedConstant(double offset_counts, double rate_microsteps_per_sample, double limit_counts) {
  const double rate = std::abs(rate_microsteps_per_sample);
  if (rate == 0.0) return std::numeric_limits<double>::infinity();
  return std::max(0.0, (limit_counts - offset_counts) / rate);
}

}  // namespace drive
