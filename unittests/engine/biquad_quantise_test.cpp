#include "engine/biquad_quantise.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

namespace engine {
namespace {

using Counts = std::array<int64_t, 5>;
using Bits = std::array<int32_t, 5>;

Counts CountsOf(const FixedBiquad& q) { return {q.b0, q.b1, q.b2, q.a1, q.a2}; }
Bits BitsOf(const FloatBiquad& q) { return {q.b0, q.b1, q.b2, q.a1, q.a2}; }

BiquadCoefficients Design(BiquadType type, double f_Hz, double period_s, double q, double lag_Hz = 0) {
  return *DesignBiquad({static_cast<int>(type), f_Hz * period_s, lag_Hz * period_s, q});
}

TEST(BiquadScaleFactor, SmallestPowerOfTwoStrictlyAboveTheLargestCoefficient) {
  struct Case {
    double largest, sf;
  };
  for (const Case& c : {Case{0, 1}, Case{0.5, 1}, Case{std::nextafter(1.0, 0.0), 1}, Case{1, 2}, Case{1.5, 2},
                        Case{std::nextafter(2.0, 0.0), 2}, Case{2, 4}, Case{std::nextafter(2.0, 3.0), 4}, Case{3.99, 4},
                        Case{4, 8}, Case{405000, 524288}})
    EXPECT_EQ(BiquadScaleFactor(c.largest), c.sf) << c.largest;
}

TEST(BiquadQuantise, FirstOrderLowPassRoundsThenRestoresUnitGain) {
  // 100 Hz at 1 ms: K = tan(0.1 pi) = 0.3249197, b0 = b1 = 0.2452373,
  // a1 = -0.5095254; all below 1, so SF = 1.
  const BiquadCoefficients c = Design(BiquadType::kLowPass1, 100, 0.001, 0);
  EXPECT_NEAR(c.b0, 0.2452373, 1e-7);
  EXPECT_NEAR(c.a1, -0.5095254, 1e-7);
  const FixedBiquad rounded = QuantiseFixed(c, DcGain::kOther);
  EXPECT_EQ(rounded.sf, 1.0);
  EXPECT_EQ(CountsOf(rounded), (Counts{526643038, 526643038, 0, -1094197571, 0}));
  // 2 * 526643038 + 1094197571 falls one count short of 2^31: b0 takes it.
  EXPECT_EQ(CountsOf(QuantiseFixed(c, DcGain::kUnity)), (Counts{526643039, 526643038, 0, -1094197571, 0}));
}

// Register values of the filters in the example setups, which were computed
// independently from the same formulas.
TEST(BiquadQuantise, ExampleSetupsFixedPointRegisters) {
  const FixedBiquad notch = QuantiseFixed(Design(BiquadType::kNotch, 250, 0.0005, 1), DcGain::kUnity);
  EXPECT_EQ(notch.sf, 2.0);  // |a1| = 1.045
  EXPECT_EQ(CountsOf(notch), (Counts{793276299, -1121862101, 793276299, -1121862101, 512810774}));
  const FixedBiquad lowPass = QuantiseFixed(Design(BiquadType::kLowPass2, 300, 0.0005, 0.707), DcGain::kUnity);
  EXPECT_EQ(lowPass.sf, 1.0);
  EXPECT_EQ(CountsOf(lowPass), (Counts{281533463, 563066925, 281533463, -1605776779, 584426982}));
}

TEST(BiquadQuantise, ExampleSetupsFloatBitPatterns) {
  const FloatBiquad notch = QuantiseFloat(Design(BiquadType::kNotch, 180, 0.0005, 1.5), DcGain::kUnity);
  EXPECT_EQ(BitsOf(notch), (Bits{1062810761, -1078500234, 1062810761, -1078500234, 1060268305}));
  const FloatBiquad leadLag = QuantiseFloat(Design(BiquadType::kLeadLag1, 40, 0.0005, 0, 160), DcGain::kUnity);
  EXPECT_EQ(BitsOf(leadLag), (Bits{1079830148, -1069367300, 0, -1088985630, 0}));
}

// The pattern is read as signed: a negative coefficient is a negative register.
TEST(BiquadQuantise, FloatBitsAreTheSinglePrecisionPatternReadAsSigned) {
  EXPECT_EQ(FloatBits(1.0f), 0x3F800000);
  EXPECT_EQ(FloatBits(0.5f), 0x3F000000);
  EXPECT_EQ(FloatBits(-2.0f), static_cast<int32_t>(0xC0000000u));
  EXPECT_EQ(FloatBits(0.0f), 0);
  EXPECT_EQ(FloatBits(-0.0f), std::numeric_limits<int32_t>::min());
}

// The high pass keeps its double zero at z = 1 and passes no offset; the
// unit-gain rule would have moved b0 by (1 + a1 + a2) and made it pass one.
TEST(BiquadQuantise, HighAndBandPassBlockZeroFrequencyExactly) {
  for (double f_Hz : {1.0, 13.0, 50.0, 400.0}) {
    const BiquadCoefficients hp = Design(BiquadType::kHighPass, f_Hz, 0.0005, 0.707);
    const FixedBiquad q = QuantiseFixed(hp, DcGain::kZero);
    const FixedBiquad rounded = QuantiseFixed(hp, DcGain::kOther);
    EXPECT_EQ(q.b0, q.b2) << f_Hz;
    EXPECT_EQ(q.b1, -2 * q.b0) << f_Hz;
    EXPECT_LE(std::llabs(q.b1 - rounded.b1), 1) << f_Hz;  // within a count of the plain rounding
    const FloatBiquad qf = QuantiseFloat(hp, DcGain::kZero);
    EXPECT_EQ(qf.b1, FloatBits(static_cast<float>(hp.b1))) << f_Hz;  // float doubles exactly

    const BiquadCoefficients bp = Design(BiquadType::kBandPass, f_Hz, 0.0005, 2);
    const FixedBiquad qb = QuantiseFixed(bp, DcGain::kZero);
    EXPECT_EQ(qb.b0 + qb.b1 + qb.b2, 0) << f_Hz;
    EXPECT_EQ(qb.b1, 0) << f_Hz;
  }
}

}  // namespace
}  // namespace engine
