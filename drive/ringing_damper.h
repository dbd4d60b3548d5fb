#pragma once

#include <cstdint>
#include <optional>

// A rotor held by a current at a fixed field angle rings about it for a
// long time: the current controller takes away the damping the back-EMF
// would give, and only bearing friction is left. With a position sensor of
// known counts per electrical cycle the drive damps it by leading the field
// against the rotor's measured motion, as a brake would.
//
// The speed is filtered to about 200 rad/s (at a 10 kHz fast loop): a slow
// ringing of a heavy rotor gets the lead's damping; a fast one sees the
// lead late and small, where it only stiffens the hold. The lead stays well
// inside a quarter cycle, beyond which it would push instead of brake.
namespace drive {

class RingingDamper {
 public:
  static constexpr double kDamping_s = 2e-3;
  static constexpr double kMaxLead_rad = 0.4;
  static constexpr double kSpeedFilter = 0.02;  // per fast sample

  RingingDamper(double counts_per_cycle, double fast_period_s);

  // The electrical angle (rad) to take off the field's angle in this fast
  // sample, from the sensor's position now.
  double Lead(std::int64_t position);
  // The filtered electrical speed, rad/s.
  double speed_rad_s() const { return speed_rad_s_; }

 private:
  double counts_per_cycle_;
  double fast_period_s_;
  std::optional<std::int64_t> last_position_;
  double speed_rad_s_ = 0.0;
};

}  // namespace drive
