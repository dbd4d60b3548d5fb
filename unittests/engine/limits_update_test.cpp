#include "engine/limits_update.h"

#include <cmath>
#include <gtest/gtest.h>

#include "unittests/support/setup_builder.h"

namespace engine {
namespace {

using testsupport::SetInternal;

constexpr double kTwoPi = 6.283185307179586;
constexpr double kTs = 0.8e-3;
// Open loop, 200 x 256 microsteps per load radian, ratio -1: the limits use
// the magnitudes.
constexpr double kPosition = 51200 / kTwoPi;
constexpr double kSpeed = kPosition * kTs;
constexpr double kCurrent = 65472.0 / 20;

struct Limits {
  double low, high;
};
Limits LimitsOf(CVX_Setup& setup, const char* name) {
  const CVX_Parameter* p = setup.FindParameter(name);
  return {p->GetMinimum(), p->GetMaximum()};
}

CVX_Setup LimitsSetup() {
  CVX_Setup setup;
  CVX_DriveIdentity identity;
  identity.adcMaxValue = 65472;
  setup.SetIdentity(identity);
  testsupport::AddParameters(setup, {{"StepperControlType", 0}, {"MotorSensorType", 0}, {"LoadSensorType", 0},
                                    {"TransmissionType", 0}, {"NoMotorSteps", 200}, {"NoMicroStepsPerStep", 256},
                                    {"Motor_transmission", -1}, {"Load_transmission", 1}, {"DSP_freq", 60e6},
                                    {"ImaxPS", 10}, {"ImaxM", 4}, {"Limit_Speed", 10000}, {"TaPP", 0.08},
                                    {"TaNP", 0.04}});
  for (auto [name, value] : {std::pair{"PWMPER", 1500.0}, {"CLPER", 2.0}, {"SLPER", 16.0}, {"OSR", 0.0}})
    testsupport::AddRegister(setup, name, value);
  for (const char* name : {"ERR_speed", "ERR_position", "time_ERR_spd", "time_ERR_pos", "TestPosition", "TestSpeed"})
    testsupport::AddParameter(setup, name, 0);
  return setup;
}

void AddAnalogueReference(CVX_Setup& setup) {
  setup.AddVariable("CADIN", 1);
  testsupport::AddParameters(setup, {{"CADIN", 0}, {"filter", 50}, {"AnalogueInputsRange", 10},
                                    {"DeadBand_Point", 1}, {"DeadBand_Range", 0}, {"POS_min", -3},
                                    {"POS_max", 2}, {"SPD_min", -1}, {"SPD_max", 1}, {"CRT_min", -1},
                                    {"CRT_max", 1}});
}

TEST(LimitsUpdate, ControlErrorsWithinTheRegisterWidths) {
  CVX_Setup setup = LimitsSetup();
  EXPECT_EQ(LimitControlErrors(setup), 1);
  EXPECT_NEAR(LimitsOf(setup, "ERR_speed").high, 32767 / kSpeed, 1e-9);
  EXPECT_NEAR(LimitsOf(setup, "ERR_position").high, 32767 / kPosition, 1e-12);
  EXPECT_NEAR(LimitsOf(setup, "time_ERR_pos").high, 32767 * kTs, 1e-12);
  testsupport::AddRegister(setup, "ERRMAXL", 0);
  LimitControlErrors(setup);
  EXPECT_NEAR(LimitsOf(setup, "ERR_position").high, 2147483647 / kPosition, 1e-6);
}

TEST(LimitsUpdate, TestMotionSymmetricAroundZero) {
  CVX_Setup setup = LimitsSetup();
  EXPECT_EQ(LimitTestMotion(setup), 1);
  // The shorter ramp, 0.04 s, is 50 samples.
  const double position = 50 * 32767 / kPosition;
  EXPECT_NEAR(LimitsOf(setup, "TestPosition").high, position, 1e-9);
  EXPECT_NEAR(LimitsOf(setup, "TestPosition").low, -position, 1e-9);
  // 32767 / |speed scale| is about 5026 rad/s, below "Limit_Speed".
  EXPECT_NEAR(LimitsOf(setup, "TestSpeed").high, 32767 / kSpeed, 1e-9);
  EXPECT_NEAR(LimitsOf(setup, "TestSpeed").low, -32767 / kSpeed, 1e-9);
  SetInternal(setup, "Limit_Speed", 2);
  LimitTestMotion(setup);
  EXPECT_EQ(LimitsOf(setup, "TestSpeed").high, 2);
}

TEST(LimitsUpdate, AnalogueReferenceRangesStayOrdered) {
  CVX_Setup setup = LimitsSetup();
  AddAnalogueReference(setup);
  EXPECT_EQ(LimitAnalogueReference(setup), 1);
  EXPECT_NEAR(LimitsOf(setup, "filter").high, 1 / (2 * kTs), 1e-9);
  EXPECT_EQ(LimitsOf(setup, "DeadBand_Point").high, 3.3);
  EXPECT_EQ(LimitsOf(setup, "POS_max").low, -3);
  EXPECT_NEAR(LimitsOf(setup, "POS_max").high, 32767 / kPosition, 1e-12);
  EXPECT_NEAR(LimitsOf(setup, "POS_min").low, -32767 / kPosition, 1e-12);
  EXPECT_EQ(LimitsOf(setup, "POS_min").high, 2);
  EXPECT_NEAR(LimitsOf(setup, "SPD_max").high, 32767 / kSpeed, 1e-9);
  EXPECT_NEAR(LimitsOf(setup, "SPD_min").low, -32767 / kSpeed, 1e-9);
  // The motor's 4 A is below the drive's 10 A and 32767 counts (10.009 A).
  EXPECT_EQ(LimitsOf(setup, "CRT_max").high, 4);
  EXPECT_EQ(LimitsOf(setup, "CRT_min").low, -4);
  SetInternal(setup, "ImaxM", 20);
  LimitAnalogueReference(setup);
  EXPECT_EQ(LimitsOf(setup, "CRT_max").high, 10);
  EXPECT_LT(10, 32767 / kCurrent);
}

TEST(LimitsUpdate, FeatureStepsOnlyWhereTheFirmwareHasThem) {
  CVX_Setup setup = LimitsSetup();
  testsupport::AddParameters(setup, {{"MAX_CURRENT", 0}, {"In", 2}, {"InPS", 5}, {"filter", 50}});
  for (auto step : {LimitAnalogueReference, LimitElectricAngleCurrent, LimitExtendedMicrosteps,
                    LimitSerialSensorOffset, LimitBiquadFilterCorners})
    EXPECT_EQ(step(setup), 1);
  EXPECT_FALSE(setup.FindParameter("MAX_CURRENT")->HasMaximum());
  EXPECT_FALSE(setup.FindParameter("NoMicroStepsPerStep")->HasMaximum());
  EXPECT_FALSE(setup.FindParameter("filter")->HasMaximum());

  testsupport::AddRegister(setup, "KPTHT", 0);
  setup.SetOption("ExtendedMicroSteps", "1");
  RunLimitsUpdate(setup);
  EXPECT_EQ(LimitsOf(setup, "MAX_CURRENT").high, 2);
  EXPECT_EQ(LimitsOf(setup, "NoMicroStepsPerStep").high, 512);
  EXPECT_NEAR(LimitsOf(setup, "ERR_speed").high, 32767 / kSpeed, 1e-9);
}

TEST(LimitsUpdate, MissingScaleLeavesItsLimitsAlone) {
  CVX_Setup setup = LimitsSetup();
  AddAnalogueReference(setup);
  RunLimitsUpdate(setup);
  const Limits position = LimitsOf(setup, "ERR_position");
  const Limits testPosition = LimitsOf(setup, "TestPosition");
  const Limits posMax = LimitsOf(setup, "POS_max");
  SetInternal(setup, "NoMicroStepsPerStep", 0);
  EXPECT_EQ(LimitControlErrors(setup), 0);
  EXPECT_EQ(LimitTestMotion(setup), 0);
  EXPECT_EQ(LimitAnalogueReference(setup), 0);
  EXPECT_EQ(LimitsOf(setup, "ERR_position").high, position.high);
  EXPECT_EQ(LimitsOf(setup, "TestPosition").high, testPosition.high);
  EXPECT_EQ(LimitsOf(setup, "POS_max").high, posMax.high);
  EXPECT_NEAR(LimitsOf(setup, "time_ERR_pos").high, 32767 * kTs, 1e-12) << "needs no position scale";
  for (const CVX_Parameter* p : setup.GetParameters())
    EXPECT_TRUE(std::isfinite(p->GetValueInBaseUnit()) && !std::isnan(p->GetMinimum()) && !std::isnan(p->GetMaximum()))
        << p->GetName();
}

}  // namespace
}  // namespace engine
