#include "drive/rotor_following.h"

#include <algorithm>
#include <cmath>

namespace drive {
namespace {

// A rotor that followed shows quarter-revolution lags within a tenth of a
// cycle of each other under the program's gentle profile (its lag grows
// with the acceleration, its ringing averages out); one lost cycle moves
// them half a cycle apart at the least.
constexpr double kAllowedDriftCycles = 0.25;

}  // namespace

void FieldFollowing::Add(double field_cycles, std::int64_t count, int cycles) {
  if (cycles <= 0) return;
  const int part = std::clamp(static_cast<int>(field_cycles / cycles * kParts), 0, kParts - 1);
  parts_[static_cast<std::size_t>(part)].field_sum += field_cycles;
  parts_[static_cast<std::size_t>(part)].count_sum += static_cast<double>(count);
  ++parts_[static_cast<std::size_t>(part)].readings;
}

bool FieldFollowing::Followed(double final_count, int cycles) const {
  if (cycles <= 0) return false;
  const double per_cycle = final_count / cycles;
  if (std::abs(per_cycle) < 2.0) return false;
  double lowest = 0.0;
  double highest = 0.0;
  for (int k = 0; k < kParts; ++k) {
    const Part& part = parts_[static_cast<std::size_t>(k)];
    if (part.readings == 0) return false;
    const auto n = static_cast<double>(part.readings);
    const double lag = part.field_sum / n - part.count_sum / n / per_cycle;
    lowest = k == 0 ? lag : std::min(lowest, lag);
    highest = k == 0 ? lag : std::max(highest, lag);
  }
  return highest - lowest <= kAllowedDriftCycles;
}

void RestingCount::Add(std::int64_t count) {
  lowest_ = any_ ? std::min(lowest_, count) : count;
  highest_ = any_ ? std::max(highest_, count) : count;
  any_ = true;
}

double RestingCount::value() const {
  return any_ ? (static_cast<double>(lowest_) + static_cast<double>(highest_)) / 2 : 0.0;
}

}  // namespace drive
