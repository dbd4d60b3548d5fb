#include "host/commission_choices.h"

#include <gtest/gtest.h>

#include <cmath>

namespace host {
namespace {

TEST(CommissionChoices, TestCurrentIsHalfTheRatedUnlessTheSupplyCannotDriveIt) {
  EXPECT_DOUBLE_EQ(TestCurrentChoice(3.0, 5.0, 48.0, 0.9).value, 1.5);
  EXPECT_DOUBLE_EQ(TestCurrentChoice(6.0, 5.0, 48.0, 0.9).value, 2.5) << "the drive's rating bounds the motor's";
  EXPECT_DOUBLE_EQ(TestCurrentChoice(3.0, 5.0, 12.0, 10.0).value, 0.36) << "30 % of 12 V across 10 Ohm";
  EXPECT_DOUBLE_EQ(TestCurrentChoice(3.0, 5.0, 48.0, 0.0).value, 1.5) << "no resistance known yet";
  EXPECT_FALSE(TestCurrentChoice(3.0, 5.0, 48.0, 0.9).why.empty());
}

TEST(CommissionChoices, ProtectionAboveTheTestCurrentAndLimitBelowTheProtection) {
  EXPECT_DOUBLE_EQ(ProtectionCurrentChoice(2.0, 4.5).value, 3.0);
  EXPECT_DOUBLE_EQ(ProtectionCurrentChoice(4.0, 4.5).value, 4.5) << "capped by what is allowed";
  EXPECT_DOUBLE_EQ(ProtectionCurrentChoice(5.0, 4.5).value, 5.0) << "never below the test current";
  EXPECT_DOUBLE_EQ(TuningCurrentLimitChoice(3.0).value, 2.7);
}

TEST(CommissionChoices, InertiaSpeedReachedQuicklyAndFarFromTheSupply) {
  // 1 A on 0.5 Nm/A into 1e-4 kg m^2: 5000 rad/s^2, 1250 rad/s after 0.25 s;
  // a quarter of 48 V at 0.5 V s/rad is 24 rad/s.
  EXPECT_DOUBLE_EQ(InertiaTestSpeedChoice(1.0, 0.5, 1e-4, 48.0, 100.0).value, 24.0);
  EXPECT_DOUBLE_EQ(InertiaTestSpeedChoice(1.0, 0.5, 0.1, 48.0, 100.0).value, 1.25) << "a heavy load";
  EXPECT_DOUBLE_EQ(InertiaTestSpeedChoice(1.0, 0.5, 0.1, 480.0, 1.0).value, 1.0) << "the parameter's range";
}

TEST(CommissionChoices, BandwidthsNestInsideEachOther) {
  EXPECT_DOUBLE_EQ(SpeedBandwidthChoice(1000.0, 1e-3).value, 100.0);
  EXPECT_DOUBLE_EQ(SpeedBandwidthChoice(4000.0, 1e-3).value, 100.0) << "the sampling rate bounds it";
  EXPECT_DOUBLE_EQ(SpeedBandwidthChoice(500.0, 1e-3).value, 50.0);
  EXPECT_DOUBLE_EQ(PositionBandwidthChoice(100.0).value, 20.0);
}

TEST(CommissionChoices, RampsLongEnoughForHalfTheCurrentLimit) {
  // 1e-3 kg m^2 to 50 rad/s with 1 A of 0.5 Nm/A: 0.1 s.
  EXPECT_DOUBLE_EQ(RampTimeChoice(0.05, 50.0, 1e-3, 0.5, 2.0).value, 0.1);
  EXPECT_DOUBLE_EQ(RampTimeChoice(0.4, 50.0, 1e-3, 0.5, 2.0).value, 0.4) << "the setup's ramp suffices";
  EXPECT_DOUBLE_EQ(RampTimeChoice(0.05, -50.0, 1e-3, 0.5, 2.0).value, 0.1) << "either direction";
}

// A quarter of 48 V at 0.6 V s/rad is 20 rad/s of the motor.
TEST(CommissionChoices, SpeedsStayWhereTheBackEmfLeavesTheSupplyRoom) {
  EXPECT_DOUBLE_EQ(TestSpeedChoice(31.4, 1.0, 0.6, 48.0).value, 20.0);
  EXPECT_DOUBLE_EQ(TestSpeedChoice(-31.4, 1.0, 0.6, 48.0).value, -20.0) << "the direction kept";
  EXPECT_DOUBLE_EQ(TestSpeedChoice(10.0, 1.0, 0.6, 48.0).value, 10.0) << "the setup's speed is slow enough";
  EXPECT_DOUBLE_EQ(TestSpeedChoice(10.0, 4.0, 0.6, 48.0).value, 5.0) << "the motor turns four times the load";
  EXPECT_DOUBLE_EQ(TestSpeedChoice(31.4, 1.0, 0.6, NAN).value, 31.4) << "no supply known";
  // 4 pi rad of travel at 20 rad/s: 0.628 s.
  EXPECT_DOUBLE_EQ(PositionRampTimeChoice(0.2, 4 * M_PI, 1.0, 0.6, 48.0).value, 4 * M_PI / 20.0);
  EXPECT_DOUBLE_EQ(PositionRampTimeChoice(0.2, -4 * M_PI, 0.5, 0.6, 48.0).value, 2 * M_PI / 20.0)
      << "either direction, through the transmission";
  EXPECT_DOUBLE_EQ(PositionRampTimeChoice(1.0, 4 * M_PI, 1.0, 0.6, 48.0).value, 1.0) << "the setup's ramp suffices";
  EXPECT_DOUBLE_EQ(PositionRampTimeChoice(0.2, 4 * M_PI, 1.0, 0.0, 48.0).value, 0.2) << "no torque constant known";
}

}  // namespace
}  // namespace host
