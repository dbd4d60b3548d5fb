#include <gtest/gtest.h>

#include <cmath>

#include "drive/analogue_input.h"

namespace drive {
namespace {

TEST(AnalogueInput, RangeEndsAndMiddleGiveTheCodesTheTestReadsBack) {
  // The reference test shows (Vmax − Vmin) · AD5 / 65472 + Vmin.
  AnalogueInput input({.range = AnalogueRangeFor(20.0)});
  EXPECT_EQ(input.full_scale(), 65472);
  EXPECT_EQ(input.Measure(-10.0), 0);
  EXPECT_EQ(input.Measure(10.0), 65472);
  for (double v : {-7.3, -0.5, 0.0, 2.2, 9.9}) {
    const double shown = 20.0 * input.Measure(v) / 65472.0 - 10.0;
    EXPECT_NEAR(shown, v, 20.0 / 1023 / 2 + 1e-9) << v;  // half a converter step
  }
}

TEST(AnalogueInput, ClipsBeyondTheRangeAndAddsItsOffset) {
  AnalogueInput input({.range = AnalogueRangeFor(5.0), .offset_V = 0.1});
  EXPECT_EQ(input.Measure(-3.0), 0);
  EXPECT_EQ(input.Measure(6.0), 65472);
  EXPECT_EQ(input.Measure(4.9), 65472);  // 4.9 V plus the offset is full scale
  AnalogueInput other({.range = AnalogueRangeFor(12.0)});
  EXPECT_EQ(other.Measure(3.3), 65472);  // any other setting: 0 .. 3.3 V
}

TEST(AnalogueInput, NoiseIsRepeatableFromItsSeed) {
  AnalogueInput a({.range = AnalogueRangeFor(20.0), .noise_rms_V = 0.05, .seed = 7});
  AnalogueInput b({.range = AnalogueRangeFor(20.0), .noise_rms_V = 0.05, .seed = 7});
  bool varied = false;
  const auto first = a.Measure(1.0);
  b.Measure(1.0);
  for (int i = 0; i < 100; ++i) {
    const auto x = a.Measure(1.0);
    EXPECT_EQ(x, b.Measure(1.0));
    varied = varied || x != first;
  }
  EXPECT_TRUE(varied);
}

TEST(AnalogueInput, NoiseHasTheRequestedMeanAndSpread) {
  // 16-bit converter over ±10 V: one step is 0.3 mV, far below 50 mV of noise.
  AnalogueInput input({.range = AnalogueRangeFor(20.0), .converter_bits = 16, .noise_rms_V = 0.05, .seed = 5});
  constexpr int kDraws = 20000;
  double sum = 0.0;
  double sum_sq = 0.0;
  for (int n = 0; n < kDraws; ++n) {
    const double shown_V = 20.0 * input.Measure(1.0) / 65535.0 - 10.0;
    sum += shown_V;
    sum_sq += shown_V * shown_V;
  }
  const double mean_V = sum / kDraws;
  EXPECT_NEAR(mean_V, 1.0, 0.002);
  EXPECT_NEAR(std::sqrt(sum_sq / kDraws - mean_V * mean_V) / 0.05, 1.0, 0.03);
}

TEST(VoltageOverTime, InterpolatesBetweenPointsAndHoldsTheEnds) {
  const VoltageOverTime profile({{2.0, 5.0}, {0.0, -5.0}, {3.0, 5.0}, {3.0, 1.0}});
  EXPECT_DOUBLE_EQ(profile.At(-1.0), -5.0);
  EXPECT_DOUBLE_EQ(profile.At(1.0), 0.0);
  EXPECT_DOUBLE_EQ(profile.At(2.5), 5.0);
  EXPECT_DOUBLE_EQ(profile.At(3.5), 1.0);  // the later of two points at one time wins
  EXPECT_DOUBLE_EQ(VoltageOverTime().At(1.0), 0.0);
}

}  // namespace
}  // namespace drive
