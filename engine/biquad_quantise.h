#pragma once

#include <cstdint>

#include "engine/biquad_design.h"

// The two forms in which the drive takes biquad coefficients. Pure
// arithmetic: no setup, no kernel.
namespace engine {

// Fixed point: signed 32-bit fractions, coefficient c held as
// c / sf * 2^31, with sf a power of two above every |c|.
struct FixedBiquad {
  int64_t b0 = 0;
  int64_t b1 = 0;
  int64_t b2 = 0;
  int64_t a1 = 0;
  int64_t a2 = 0;
  double sf = 1.0;
};

// Floating point: each coefficient's IEEE-754 single-precision bit pattern,
// read as a signed 32-bit integer.
struct FloatBiquad {
  int32_t b0 = 0;
  int32_t b1 = 0;
  int32_t b2 = 0;
  int32_t a1 = 0;
  int32_t a2 = 0;
};

// The smallest power of two strictly above `largest`, and at least 1: the
// fractions then stay below 1 in magnitude (1 gives 2, 1.5 gives 2, 2 gives
// 4). `largest` must be finite and not negative.
double BiquadScaleFactor(double largest);

// Rounds each coefficient to the nearest count, then restores the designed
// gain at zero frequency that rounding has moved: for kUnity b0 takes up the
// difference, so a constant signal leaves the filter unscaled; for kZero b1
// makes the numerator sum exactly 0, so a high pass or band pass blocks a
// constant completely. kOther keeps the rounded counts.
FixedBiquad QuantiseFixed(const BiquadCoefficients& c, DcGain dc);

// The same in single precision: each coefficient rounded to float, the gain
// at zero frequency restored in float arithmetic, and the bit patterns.
FloatBiquad QuantiseFloat(const BiquadCoefficients& c, DcGain dc);

// The bit pattern of a single-precision value, and back.
int32_t FloatBits(float value);
float FloatFromBits(int32_t bits);

// The coefficients the drive runs, for checking a response.
BiquadCoefficients Dequantise(const FixedBiquad& q);
BiquadCoefficients Dequantise(const FloatBiquad& q);

}  // namespace engine
