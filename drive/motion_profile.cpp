#include "drive/motion_profile.h"

#include <cmath>
#include <string>

namespace drive {

MotionProfile::MotionProfile(const NamedValues& program_variables) {
  for (int i = 0; i < kSegments; ++i) {
    counts_[i] = static_cast<std::int64_t>(program_variables.Get("a" + std::to_string(i)));
    // The drive keeps the increment as 16.16; the kernel hands it over as
    // the value it stands for.
    increments_q16_[i] = std::llround(program_variables.Get("b" + std::to_string(i)) * 65536.0);
  }
  repeat_ = program_variables.Get("MultiC") != 0;
}

bool MotionProfile::Step() {
  bool any = false;
  for (auto c : counts_) any = any || c > 0;
  if (!any) {
    increment_q16_ = 0;
    return false;
  }
  while (segment_ < kSegments && done_in_segment_ >= counts_[segment_]) {
    ++segment_;
    done_in_segment_ = 0;
    if (segment_ == kSegments && repeat_) {
      // Each pass ends where the profile started (the tests build it so),
      // and the next pass starts from there.
      segment_ = 0;
    }
  }
  if (segment_ >= kSegments) {
    increment_q16_ = 0;
    return false;
  }
  increment_q16_ = increments_q16_[segment_];
  reference_q16_ += increment_q16_;
  ++done_in_segment_;
  return true;
}

}  // namespace drive
