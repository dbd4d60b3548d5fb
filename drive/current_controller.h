#pragma once

#include <cstdint>

#include "drive/drive_program.h"
#include "drive/loop_gain.h"

namespace drive {

// The fast-loop current controller as the drive computes it: a PI per axis
// of the stator frame in integer arithmetic, from the gain registers
// ("KPI"/"SFTKPI", "KII"/"SFTKII"), the output saturations ("SATID" for
// alpha, "SATIQ" for beta, each "SATPWM" when absent) and the first-order
// output filter ("FILTERQ", 32767: none).
class CurrentController {
 public:
  void Configure(const NamedValues& registers);
  void Reset();

  // One sample: reference and measurement in converter counts, result in
  // voltage counts.
  StatorVector Step(const StatorVector& reference_counts, const StatorVector& measured_counts);

 private:
  struct Axis {
    std::int64_t integral_q16 = 0;  // 16 fraction bits: a gain below one count must still integrate
    std::int64_t filtered_q16 = 0;
    std::int64_t limit = kFullScale;
  };
  std::int64_t StepAxis(Axis& axis, double reference, double measured) const;

  ScaledGain kp_;
  ScaledGain ki_;
  std::int64_t filter_ = kFullScale;
  Axis alpha_;
  Axis beta_;
};

}  // namespace drive
