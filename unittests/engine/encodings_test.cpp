#include "engine/encodings.h"

#include <cmath>
#include <gtest/gtest.h>

namespace engine {
namespace {

TEST(Shift, ZeroUpToOneThenSmallestCoveringPower) {
  EXPECT_EQ(Shift(-3.0), 0);
  EXPECT_EQ(Shift(0.0), 0);
  EXPECT_EQ(Shift(1.0), 0);
  EXPECT_EQ(Shift(std::nextafter(1.0, 2.0)), 1);
  EXPECT_EQ(Shift(3.0), 2);
  for (int n = 1; n <= 62; ++n) {
    const double power = std::exp2(n);
    EXPECT_EQ(Shift(power), n) << "2^" << n;
    EXPECT_EQ(Shift(std::nextafter(power, 0.0)), n) << "just below 2^" << n;
    EXPECT_EQ(Shift(std::nextafter(power, INFINITY)), n + 1) << "just above 2^" << n;
  }
}

TEST(ScaledGain, EdgeValuesBeforeTheRegisterRounds) {
  struct Case {
    double x, mantissa;
    int shift;
  };
  for (const Case& c : {Case{0, 0, 0}, Case{0.5, 16383.5, 0}, Case{1, 32767, 0}, Case{1.5, 24575.25, 1},
                        Case{2, 32767, 1}, Case{3, 24575.25, 2}, Case{16384, 32767, 14}}) {
    const ScaledGain g = EncodeScaledGain(c.x);
    EXPECT_DOUBLE_EQ(g.mantissa, c.mantissa) << c.x;
    EXPECT_EQ(g.shift, c.shift) << c.x;
  }
  EXPECT_NEAR(DecodeScaledGain(24575, 2), 2.99997, 5e-6);
}

TEST(ScaledGain, MantissaStaysInTheUpperHalfAboveOne) {
  for (double x = 1.0001; x <= kScaledGainMax; x *= 1.0137) {
    const ScaledGain g = EncodeScaledGain(x);
    EXPECT_GT(g.mantissa, 16383.5) << x;
    EXPECT_LE(g.mantissa, kFullScale) << x;
    EXPECT_LE(g.shift, 14) << x;
    EXPECT_DOUBLE_EQ(DecodeScaledGain(g.mantissa, g.shift), x);
  }
}

TEST(SplitShiftGain, ExponentSpillsIntoTheHighRegisterBeyondEleven) {
  const SplitShiftGain g = EncodeSplitShiftGain(5000);
  EXPECT_EQ(g.shiftLow, 11);
  EXPECT_EQ(g.shiftHigh, 2);
  EXPECT_NEAR(g.mantissa, 19999.39, 0.005);

  const SplitShiftGain at2048 = EncodeSplitShiftGain(2048);
  EXPECT_EQ(at2048.shiftLow, 11);
  EXPECT_EQ(at2048.shiftHigh, 0);
  EXPECT_DOUBLE_EQ(at2048.mantissa, kFullScale);

  const SplitShiftGain top = EncodeSplitShiftGain(kSplitShiftGainMax);
  EXPECT_EQ(top.shiftLow, 11);
  EXPECT_EQ(top.shiftHigh, 11);
  EXPECT_DOUBLE_EQ(top.mantissa, kFullScale);

  const SplitShiftGain small = EncodeSplitShiftGain(0.25);
  EXPECT_EQ(small.shiftLow + small.shiftHigh, 0);
  EXPECT_DOUBLE_EQ(DecodeSplitShiftGain(g.mantissa, g.shiftLow, g.shiftHigh), 5000);
}

TEST(RangedMantissa, ShiftStartsOnlyAboveFullScale) {
  const RangedMantissa atFull = EncodeRangedMantissa(32767);
  EXPECT_EQ(atFull.shift, 0);
  EXPECT_DOUBLE_EQ(atFull.mantissa, 32767);

  const RangedMantissa span = EncodeRangedMantissa(40000);
  EXPECT_EQ(span.shift, 1);
  EXPECT_DOUBLE_EQ(span.mantissa, 20000);
  EXPECT_DOUBLE_EQ(DecodeRangedMantissa(span.mantissa, span.shift), 40000);

  EXPECT_EQ(EncodeRangedMantissa(32767.0 * 4).shift, 2);
  EXPECT_EQ(EncodeRangedMantissa(32767.0 * 4 + 1).shift, 3);
  EXPECT_EQ(EncodeRangedMantissa(-100000).shift, 0);
}

TEST(FilterCoefficient, CornerAndCoefficientInvertEachOther) {
  constexpr double kPeriod_s = 100e-6;
  EXPECT_DOUBLE_EQ(FilterCoefficient(0, kPeriod_s), 0);
  EXPECT_NEAR(FilterCoefficient(1000, kPeriod_s), (1 - std::exp(-0.1)) * 32767, 1e-9);
  for (double corner = 1; corner < 50000; corner *= 1.7)
    EXPECT_NEAR(*FilterCorner(FilterCoefficient(corner, kPeriod_s), kPeriod_s), corner, corner * 1e-9);
  EXPECT_FALSE(FilterCorner(kFullScale, kPeriod_s));
  EXPECT_FALSE(FilterCorner(40000, kPeriod_s));
  EXPECT_FALSE(FilterCorner(100, 0.0));
}

// The drive's register keeps the truncated coefficient; the corner shown for
// a count must truncate back to that count, for every count and period.
TEST(FilterCoefficient, TruncatedCountsSurviveTheirRecoveredCorner) {
  for (double period_s : {50e-6, 62.5e-6, 100e-6, 125e-6, 200e-6, 1e-3}) {
    int lost = 0;
    for (int count = 0; count < 32767; ++count) {
      const auto corner = FilterCornerForTruncated(count, period_s);
      ASSERT_TRUE(corner) << count;
      if (std::trunc(FilterCoefficient(*corner, period_s)) != count) ++lost;
    }
    EXPECT_EQ(lost, 0) << "period " << period_s;
  }
  EXPECT_FALSE(FilterCornerForTruncated(kFullScale, 100e-6));
}

TEST(WordSplit, HighWordKeepsTheSignLowWordIsUnsigned) {
  struct Case {
    double v;
    int32_t high;
    uint32_t low;
  };
  for (const Case& c : {Case{70000, 1, 4464}, Case{70000.9, 1, 4464}, Case{65535, 0, 65535}, Case{65536, 1, 0},
                        Case{0, 0, 0}, Case{-0.9, 0, 0}, Case{-1, -1, 65535}, Case{-70000, -2, 61072},
                        Case{-70000.9, -2, 61072}, Case{2147483647, 32767, 65535}, Case{-2147483648.0, -32768, 0}}) {
    const auto words = SplitWord(c.v);
    ASSERT_TRUE(words) << c.v;
    EXPECT_EQ(words->high, c.high) << c.v;
    EXPECT_EQ(words->low, c.low) << c.v;
    EXPECT_EQ(static_cast<double>(words->high) * 65536 + words->low, std::trunc(c.v)) << c.v;
  }
  EXPECT_FALSE(SplitWord(2147483648.0));
  EXPECT_FALSE(SplitWord(-2147483649.0));
  EXPECT_FALSE(SplitWord(NAN));
  EXPECT_FALSE(SplitWord(INFINITY));
}

TEST(WordSplit, IntegerProductsComputedThroughAPeriodKeepTheirLastCount) {
  // 4 * 21 * 1500 * 256 computed as (2 * 21 * 1500 / 60 MHz) * 2 * 60 MHz * 256
  // comes out a hair below the integer.
  const double period_s = 2.0 * 21 * 1500 / 60e6;
  const double v = period_s * 2.0 * 60e6 * 256;
  ASSERT_LT(v, 32256000.0);
  EXPECT_EQ(SnapToInteger(v), 32256000.0);
  EXPECT_EQ(SnapToInteger(0.5), 0.5);
  EXPECT_EQ(SnapToInteger(70000.9), 70000.9);
  EXPECT_EQ(SnapToInteger(-3.0000000000001), -3.0);
}

TEST(ExponentRegister, IntegerForEveryPowerOfTwoMicrostepCount) {
  EXPECT_EQ(*ExponentRegister(256), 2.0);
  EXPECT_EQ(*ExponentRegister(1), 10.0);
  for (int k = 0; k <= 9; ++k) EXPECT_EQ(*ExponentRegister(std::exp2(k)), 10.0 - k) << k;
  EXPECT_FALSE(ExponentRegister(0));
}

}  // namespace
}  // namespace engine
