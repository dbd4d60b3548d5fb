#include <gtest/gtest.h>

#include <cmath>

#include "drive/normal_noise.h"

namespace drive {
namespace {

TEST(NormalNoise, SeedOneGivesTheSameFirstDrawsOnEveryPlatform) {
  // Recorded once; a simulation log or a seeded test result relies on them.
  // The tolerance allows only for the last bits of the maths library.
  NormalNoise noise(1);
  for (double expected : {1.312851528985562, 1.5159465040060625, 1.2506039211781217, 0.16617138105239221}) {
    EXPECT_NEAR(noise.Next(), expected, 1e-13);
  }
}

TEST(NormalNoise, HasMeanZeroSpreadOneAndNoInfiniteTail) {
  NormalNoise noise(123);
  constexpr int kDraws = 100000;
  double sum = 0.0;
  double sum_sq = 0.0;
  int beyond_three = 0;
  for (int n = 0; n < kDraws; ++n) {
    const double x = noise.Next();
    ASSERT_TRUE(std::isfinite(x));
    sum += x;
    sum_sq += x * x;
    beyond_three += std::abs(x) > 3.0;
  }
  const double mean = sum / kDraws;
  // Standard errors for 10^5 draws: 0.0032 on the mean, 0.0022 on the spread.
  EXPECT_NEAR(mean, 0.0, 0.013);
  EXPECT_NEAR(std::sqrt(sum_sq / kDraws - mean * mean), 1.0, 0.01);
  // A normal tail holds 0.27 % beyond three spreads: 270 ± 16 of 10^5.
  EXPECT_NEAR(beyond_three, 270, 80);
}

}  // namespace
}  // namespace drive
