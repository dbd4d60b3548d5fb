#include "engine/reference_registers.h"

#include <cmath>
#include <gtest/gtest.h>

#include "reference_registers_test_setup.h"
#include "unittests/support/example_setups.h"

namespace reftest {
namespace {

using namespace engine;

// The analogue input of a drive in `mode`, ranges given in internal units.
void AddAnalogueInput(CVX_Setup& setup, int mode, Loop loop = Loop::kOpen, double ratio = 1) {
  AddTiming(setup);
  AddPositionScale(setup, loop, ratio);
  AddUser(setup, "ControlMode", mode);
  for (const char* name : {"POS_min", "POS_max"}) AddUser(setup, name, 0, "rad");
  for (const char* name : {"SPD_min", "SPD_max"}) AddUser(setup, name, 0, "rad/s");
  for (const char* name : {"CRT_min", "CRT_max"}) AddUser(setup, name, 0, "A");
  AddUser(setup, "Limit_Speed", 410, "rad/s");  // 62.9 rad/s in open loop
  AddUser(setup, "ImaxM", 14731.2, "A");        // 4.5 A
  AddRegister(setup, "AD5OFF", 0, ValueType::kInt16);
  AddRegister(setup, "CADIN", 0, ValueType::kInt16);
  AddRegister(setup, "SFTADIN");
}

const char* const kRangeNames[3][2] = {{"POS_min", "POS_max"}, {"SPD_min", "SPD_max"}, {"CRT_min", "CRT_max"}};

void SetRange(CVX_Setup& setup, int mode, double low, double high) {
  setup.FindParameter(kRangeNames[mode][0])->InitInternal(low);
  setup.FindParameter(kRangeNames[mode][1])->InitInternal(high);
}

int ComputeInput(CVX_Setup& setup) { return ComputeCADIN(setup) & ComputeSFTADIN(setup) & ComputeAD5OFF(setup); }
int RecoverRanges(CVX_Setup& setup) {
  return RecoverPOS_min(setup) & RecoverPOS_max(setup) & RecoverCRT_min(setup) & RecoverCRT_max(setup) &
         RecoverSPD_min(setup) & RecoverSPD_max(setup);
}

TEST(AnalogueReference, SpanAboveFullScaleTakesAShiftAndRecoveryGivesItBack) {
  testsupport::ScopedEngineUnitScales scales;
  CVX_Setup setup;
  AddAnalogueInput(setup, 0);
  SetAdcMax(setup, 16384);  // 2^15 / ADC = 2: the span of 20000 counts is 40000 on the input
  SetRange(setup, 0, -10000, 10000);
  ASSERT_EQ(ComputeInput(setup), 1);
  EXPECT_EQ(Internal(setup, "SFTADIN"), 1);
  EXPECT_EQ(Internal(setup, "CADIN"), 20000);
  EXPECT_EQ(Internal(setup, "AD5OFF"), -10000);
  ASSERT_EQ(RecoverRanges(setup), 1);
  EXPECT_DOUBLE_EQ(Internal(setup, "POS_min"), -10000);
  EXPECT_DOUBLE_EQ(Internal(setup, "POS_max"), 10000);
  // Every range takes the input's counts, whatever the mode, within its
  // limits: the current range ends at the drive's 10 A.
  EXPECT_DOUBLE_EQ(Internal(setup, "CRT_min"), -8192);
}

TEST(AnalogueReference, ControlModeChoosesTheRangeAndOtherModesSpanNothing) {
  testsupport::ScopedEngineUnitScales scales;
  for (int mode : {0, 1, 2}) {
    CVX_Setup setup;
    AddAnalogueInput(setup, mode);
    SetRange(setup, mode, -300, 500);
    ASSERT_EQ(ComputeInput(setup), 1) << mode;
    EXPECT_EQ(Internal(setup, "AD5OFF"), -300) << mode;
    EXPECT_EQ(Internal(setup, "CADIN"), std::round(800 * 32768.0 / kAdcMax)) << mode;
  }
  CVX_Setup setup;
  AddAnalogueInput(setup, 3);
  setup.FindParameter("AD5OFF")->InitInternal(123);
  setup.FindParameter("CADIN")->InitInternal(77);
  EXPECT_EQ(ComputeCADIN(setup), 1);
  EXPECT_EQ(Internal(setup, "CADIN"), 0);
  EXPECT_EQ(ComputeAD5OFF(setup), 0);
  EXPECT_EQ(Internal(setup, "AD5OFF"), 123);
}

// A negative position scale flips the sign of the mantissa; a span beyond
// full scale takes the same shift either way instead of overflowing.
TEST(AnalogueReference, NegativePositionScaleFlipsTheMantissaOnly) {
  testsupport::ScopedEngineUnitScales scales;
  for (double span : {800.0, 65534.0}) {
    CVX_Setup positive, negative;
    AddAnalogueInput(positive, 0, Loop::kClosed, 1);
    AddAnalogueInput(negative, 0, Loop::kClosed, -1);
    SetRange(positive, 0, -span / 2, span / 2);
    SetRange(negative, 0, -span / 2, span / 2);
    ASSERT_EQ(ComputeInput(positive), 1);
    ASSERT_EQ(ComputeInput(negative), 1);
    EXPECT_EQ(Internal(negative, "CADIN"), -Internal(positive, "CADIN")) << span;
    EXPECT_EQ(Internal(negative, "SFTADIN"), Internal(positive, "SFTADIN")) << span;
    ASSERT_EQ(RecoverRanges(negative), 1);
    EXPECT_NEAR(Internal(negative, "POS_max") - Internal(negative, "POS_min"), std::min(span, 32767 + span / 2),
                kAdcMax / 32768.0)
        << span;
  }
}

TEST(AnalogueReference, RecoveryLimitsEachEndByTheOtherAndTheRegisterWidth) {
  testsupport::ScopedEngineUnitScales scales;
  CVX_Setup setup;
  AddAnalogueInput(setup, 0);
  // Registers of a range wholly above the one the user values still hold.
  SetRange(setup, 0, 0, 100);
  setup.FindParameter("AD5OFF")->InitInternal(500);
  setup.FindParameter("CADIN")->InitInternal(500);
  ASSERT_EQ(RecoverRanges(setup), 1);
  const double p = PositionScaleOf(Loop::kOpen);
  EXPECT_DOUBLE_EQ(Internal(setup, "POS_min"), 500);
  EXPECT_DOUBLE_EQ(Internal(setup, "POS_max"), 500 + 500 * kAdcMax / 32768.0);
  const CVX_Parameter* low = setup.FindParameter("POS_min");
  const CVX_Parameter* high = setup.FindParameter("POS_max");
  EXPECT_DOUBLE_EQ(low->GetMinimum(), -32767 / p);
  EXPECT_DOUBLE_EQ(low->GetMaximum(), Base(setup, "POS_max"));
  EXPECT_DOUBLE_EQ(high->GetMinimum(), Base(setup, "POS_min"));
  EXPECT_DOUBLE_EQ(high->GetMaximum(), 32767 / p);
  // Speed within "Limit_Speed", current within the smaller rating.
  EXPECT_DOUBLE_EQ(setup.FindParameter("SPD_max")->GetMaximum(), Base(setup, "Limit_Speed"));
  EXPECT_DOUBLE_EQ(setup.FindParameter("CRT_min")->GetMinimum(), -4.5);
}

// Ranges from end to end of their limits (where rounding up would step past
// a limit that is not a whole count) and inside them, in every mode and on
// either sign of the position scale: the second trip changes nothing.
TEST(AnalogueReference, SecondRoundTripChangesNothing) {
  testsupport::ScopedEngineUnitScales scales;
  const double fractions[][2] = {{-1, 1}, {-0.99991, 0.73}, {0, 1e-5}, {0.5, 0.5}, {-1, -1}, {0.3, 1}};
  for (int mode : {0, 1, 2})
    for (double ratio : {1.0, -1.0})
      for (const auto& fraction : fractions) {
        CVX_Setup setup;
        AddAnalogueInput(setup, mode, Loop::kClosed, ratio);
        ASSERT_EQ(RecoverRanges(setup), 1);  // limits of an empty range
        CVX_Parameter* low = setup.FindParameter(kRangeNames[mode][0]);
        CVX_Parameter* high = setup.FindParameter(kRangeNames[mode][1]);
        const double bound = high->GetMaximum();
        ASSERT_EQ(bound, -low->GetMinimum());
        low->SetMaximum(bound);
        high->SetMinimum(-bound);
        low->SetValueInBaseUnit(fraction[0] * bound);
        high->SetValueInBaseUnit(fraction[1] * bound);
        const double entered[] = {low->GetValueInInternalUnit(), high->GetValueInInternalUnit()};
        ComputeInput(setup);
        RecoverRanges(setup);
        // One step of the input is about two counts.
        EXPECT_NEAR(low->GetValueInInternalUnit(), entered[0], 0.5);
        EXPECT_NEAR(high->GetValueInInternalUnit(), entered[1], 0.5 + kAdcMax / 32768.0);
        const auto settled = Snapshot(setup);
        ComputeInput(setup);
        RecoverRanges(setup);
        EXPECT_EQ(Snapshot(setup), settled) << mode << " " << ratio << " " << fraction[0] << ".." << fraction[1];
      }
}

void AddDeadBand(CVX_Setup& setup, double range_V) {
  SetAdcMax(setup);
  AddUser(setup, "AnalogueInputsRange", range_V, "V");
  AddUser(setup, "DeadBand_Point", 0, "V");
  AddUser(setup, "DeadBand_Range", 0, "V");
  AddRegister(setup, "LEVEL_AD5");
  AddRegister(setup, "E_LEVEL_AD5");
}

TEST(DeadBand, BipolarInputCountsFromMinusTenVolts) {
  testsupport::ScopedEngineUnitScales scales;
  struct Case {
    double range_V, point_V, level;
  };
  for (const Case& c : {Case{20, 0, 32736}, Case{20, -10, 0}, Case{5, 2.5, 32736}, Case{3.3, 3.3, 65472}}) {
    CVX_Setup setup;
    AddDeadBand(setup, c.range_V);
    setup.SetParameterValueInBaseUnit("DeadBand_Point", c.point_V);
    ASSERT_EQ(ComputeLEVEL_AD5(setup), 1);
    EXPECT_EQ(Internal(setup, "LEVEL_AD5"), c.level) << c.range_V << " V " << c.point_V;
    ASSERT_EQ(RecoverDeadBand_Point(setup), 1);
    EXPECT_NEAR(Base(setup, "DeadBand_Point"), c.point_V, 1e-12);
  }
}

TEST(DeadBand, WidthIsLimitedByTheRoomAroundThePointUnlessNewDeadBand) {
  testsupport::ScopedEngineUnitScales scales;
  for (bool newDeadBand : {false, true}) {
    CVX_Setup setup;
    AddDeadBand(setup, 20);
    if (newDeadBand) setup.SetOption("NewDeadBand", "1");
    setup.SetParameterValueInBaseUnit("DeadBand_Point", 8);
    setup.SetParameterValueInBaseUnit("DeadBand_Range", 0.1);
    ASSERT_EQ(ComputeLEVEL_AD5(setup) & ComputeE_LEVEL_AD5(setup), 1);
    EXPECT_EQ(Internal(setup, "E_LEVEL_AD5"), 327);  // 0.1 V of 20 V over 65472 counts
    ASSERT_EQ(RecoverDeadBand_Point(setup) & RecoverDeadBand_Range(setup), 1);
    EXPECT_DOUBLE_EQ(Base(setup, "DeadBand_Range"), 327 * 20.0 / kAdcMax);
    EXPECT_DOUBLE_EQ(setup.FindParameter("DeadBand_Point")->GetMinimum(), -10);
    EXPECT_NEAR(setup.FindParameter("DeadBand_Range")->GetMaximum(), newDeadBand ? 20 : 2, 1e-3);
  }
}

TEST(ExternalReferenceLimits, SpeedAndAccelerationCountInTheScalesMagnitude) {
  testsupport::ScopedEngineUnitScales scales;
  for (double ratio : {1.0, -1.0}) {
    CVX_Setup setup;
    AddTiming(setup);
    AddPositionScale(setup, Loop::kClosed, ratio);
    AddUser(setup, "ErefMaxSpeed", 0, "rad/s");
    AddUser(setup, "ErefMaxAcceleration", 0, "rad/s^2");
    AddRegister(setup, "CSPD", 0, ValueType::kDouble);
    AddRegister(setup, "CACC", 0, ValueType::kDouble);
    setup.SetParameterValueInBaseUnit("ErefMaxSpeed", 100);
    setup.SetParameterValueInBaseUnit("ErefMaxAcceleration", 1000);
    const double p = PositionScaleOf(Loop::kClosed);
    ASSERT_EQ(ComputeCSPD(setup) & ComputeCACC(setup), 1);
    EXPECT_NEAR(Internal(setup, "CSPD"), 100 * p * kSlowLoop_s, 1e-9);
    EXPECT_NEAR(Internal(setup, "CACC"), 1000 * p * kSlowLoop_s * kSlowLoop_s, 1e-12);
    ASSERT_EQ(RecoverErefMaxSpeed(setup) & RecoverErefMaxAcceleration(setup), 1);
    EXPECT_NEAR(Base(setup, "ErefMaxSpeed"), 100, 1e-9) << ratio;
    EXPECT_NEAR(Base(setup, "ErefMaxAcceleration"), 1000, 1e-6) << ratio;
    EXPECT_NEAR(setup.FindParameter("ErefMaxSpeed")->GetMaximum(), 32767 / (p * kSlowLoop_s), 1e-9);
  }
}

TEST(ExternalReferenceLimits, GearRatioOfSlaveToMaster) {
  CVX_Setup setup;
  testsupport::AddParameters(setup, {{"GEARSLAVE", 3}, {"GEARMASTER", -2}, {"GEAR", 7}});
  EXPECT_EQ(ComputeGEAR(setup), 1);
  EXPECT_EQ(Internal(setup, "GEAR"), -1.5);
  setup.FindParameter("GEARMASTER")->InitInternal(0);
  EXPECT_EQ(ComputeGEAR(setup), 0);
  EXPECT_EQ(Internal(setup, "GEAR"), -1.5);
}

}  // namespace
}  // namespace reftest
