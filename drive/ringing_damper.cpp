#include "drive/ringing_damper.h"

#include <algorithm>
#include <numbers>

namespace drive {

RingingDamper::RingingDamper(double counts_per_cycle, double fast_period_s)
    : counts_per_cycle_(std::max(1e-9, counts_per_cycle)), fast_period_s_(fast_period_s) {}

double RingingDamper::Lead(std::int64_t position) {
  const double step_counts = last_position_ ? static_cast<double>(position - *last_position_) : 0.0;
  last_position_ = position;
  const double speed = step_counts / counts_per_cycle_ * 2 * std::numbers::pi / fast_period_s_;
  speed_rad_s_ += kSpeedFilter * (speed - speed_rad_s_);
  return std::clamp(kDamping_s * speed_rad_s_, -kMaxLead_rad, kMaxLead_rad);
}

}  // namespace drive
