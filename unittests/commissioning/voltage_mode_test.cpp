// The voltage mode's identification: the test currents, the line through the
// two standstill points, the voltage registers and the smooth-speed search.
#include "commissioning/voltage_mode.h"

#include <gtest/gtest.h>

#include <limits>

namespace commissioning {
namespace {

TEST(VoltageTestCurrents, TheSmallerCurrentServesUnlessItIsTooClose) {
  struct Row {
    double run_A;
    double standby_A;
    double high;
    double low;
  };
  const Row rows[] = {
      {2.0, 1.0, 200.0, 100.0},  // stand-by at half: its own point
      {1.0, 2.0, 200.0, 100.0},  // either order
      {2.0, 1.4, 200.0, 140.0},  // exactly 0.7: still its own
      {2.0, 1.5, 200.0, 100.0},  // above 0.7: half the high current
      {2.0, 2.0, 200.0, 100.0},  // equal: the run current and half of it
      {2.0, 0.0, 200.0, 0.0},    // no stand-by current: a point at 0
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.run_A << " A / " << row.standby_A << " A");
    const VoltageTestCurrents currents = ChooseVoltageTestCurrents(row.run_A, row.standby_A, 100.0);
    EXPECT_DOUBLE_EQ(currents.high_counts, row.high);
    EXPECT_DOUBLE_EQ(currents.low_counts, row.low);
  }
}

TEST(VoltageCurrentLine, PassesThroughBothPointsAndGivesTheRegisters) {
  // U = 300 + 2.5 I counts.
  const auto line = LineThroughTwoPoints(800.0, 2300.0, 400.0, 1300.0);
  ASSERT_TRUE(line.ok());
  EXPECT_DOUBLE_EQ(line.value().slope, 2.5);
  EXPECT_DOUBLE_EQ(line.value().intercept, 300.0);
  EXPECT_DOUBLE_EQ(line.value().At(800.0), 2300.0);
  EXPECT_DOUBLE_EQ(line.value().At(400.0), 1300.0);

  // At 2 A of 100 counts per A, with Kphase 2: (300 + 2.5 * 200) / 2.
  const auto offset = VoltageRegisterAt(line.value(), 2.0, 100.0, 2.0);
  ASSERT_TRUE(offset.ok());
  EXPECT_DOUBLE_EQ(offset.value(), 400.0);
}

TEST(VoltageCurrentLine, EqualCurrentsOrAZeroBoostGiveATextNotAValue) {
  const auto equal = LineThroughTwoPoints(0.0, 100.0, 0.0, 100.0);
  ASSERT_FALSE(equal.ok());
  EXPECT_NE(equal.error().find("two different test currents"), std::string::npos);

  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(LineThroughTwoPoints(800.0, nan, 400.0, 1300.0).ok());

  const VoltageCurrentLine line{.slope = 2.5, .intercept = 300.0};
  const auto zero = VoltageRegisterAt(line, 2.0, 100.0, 0.0);
  ASSERT_FALSE(zero.ok());
  EXPECT_NE(zero.error().find("\"Kphase\""), std::string::npos);
  EXPECT_FALSE(VoltageRegisterAt(line, std::numeric_limits<double>::infinity(), 100.0, 2.0).ok());
}

TEST(KomegaTest, ScalesTheSpeedConstantToFullSteps) {
  EXPECT_DOUBLE_EQ(KomegaTest(256.0, 1234.0), 1234.0);
  EXPECT_DOUBLE_EQ(KomegaTest(16.0, 512.0), 32.0);
}

TEST(SpeedConstant, OnlyWhatTheRegisterHolds) {
  EXPECT_EQ(SpeedConstant(0.0).value(), 0.0);
  EXPECT_EQ(SpeedConstant(32767.0).value(), 32767.0);
  const auto beyond = SpeedConstant(32768.0);
  ASSERT_FALSE(beyond.ok());
  EXPECT_NE(beyond.error().find("32768"), std::string::npos);
  EXPECT_FALSE(SpeedConstant(-1.0).ok());
  EXPECT_FALSE(SpeedConstant(std::numeric_limits<double>::quiet_NaN()).ok());
}

TEST(SmoothSpeedSearch, EachNoLowersByAFifthAndTheFifthGivesUp) {
  SmoothSpeedSearch search(1000.0);
  EXPECT_EQ(search.percent(), 100);
  // The first No takes the speed the drive reached as the base.
  search.SetBase(900.0);
  EXPECT_DOUBLE_EQ(search.Lower().value(), 720.0);
  EXPECT_DOUBLE_EQ(search.Lower().value(), 540.0);
  EXPECT_DOUBLE_EQ(search.Lower().value(), 360.0);
  EXPECT_DOUBLE_EQ(search.Lower().value(), 180.0);
  EXPECT_FALSE(search.Lower().has_value()) << "the fifth No";
  EXPECT_LE(search.percent(), 0);
}

}  // namespace
}  // namespace commissioning
