#include "commissioning/encoder_resolution_estimate.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "kernel/resolution.h"

namespace commissioning {
namespace {

std::string NonStandardText(double lines, int nearest, double error) {
  return fmt::format(
      "The encoder counted {0:.0f} lines in one revolution of the motor, which is no standard encoder resolution: "
      "the nearest, {1}, lies farther than the {2:.0f} lines this test can be off.\nIf the encoder has {0:.0f} lines, "
      "enter them by hand. Otherwise the motor did not turn one whole revolution with the field: check the motor "
      "phase connections and the number of motor steps, or try to increase the test current.",
      lines, nearest, error);
}

std::string AmbiguousText(double lines, int one, int other, int electricalCycles) {
  return fmt::format(
      "The encoder counted {:.0f} lines in one revolution of the motor: with {} electrical cycles to the revolution "
      "the test cannot tell the standard resolutions {} and {} apart. Enter the encoder's lines by hand.",
      lines, electricalCycles, std::min(one, other), std::max(one, other));
}

}  // namespace

double EncoderLinesError(double measuredLines, int electricalCycles) {
  return std::fabs(measuredLines) / (4.0 * std::max(1, electricalCycles)) + 1.0;
}

Result<int> EstimateEncoderLines(double finalCount, bool moved, int electricalCycles, const CResolution& standards) {
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
  // A few edges are no revolution of any encoder.
  if (lines < standards.GetResolution(0) / 2.0) return Failure{std::string(kResolutionNoMotionText)};
  // The nearest standard is the encoder's only when the measurement cannot
  // be that far off: a 1100-line encoder is not a 1000-line one.
  const double measured = finalCount / 4.0;
  const double error = EncoderLinesError(measured, electricalCycles);
  if (std::fabs(measured - best) > error) return Failure{NonStandardText(measured, best, error)};
  for (int k = 0; k < standards.GetResolutionCount(); ++k) {
    const int other = standards.GetResolution(k);
    if (other != best && std::fabs(measured - other) <= error) {
      return Failure{AmbiguousText(measured, best, other, electricalCycles)};
    }
  }
  return best;
}

}  // namespace commissioning
