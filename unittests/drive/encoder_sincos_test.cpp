#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "drive/encoder_sincos.h"

namespace drive {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

TEST(SinCosEncoder, InterpolationMultipliesTheQuadratureCountsPerTurn) {
  for (int lines : {500, 1000, 2048}) {
    for (int bits : {0, 4, 8, 10}) {
      SinCosEncoder encoder({.lines = lines});
      const double start = 0.77;
      encoder.Reset(start);
      EXPECT_EQ(encoder.FineCount(start + kTwoPi, bits), (4ll * lines) << bits) << lines << " " << bits;
      EXPECT_EQ(encoder.CoarseCount(start + kTwoPi), 4 * lines);
    }
  }
}

TEST(SinCosEncoder, FineCountRefinesTheCoarseCountEverywhere) {
  SinCosEncoder encoder({.lines = 1000});
  encoder.Reset(0.0123);
  const int bits = 6;
  for (int i = -3000; i <= 3000; ++i) {
    const double angle = 0.0123 + i * 7.3e-5;
    const double fine = static_cast<double>(encoder.FineCount(angle, bits)) / (1 << bits);
    // Both count edges since the reset, each at its own resolution, so
    // they differ by less than one coarse count.
    EXPECT_LT(std::abs(fine - static_cast<double>(encoder.CoarseCount(angle))), 1.0) << angle;
  }
}

TEST(SinCosEncoder, AmplitudeMismatchBendsTheInterpolationButNotTheLines) {
  SinCosEncoder ideal({.lines = 1000});
  SinCosEncoder skewed({.lines = 1000, .amplitude_mismatch = 0.02});
  ideal.Reset(0.0);
  skewed.Reset(0.0);
  const int bits = 8;
  long long worst = 0;
  for (int i = 1; i < 20000; ++i) {
    const double angle = i * kTwoPi / 20000.0 * 3.0;
    worst = std::max(worst, std::llabs(skewed.FineCount(angle, bits) - ideal.FineCount(angle, bits)));
  }
  // A 2 % mismatch moves the arctangent by at most about 0.01 rad of a
  // line: 0.01 / 2π · 1024 counts per line ≈ 1.6 counts.
  EXPECT_GT(worst, 0);
  EXPECT_LE(worst, 3);
  EXPECT_EQ(skewed.FineCount(3 * kTwoPi + 1e-9, bits), 3ll * 4000 << bits);
}

TEST(SinCosEncoder, ReversedSignalsAndFaultsBehaveLikeTheQuadratureCounter) {
  SinCosEncoder reversed({.lines = 500, .reversed = true});
  reversed.Reset(0.2);
  EXPECT_EQ(reversed.FineCount(0.2 + kTwoPi, 5), -(2000 << 5));
  EXPECT_EQ(reversed.FineCount(0.2 + kTwoPi, 5, true), 2000 << 5);
  SinCosEncoder dead({.lines = 500, .fault = QuadratureFault::NoPulses});
  dead.Reset(0.0);
  EXPECT_EQ(dead.FineCount(kTwoPi, 5), 0);
}

}  // namespace
}  // namespace drive
