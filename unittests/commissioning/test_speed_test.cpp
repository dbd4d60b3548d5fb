#include "commissioning/test_speed.h"

#include <cmath>
#include <gtest/gtest.h>

namespace commissioning {
namespace {

// 8000 counts per turn at a 1 ms loop: 1.2732 counts per sample per rad/s.
constexpr double kPerRadPerS = 8000.0 / 6.283185307179586 * 1e-3;

TEST(TestSpeedQuantisation, WholeInternalUnitsAndTheShownSpeedFollows) {
  const auto q = QuantiseTestSpeed(100.0, kPerRadPerS, false);
  ASSERT_TRUE(q);
  EXPECT_EQ(q->internal, std::round(100.0 * kPerRadPerS));
  EXPECT_DOUBLE_EQ(q->base, q->internal / kPerRadPerS);
  // Quantising the quantised speed again changes nothing.
  const auto again = QuantiseTestSpeed(q->base, kPerRadPerS, false);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->internal, q->internal);
}

TEST(TestSpeedQuantisation, TheSpeedEstimatorResolves1Over65536) {
  const auto q = QuantiseTestSpeed(1.0, kPerRadPerS, true);
  ASSERT_TRUE(q);
  EXPECT_EQ(q->internal * 65536.0, std::round(kPerRadPerS * 65536.0));
  EXPECT_NE(q->internal, std::round(q->internal)) << "a fraction of a count per sample survives";
}

TEST(TestSpeedQuantisation, ASpeedThatRoundsToZeroBecomesTheSmallestStepWithItsSign) {
  for (bool estimator : {false, true}) {
    SCOPED_TRACE(estimator);
    const double step = estimator ? 1.0 / 65536.0 : 1.0;
    const double tiny = 0.1 * step / kPerRadPerS;
    EXPECT_EQ(QuantiseTestSpeed(tiny, kPerRadPerS, estimator)->internal, step);
    EXPECT_EQ(QuantiseTestSpeed(-tiny, kPerRadPerS, estimator)->internal, -step);
    EXPECT_EQ(QuantiseTestSpeed(0.0, kPerRadPerS, estimator)->internal, step);
    EXPECT_DOUBLE_EQ(QuantiseTestSpeed(-tiny, kPerRadPerS, estimator)->base, -step / kPerRadPerS);
  }
}

TEST(TestSpeedQuantisation, NoScaleOrNoNumberLeavesTheSpeedAlone) {
  EXPECT_FALSE(QuantiseTestSpeed(100.0, 0.0, false));
  EXPECT_FALSE(QuantiseTestSpeed(100.0, NAN, false));
  EXPECT_FALSE(QuantiseTestSpeed(NAN, kPerRadPerS, false));
  EXPECT_FALSE(QuantiseTestSpeed(INFINITY, kPerRadPerS, true));
  EXPECT_FALSE(QuantiseTestSpeed(1e300, 1e300, false)) << "the product overflows";
}

}  // namespace
}  // namespace commissioning
