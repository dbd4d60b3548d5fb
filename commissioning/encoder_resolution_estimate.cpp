#include "commissioning/encoder_resolution_estimate.h"

#include <cmath>
#include <limits>
#include <string>

#include "kernel/resolution.h"

namespace commissioning {
namespace {

// Standard counts lie at least 2.4 % apart (1000 and 1024); a turn counted
// within a tenth of one is that one.
constexpr double kStandardTolerance = 0.1;

}  // namespace

Result<int> EstimateEncoderLines(double finalCount, bool moved, const CResolution& standards) {
  if (!std::isfinite(finalCount)) return Failure{std::string(kResolutionNoMotionText)};
  // Four quadrature edges per line; a count beyond an int's range is no
  // encoder's.
  const double lines = std::trunc(finalCount / 4.0);
  const int magnitude = static_cast<int>(std::min(std::fabs(lines), double{std::numeric_limits<int>::max()}));
  const int best = standards.FindBestResolution(magnitude);
  double count = finalCount;
  if (count <= 0.0 && best == standards.GetResolution(0)) count = 0.0;
  if (count == 0.0) return Failure{std::string(kResolutionNoMotionText)};
  if (count < 0.0 || !moved) return Failure{std::string(kResolutionWrongDirectionText)};
  // A count far from every standard is no whole turn of an encoder (the
  // rotor did not follow the field): reporting the nearest would be a
  // wrong value.
  if (std::fabs(lines - best) > kStandardTolerance * best) return Failure{std::string(kResolutionNoMotionText)};
  return best;
}

}  // namespace commissioning
