#include <cmath>
#include <gtest/gtest.h>

#include "engine/protections.h"
#include "protections_test_setup.h"

namespace protectiontest {
namespace {

using namespace engine;

TEST(I2tArithmetic, TripCurrentInvertsTheIntegralLimitExactly) {
  // Over the whole current range of a 16-bit converter: the rounder factor 16
  // in place of 32767^2 / 2^26 would be 3e-5 off at full scale.
  for (double rated = 0; rated <= 32767; rated += 4095.875)
    for (double trip = rated; trip <= 32767; trip += 511.9) {
      const auto back = I2tTripCurrent(I2tIntegralLimit(trip, rated), rated);
      ASSERT_TRUE(back);
      EXPECT_NEAR(*back, trip, 1e-9 * std::max(1.0, trip)) << rated;
    }
}

TEST(I2tArithmetic, NoRealCurrentOrZeroDivisorGivesNothing) {
  EXPECT_FALSE(I2tTripCurrent(-1e6, 0));
  EXPECT_FALSE(I2tWarningLimit(1e6, 0));
  EXPECT_FALSE(I2tScale(0.5e-3, 0));
  EXPECT_FALSE(I2tTripTime(0.5e-3, 0));
}

TEST_F(ProtectionTest, DriveRegistersOfATenAmpereThreeSecondTrip) {
  SetBase(setup_, "I_I2t_D", 10);
  EXPECT_EQ(ComputeII2TPROT_D(setup_), 1);
  EXPECT_EQ(ComputeSFI2T_D(setup_), 1);
  EXPECT_EQ(ComputeI2TINTLIM_D(setup_), 1);
  EXPECT_EQ(ComputeII2TWARLIM_D(setup_), 1);
  EXPECT_EQ(InternalOf(setup_, "II2TPROT_D"), 16368);       // 5 A * 3273.6
  EXPECT_EQ(InternalOf(setup_, "SFI2T_D"), 11185);          // 0.5 ms * 2^26 / 3 s
  EXPECT_EQ(InternalOf(setup_, "I2TINTLIM_D"), 50236458);   // (32736^2 - 16368^2) * 2^26 / 32767^2
  // A third of it, at the 2.99995 s for which the drive's scale holds 11185.
  EXPECT_EQ(InternalOf(setup_, "II2TWARLIM_D"), 16744919);
}

TEST_F(ProtectionTest, TripAtRatedCurrentHasNoIntegral) {
  SetBase(setup_, "I_I2t_M", 3);
  EXPECT_EQ(ComputeI2TINTLIM_M(setup_), 1);
  EXPECT_EQ(ComputeI2TWARLIM_M(setup_), 1);
  EXPECT_EQ(InternalOf(setup_, "I2TINTLIM_M"), 0);
  EXPECT_EQ(InternalOf(setup_, "I2TWARLIM_M"), 0);
}

TEST_F(ProtectionTest, WarningComesTwoSecondsBeforeTheTripTheDriveMakes) {
  SetBase(setup_, "t_I2t_D", 2);
  // At 0.5 ms the scale register holds 16777 for 16777.216: the drive trips
  // after 2.0000257 s, and warns 25.7 us after the start.
  EXPECT_EQ(ComputeII2TWARLIM_D(setup_), 1);
  EXPECT_EQ(InternalOf(setup_, "II2TWARLIM_D"), 336);
  // With a period of a whole number of 2^-25 s the register holds 2 s
  // exactly: no warning before the trip.
  SetInternal(setup_, "DSP_freq", 33554432);
  SetBase(setup_, "t_I2t_D", 2);
  EXPECT_EQ(ComputeII2TWARLIM_D(setup_), 1);
  EXPECT_EQ(InternalOf(setup_, "II2TWARLIM_D"), 0);
}

TEST_F(ProtectionTest, RecoveryLimitsFollowRatingsAndScaleRegister) {
  RoundTrip(setup_);
  const CVX_Parameter* driveTrip = setup_.FindParameter("I_I2t_D");
  EXPECT_EQ(driveTrip->GetMinimum(), 5);
  EXPECT_EQ(driveTrip->GetMaximum(), 10);
  const CVX_Parameter* motorTrip = setup_.FindParameter("I_I2t_M");
  EXPECT_NEAR(motorTrip->GetMinimum(), 3.3, 1e-12);
  EXPECT_EQ(motorTrip->GetMaximum(), 4.5);
  for (const char* time : {"t_I2t_D", "t_I2t_M"}) {
    const CVX_Parameter* p = setup_.FindParameter(time);
    EXPECT_NEAR(p->GetMinimum(), 2048 * kTs, 1e-12) << time;
    EXPECT_NEAR(p->GetMaximum(), 67108864 * kTs, 1e-6) << time;
  }
  EXPECT_NEAR(BaseOf(setup_, "t_I2t_M"), kTs * 67108864 / 1678, 1e-9);
}

TEST_F(ProtectionTest, TripCurrentsDoNotGrowOverRepeatedRoundTrips) {
  // Trip currents a rounding of the integral limit away from the ends of
  // their ranges, so that no limit hides a drift.
  SetBase(setup_, "I_I2t_D", 7.3);
  SetBase(setup_, "I_I2t_M", 3.9);
  RoundTrip(setup_);
  const auto first = Snapshot(setup_);
  const double drive_A = BaseOf(setup_, "I_I2t_D");
  const double motor_A = BaseOf(setup_, "I_I2t_M");
  EXPECT_NEAR(drive_A, 7.3, 1e-6);
  EXPECT_NEAR(motor_A, 3.9, 1e-6);
  for (int trip = 0; trip < 100; ++trip) RoundTrip(setup_);
  EXPECT_EQ(Changes(first, Snapshot(setup_)), "");
}

}  // namespace
}  // namespace protectiontest
