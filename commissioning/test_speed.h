#pragma once

#include <optional>

// The speed tuning test's speed as the drive can run it: a whole number of
// internal speed units, or of 1/65536 units when the firmware estimates the
// speed between encoder counts ("isSpeedEstimator").
namespace commissioning {

struct QuantisedSpeed {
  double internal;  // what the profile runs, never 0
  double base;      // what "TestSpeed" shows
};

// `internalPerBase`: internal speed units per base unit of "TestSpeed". A
// speed that rounds to 0 becomes the smallest step with its sign (+ for
// 0 itself), so that the test always moves. nullopt, leaving "TestSpeed"
// as it was, when the speed is not finite or the scale is 0 or not finite.
std::optional<QuantisedSpeed> QuantiseTestSpeed(double speed_base, double internalPerBase, bool speedEstimator);

}  // namespace commissioning
