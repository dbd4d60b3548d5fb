#include "engine/encodings.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace engine {
namespace {

constexpr double kInt32Min = -2147483648.0;
constexpr double kInt32Max = 2147483647.0;

// The exponent register counts from 2048 microsteps per step.
constexpr double kExponentBaseMicrosteps = 2048.0;

// A few rounding errors of the four or five operations behind a computed
// product; far below one count for any 32-bit register value.
constexpr double kSnapRelativeTolerance = 1e-12;

}  // namespace

int Shift(double x) {
  if (!(x > 1.0)) return 0;
  if (std::isinf(x)) return std::numeric_limits<double>::max_exponent;
  // Read off the binary exponent rather than rounding a logarithm: exact at
  // and next to every power of two, so 2^n gives n and the full-scale
  // mantissa, and one step above it gives n + 1.
  int exponent = 0;
  const double fraction = std::frexp(x, &exponent);  // x = fraction * 2^exponent, fraction in [0.5, 1)
  return fraction == 0.5 ? exponent - 1 : exponent;
}

ScaledGain EncodeScaledGain(double x) {
  const int shift = Shift(x);
  return {x * kFullScale / std::exp2(shift), shift};
}

double DecodeScaledGain(double mantissa, double shift) { return mantissa * std::exp2(shift) / kFullScale; }

SplitShiftGain EncodeSplitShiftGain(double x) {
  const int shift = Shift(x);
  return {x * kFullScale / std::exp2(shift), std::min(shift, kSplitShiftLowMax),
          shift > kSplitShiftLowMax ? shift - kSplitShiftLowMax : 0};
}

double DecodeSplitShiftGain(double mantissa, double shiftLow, double shiftHigh) {
  return mantissa * std::exp2(shiftHigh + shiftLow) / kFullScale;
}

RangedMantissa EncodeRangedMantissa(double y) {
  const int shift = y <= kFullScale ? 0 : Shift(y / kFullScale);
  return {y / std::exp2(shift), shift};
}

double DecodeRangedMantissa(double mantissa, double shift) { return mantissa * std::exp2(shift); }

double EncodeQ15(double fraction) { return fraction * kFullScale; }

double DecodeQ15(double count) { return count / kFullScale; }

double FilterCoefficient(double corner_rad_s, double period_s) {
  return (1.0 - std::exp(-corner_rad_s * period_s)) * kFullScale;
}

std::optional<double> FilterCorner(double count, double period_s) {
  const double corner = -std::log(1.0 - count / kFullScale) / period_s;
  if (!std::isfinite(corner)) return std::nullopt;
  return corner;
}

std::optional<double> FilterCornerForTruncated(double count, double period_s) {
  // Below zero (a negative corner, outside every corner's limits) and at or
  // above full scale (no finite corner) the exact inverse answers as it is.
  if (count < 0.0 || count >= kFullScale) return FilterCorner(count, period_s);
  return FilterCorner(std::floor(count) + 0.5, period_s);
}

std::optional<WordSplit> SplitWord(double v) {
  if (!std::isfinite(v)) return std::nullopt;
  const double truncated = std::trunc(v);
  if (truncated < kInt32Min || truncated > kInt32Max) return std::nullopt;
  const auto word = static_cast<int32_t>(truncated);
  return WordSplit{word >> 16, static_cast<uint32_t>(word) & 0xFFFFu};
}

double SnapToInteger(double v) {
  const double nearest = std::round(v);
  if (std::fabs(v - nearest) <= kSnapRelativeTolerance * std::max(1.0, std::fabs(v))) return nearest;
  return v;
}

std::optional<double> ExponentRegister(double microsteps) {
  const double exponent = std::log2(kExponentBaseMicrosteps / microsteps) - 1.0;
  if (!std::isfinite(exponent)) return std::nullopt;
  return exponent;
}

}  // namespace engine
