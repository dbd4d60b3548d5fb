#include "engine/limit_registers.h"

#include <cmath>
#include <gtest/gtest.h>

#include "reference_registers_test_setup.h"
#include "unittests/support/example_setups.h"

namespace reftest {
namespace {

using namespace engine;

TEST(SoftwareLimitSwitches, NegativeScaleSwapsTheRegistersAndRecoveryGivesTheValuesBack) {
  testsupport::ScopedEngineUnitScales scales;
  for (double ratio : {1.0, -1.0}) {
    CVX_Setup setup;
    AddTiming(setup);
    AddPositionScale(setup, Loop::kClosed, ratio);
    AddUser(setup, "Negative_SWLS", 0, "rad");
    AddUser(setup, "Positive_SWLS", 0, "rad");
    AddRegister(setup, "SWNEGLS", 0, ValueType::kInt32);
    AddRegister(setup, "SWPOSLS", 0, ValueType::kInt32);
    setup.SetParameterValueInBaseUnit("Negative_SWLS", -10);
    setup.SetParameterValueInBaseUnit("Positive_SWLS", 20);
    ASSERT_EQ(ComputeSWNEGLS(setup) & ComputeSWPOSLS(setup), 1);
    const double p = PositionScaleOf(Loop::kClosed, ratio);
    // The drive's negative switch is always the lower count.
    EXPECT_EQ(Internal(setup, "SWNEGLS"), std::round(ratio > 0 ? -10 * p : 20 * p));
    EXPECT_EQ(Internal(setup, "SWPOSLS"), std::round(ratio > 0 ? 20 * p : -10 * p));
    ASSERT_EQ(RecoverNegative_SWLS(setup) & RecoverPositive_SWLS(setup), 1);
    EXPECT_NEAR(Base(setup, "Negative_SWLS"), -10, 0.5 / std::fabs(p));
    EXPECT_NEAR(Base(setup, "Positive_SWLS"), 20, 0.5 / std::fabs(p));
    EXPECT_DOUBLE_EQ(setup.FindParameter("Positive_SWLS")->GetMaximum(), 2147483647 / std::fabs(p));
  }
}

void AddPositionRange(CVX_Setup& setup, Loop loop, double ratio, double flag = 1) {
  AddTiming(setup);
  AddPositionScale(setup, loop, ratio);
  AddUser(setup, "isPosRange", flag);
  AddUser(setup, "PosRange_Minimum", 0, "rad");
  AddUser(setup, "PosRange_Maximum", 0, "rad");
  AddRegister(setup, "POSRANGEDEF");
  AddRegister(setup, "MINPOSRANGE", 0, ValueType::kInt32);
  AddRegister(setup, "MAXPOSRANGE", 0, ValueType::kInt32);
}

int ComputeRange(CVX_Setup& setup) {
  return ComputePOSRANGEDEF(setup) & ComputeMINPOSRANGE(setup) & ComputeMAXPOSRANGE(setup);
}
int RecoverRange(CVX_Setup& setup) {
  return RecoverPosRange_Minimum(setup) & RecoverPosRange_Maximum(setup) & RecoverIsPosRange(setup);
}

// A range whose ends are equal used to lose a count per round trip
// (10 .. 10, 9 .. 9, 8 .. 8 ...).
TEST(PositionRange, EqualEndsDoNotDriftOverRepeatedRoundTrips) {
  testsupport::ScopedEngineUnitScales scales;
  for (double ratio : {1.0, -1.0})
    for (double counts : {10.0, -5.0, 0.0}) {
      CVX_Setup setup;
      AddPositionRange(setup, Loop::kClosed, ratio);
      setup.FindParameter("PosRange_Minimum")->InitInternal(counts);
      setup.FindParameter("PosRange_Maximum")->InitInternal(counts);
      for (int trip = 0; trip < 4; ++trip) {
        ASSERT_EQ(ComputeRange(setup), 1);
        ASSERT_EQ(RecoverRange(setup), 1);
        EXPECT_NEAR(Internal(setup, "PosRange_Minimum"), counts, 1e-9) << ratio << " trip " << trip;
        EXPECT_NEAR(Internal(setup, "PosRange_Maximum"), counts, 1e-9) << ratio << " trip " << trip;
      }
    }
}

// Every range from -20 to 20 counts, on either sign of the scale: the first
// trip moves an end by at most the count the registers narrow it by, the
// second changes nothing.
TEST(PositionRange, EveryRangeSettlesAfterOneTrip) {
  testsupport::ScopedEngineUnitScales scales;
  for (double ratio : {1.0, -1.0})
    for (int low = -20; low <= 20; ++low)
      for (int high = low; high <= 20; ++high) {
        CVX_Setup setup;
        AddPositionRange(setup, Loop::kClosed, ratio);
        setup.FindParameter("PosRange_Minimum")->InitInternal(low);
        setup.FindParameter("PosRange_Maximum")->InitInternal(high);
        ComputeRange(setup);
        RecoverRange(setup);
        EXPECT_NEAR(Internal(setup, "PosRange_Minimum"), low, 1 + 1e-9) << low << ".." << high;
        EXPECT_NEAR(Internal(setup, "PosRange_Maximum"), high, 1 + 1e-9) << low << ".." << high;
        const auto settled = Snapshot(setup);
        ComputeRange(setup);
        RecoverRange(setup);
        for (const char* name : {"MINPOSRANGE", "MAXPOSRANGE"})
          EXPECT_EQ(Internal(setup, name), settled.at(name).internal) << name << " " << low << ".." << high;
        for (const char* name : {"PosRange_Minimum", "PosRange_Maximum"})
          EXPECT_NEAR(Internal(setup, name), settled.at(name).internal, 1e-9) << name << " " << low << ".." << high;
      }
}

TEST(PositionRange, WideningKeepsTheMagnitudeRuleWhereItNarrowsBack) {
  // A half-turn either way of a 17-bit encoder: both ends would narrow to
  // the registers; the magnitudes choose the lower minimum.
  EXPECT_EQ(WidenPositionRange({-65536, 65535}), (CountRange{-65537, 65535}));
  EXPECT_EQ(WidenPositionRange({3, 8}), (CountRange{3, 9}));
  EXPECT_EQ(WidenPositionRange({10, 9}), (CountRange{10, 10}));
  EXPECT_EQ(WidenPositionRange({-5, -5}), (CountRange{-6, -5}));
  for (int low = -30; low <= 30; ++low)
    for (int high = -30; high <= 30; ++high) {
      const CountRange registered = NarrowPositionRange({double(low), double(high)});
      EXPECT_EQ(NarrowPositionRange(WidenPositionRange(registered)), registered) << low << ".." << high;
    }
}

TEST(PositionRange, InEffectOnlyInClosedLoopWithTheFlag) {
  testsupport::ScopedEngineUnitScales scales;
  struct Case {
    Loop loop;
    double flag;
    double defined;
  };
  // A flag of 0.3 is decided as the register holds it.
  for (const Case& c :
       {Case{Loop::kClosed, 1, 1}, Case{Loop::kClosed, 0, 0}, Case{Loop::kOpen, 1, 0}, Case{Loop::kClosed, 0.3, 0}}) {
    CVX_Setup setup;
    AddPositionRange(setup, c.loop, 1, c.flag);
    setup.SetParameterValueInBaseUnit("PosRange_Minimum", -1);
    setup.SetParameterValueInBaseUnit("PosRange_Maximum", 1);
    ASSERT_EQ(ComputeRange(setup), 1);
    EXPECT_EQ(Internal(setup, "POSRANGEDEF"), c.defined);
    EXPECT_EQ(Internal(setup, "MINPOSRANGE") != 0, c.defined != 0);
    RecoverRange(setup);
    EXPECT_EQ(Base(setup, "isPosRange"), c.defined);
    // In open loop the flag reads back 0 at once, so the second trip has
    // nothing left to clear.
    const auto settled = Snapshot(setup);
    ComputeRange(setup);
    RecoverRange(setup);
    EXPECT_EQ(Snapshot(setup), settled);
  }
}

void AddWindows(CVX_Setup& setup, double motionCompleteType, double upgrade) {
  AddTiming(setup);
  AddPositionScale(setup, Loop::kOpen);
  AddUser(setup, "MotionCompleteType", motionCompleteType);
  AddUser(setup, "MotionCompleteSettleBand", 0, "rad");
  AddUser(setup, "MotionCompleteStabilizeTime", 0, "s");
  AddRegister(setup, "UPGRADE", upgrade);
  AddRegister(setup, "POSOKLIM");
  AddRegister(setup, "TONPOSOK");
  setup.SetParameterValueInBaseUnit("MotionCompleteSettleBand", 0.5);
  setup.SetParameterValueInBaseUnit("MotionCompleteStabilizeTime", 0.01);
}

TEST(MotionComplete, DefaultTypeWindowRoundTrips) {
  testsupport::ScopedEngineUnitScales scales;
  CVX_Setup setup;
  AddWindows(setup, 0, 0x800);
  ASSERT_EQ(ComputePOSOKLIM(setup) & ComputeTONPOSOK(setup), 1);
  EXPECT_EQ(Internal(setup, "POSOKLIM"), std::round(0.5 * PositionScaleOf(Loop::kOpen)));
  EXPECT_EQ(Internal(setup, "TONPOSOK"), 13);  // 12.5 samples of 0.8 ms
  ASSERT_EQ(RecoverMotionCompleteSettleBand(setup) & RecoverMotionCompleteStabilizeTime(setup), 1);
  EXPECT_NEAR(Base(setup, "MotionCompleteStabilizeTime"), 13 * kSlowLoop_s, 1e-15);
  EXPECT_DOUBLE_EQ(setup.FindParameter("MotionCompleteStabilizeTime")->GetMaximum(), 65535 * kSlowLoop_s);
  EXPECT_DOUBLE_EQ(setup.FindParameter("MotionCompleteSettleBand")->GetMaximum(), 32767 / PositionScaleOf(Loop::kOpen));
}

TEST(MotionComplete, OtherTypeDisablesTheWindowAndKeepsTheUserValues) {
  testsupport::ScopedEngineUnitScales scales;
  CVX_Setup setup;
  AddWindows(setup, 1, 0);
  ASSERT_EQ(ComputePOSOKLIM(setup) & ComputeTONPOSOK(setup), 1);
  EXPECT_EQ(Internal(setup, "POSOKLIM"), 0);
  EXPECT_EQ(Internal(setup, "TONPOSOK"), 65535);
  // Without "UPGRADE" bit 11 only the limits are recovered.
  ASSERT_EQ(RecoverMotionCompleteSettleBand(setup) & RecoverMotionCompleteStabilizeTime(setup), 1);
  EXPECT_DOUBLE_EQ(Base(setup, "MotionCompleteSettleBand"), 0.5);
  EXPECT_NEAR(Base(setup, "MotionCompleteStabilizeTime"), 0.01, 1e-15);
  EXPECT_DOUBLE_EQ(setup.FindParameter("MotionCompleteStabilizeTime")->GetMaximum(), 65535 * kSlowLoop_s);
}

TEST(FreezeControl, WindowRoundTripsInSamplesAndCounts) {
  testsupport::ScopedEngineUnitScales scales;
  CVX_Setup setup;
  AddTiming(setup);
  AddPositionScale(setup, Loop::kClosed, -1);
  AddUser(setup, "FreezeControl_errband", 0, "rad");
  AddUser(setup, "FreezeControl_time", 0, "s");
  AddRegister(setup, "POSOKLIM_FC");
  AddRegister(setup, "TONPOSOK_FC");
  setup.SetParameterValueInBaseUnit("FreezeControl_errband", 0.01);
  setup.SetParameterValueInBaseUnit("FreezeControl_time", 0.05);
  ASSERT_EQ(ComputePOSOKLIM_FC(setup) & ComputeTONPOSOK_FC(setup), 1);
  EXPECT_EQ(Internal(setup, "POSOKLIM_FC"), 6);   // 6.4 counts of the negative scale's magnitude
  EXPECT_EQ(Internal(setup, "TONPOSOK_FC"), 63);  // 62.5 samples
  ASSERT_EQ(RecoverFreezeControl_errband(setup) & RecoverFreezeControl_time(setup), 1);
  EXPECT_NEAR(Base(setup, "FreezeControl_errband"), 6 / PositionScaleOf(Loop::kClosed), 1e-12);
  EXPECT_NEAR(Base(setup, "FreezeControl_time"), 63 * kSlowLoop_s, 1e-15);
  EXPECT_DOUBLE_EQ(setup.FindParameter("FreezeControl_time")->GetMaximum(), 65535 * kSlowLoop_s);
}

}  // namespace
}  // namespace reftest
