#pragma once

#include <cstdint>
#include <optional>

// The fixed-point encodings by which the drive's 16-bit registers hold real
// values. Pure arithmetic: no setup, no kernel. Results are the doubles the
// register functions store; the kernel rounds them when a register is an
// integer type.
namespace engine {

// Largest positive signed 16-bit value: the full scale of every fraction and
// mantissa. Nothing here uses 32768 or 65536 as full scale.
inline constexpr double kFullScale = 32767.0;

// Largest values the gain encodings can represent (the limits of their user
// parameters): a scaled gain shifts by at most 14, a split-shift gain by 22.
inline constexpr double kScaledGainMax = 16384.0;       // 2^14
inline constexpr double kSplitShiftGainMax = 4194304.0;  // 2^22

// A first-order filter coefficient of full scale means "no filtering".
inline constexpr double kFilterOffCount = kFullScale;

// The low shift register of the split-shift gain holds at most 11; the rest
// of the exponent goes to the high one.
inline constexpr int kSplitShiftLowMax = 11;

// 0 for x <= 1, otherwise the smallest n with 2^n >= x. x must be finite.
int Shift(double x);

// Scaled gain: x = mantissa * 2^shift / 32767, mantissa in (16383.5, 32767]
// once x > 1.
struct ScaledGain {
  double mantissa;
  int shift;
};
ScaledGain EncodeScaledGain(double x);
double DecodeScaledGain(double mantissa, double shift);

// Split-shift gain: one mantissa, the exponent split over two registers.
struct SplitShiftGain {
  double mantissa;
  int shiftLow;   // min(shift, 11)
  int shiftHigh;  // shift beyond 11
};
SplitShiftGain EncodeSplitShiftGain(double x);
double DecodeSplitShiftGain(double mantissa, double shiftLow, double shiftHigh);

// Ranged mantissa: the mantissa carries the value itself and the shift
// starts only above full scale.
struct RangedMantissa {
  double mantissa;
  int shift;
};
RangedMantissa EncodeRangedMantissa(double y);
double DecodeRangedMantissa(double mantissa, double shift);

// Q15 fraction: f in [0, 1] as f * 32767.
double EncodeQ15(double fraction);
double DecodeQ15(double count);

// First-order low-pass coefficient of corner w (rad/s) at period T (s):
// (1 - e^(-w T)) * 32767, not rounded.
double FilterCoefficient(double corner_rad_s, double period_s);
// The exact inverse, -ln(1 - c / 32767) / T; nullopt when not finite.
std::optional<double> FilterCorner(double count, double period_s);
// For a register that truncates the coefficient: the corner of the middle of
// count c's interval [c, c + 1), so that encoding it and truncating gives c
// again. The exact inverse lands on the interval's lower edge, where the
// rounding of ln and exp falls below c about once in six counts.
std::optional<double> FilterCornerForTruncated(double count, double period_s);

// Word split of a 32-bit quantity into two 16-bit registers: the value is
// truncated toward zero to int32; high = arithmetic shift right by 16, low =
// the low 16 bits, unsigned. nullopt when v is not finite or outside int32.
struct WordSplit {
  int32_t high;
  uint32_t low;
};
std::optional<WordSplit> SplitWord(double v);

// v rounded to the nearest integer when it lies within a few rounding errors
// of one: a product that is an integer in exact arithmetic, computed through
// a quotient, must not lose a count when truncated.
double SnapToInteger(double v);

// Exponent register: log2(2048 / microsteps) - 1, not rounded; an integer for
// a power-of-two microstep count. nullopt when not finite (0 microsteps).
std::optional<double> ExponentRegister(double microsteps);

}  // namespace engine
