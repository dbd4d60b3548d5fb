#include "drive/encoder_incremental.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace drive {

namespace {
constexpr double kTwoPi = 2.0 * std::numbers::pi;
}

IncrementalEncoder::IncrementalEncoder(const IncrementalEncoderParams& params) : params_(params) {}

std::int64_t IncrementalEncoder::EdgesBelow(double shaft_angle_rad) const {
  return static_cast<std::int64_t>(std::floor(shaft_angle_rad / kTwoPi * counts_per_rev()));
}

void IncrementalEncoder::Reset(double shaft_angle_rad) { zero_edges_ = EdgesBelow(shaft_angle_rad); }

std::int64_t IncrementalEncoder::Count(double shaft_angle_rad, bool reverse_counting) const {
  const std::int64_t edges = EdgesBelow(shaft_angle_rad) - zero_edges_;
  std::int64_t counted = 0;
  switch (params_.fault) {
    case QuadratureFault::None:
      counted = edges;
      break;
    case QuadratureFault::NoPulses:
      counted = 0;
      break;
    case QuadratureFault::MissingChannel:
      // With B stuck, every A edge looks like a step forward and the next
      // like a step back: the counter toggles between 0 and 1.
      counted = ((edges / 2) % 2 != 0) ? 1 : 0;
      break;
  }
  const bool flip = params_.reversed != reverse_counting;
  return flip ? -counted : counted;
}

bool IncrementalEncoder::IndexBetween(double from_rad, double to_rad) const {
  if (!params_.has_index || params_.fault != QuadratureFault::None) return false;
  const double lo = std::min(from_rad, to_rad) - params_.index_angle_rad;
  const double hi = std::max(from_rad, to_rad) - params_.index_angle_rad;
  // Marks sit at k · 2π: one lies in (lo, hi] when the turn counts differ.
  return std::floor(hi / kTwoPi) != std::floor(lo / kTwoPi);
}

}  // namespace drive
