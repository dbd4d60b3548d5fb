#pragma once

#include <array>
#include <cstdint>

#include "drive/named_values.h"

namespace drive {

// The reference profile of the tuning programs: six segments, each a number
// of slow-loop samples ("a0".."a5") and a constant increment of the
// reference per sample ("b0".."b5", 16.16 fixed point), run once or, with
// "MultiC" 1, over and over.
class MotionProfile {
 public:
  static constexpr int kSegments = 6;

  // Reads the segments from a program's variables.
  explicit MotionProfile(const NamedValues& program_variables);

  // Advances one slow-loop sample. Returns false once a single run is over
  // (the reference then stays where it ended).
  bool Step();

  // The reference and its increment in this sample, 16 fraction bits.
  std::int64_t reference_q16() const { return reference_q16_; }
  std::int64_t increment_q16() const { return increment_q16_; }

 private:
  std::array<std::int64_t, kSegments> counts_{};
  std::array<std::int64_t, kSegments> increments_q16_{};
  bool repeat_ = false;
  int segment_ = 0;
  std::int64_t done_in_segment_ = 0;
  std::int64_t reference_q16_ = 0;
  std::int64_t increment_q16_ = 0;
};

}  // namespace drive
