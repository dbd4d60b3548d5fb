#include "engine/biquad_quantise.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace engine {
namespace {

// One count of a fraction register is 2^-31 of the scale factor.
constexpr double kFractionCounts = 2147483648.0;  // 2^31

int64_t Count(double c, double sf) { return static_cast<int64_t>(std::floor(c / sf * kFractionCounts + 0.5)); }

}  // namespace

double BiquadScaleFactor(double largest) {
  // largest = m * 2^e with m in [0.5, 1), so 2^e is the smallest power of two
  // strictly above it; read off the exponent rather than rounding a log2.
  int exponent = 0;
  std::frexp(largest, &exponent);
  return exponent > 0 ? std::ldexp(1.0, exponent) : 1.0;
}

FixedBiquad QuantiseFixed(const BiquadCoefficients& c, DcGain dc) {
  const double largest =
      std::max({std::fabs(c.b0), std::fabs(c.b1), std::fabs(c.b2), std::fabs(c.a1), std::fabs(c.a2)});
  FixedBiquad q;
  q.sf = BiquadScaleFactor(largest);
  q.b0 = Count(c.b0, q.sf);
  q.b1 = Count(c.b1, q.sf);
  q.b2 = Count(c.b2, q.sf);
  q.a1 = Count(c.a1, q.sf);
  q.a2 = Count(c.a2, q.sf);
  if (dc == DcGain::kUnity) {
    // Unit gain at z = 1 means b0 + b1 + b2 = 1 + a1 + a2, and 1 is
    // 2^31 / sf counts.
    const double one = kFractionCounts / q.sf;
    if (static_cast<double>(q.b0 + q.b1 + q.b2 - q.a1 - q.a2) != one)
      q.b0 = static_cast<int64_t>(std::floor(one - static_cast<double>(q.b1 + q.b2 - q.a1 - q.a2) + 0.5));
  } else if (dc == DcGain::kZero) {
    // b0 and b2 round alike (a high pass has b0 = b2, a band pass b0 = -b2),
    // so b1 moves by at most one count; a high pass keeps its double zero.
    q.b1 = -(q.b0 + q.b2);
  }
  return q;
}

FloatBiquad QuantiseFloat(const BiquadCoefficients& c, DcGain dc) {
  float b0 = static_cast<float>(c.b0);
  float b1 = static_cast<float>(c.b1);
  const float b2 = static_cast<float>(c.b2);
  const float a1 = static_cast<float>(c.a1);
  const float a2 = static_cast<float>(c.a2);
  if (dc == DcGain::kUnity) {
    if (b0 + b1 + b2 - a1 - a2 != 1.0f) b0 = 1.0f - b1 - b2 + a1 + a2;
  } else if (dc == DcGain::kZero) {
    b1 = -(b0 + b2);
  }
  return {FloatBits(b0), FloatBits(b1), FloatBits(b2), FloatBits(a1), FloatBits(a2)};
}

int32_t FloatBits(float value) { return std::bit_cast<int32_t>(value); }

float FloatFromBits(int32_t bits) { return std::bit_cast<float>(bits); }

BiquadCoefficients Dequantise(const FixedBiquad& q) {
  const double unit = q.sf / kFractionCounts;
  return {static_cast<double>(q.b0) * unit, static_cast<double>(q.b1) * unit, static_cast<double>(q.b2) * unit,
          static_cast<double>(q.a1) * unit, static_cast<double>(q.a2) * unit};
}

BiquadCoefficients Dequantise(const FloatBiquad& q) {
  return {FloatFromBits(q.b0), FloatFromBits(q.b1), FloatFromBits(q.b2), FloatFromBits(q.a1), FloatFromBits(q.a2)};
}

}  // namespace engine
