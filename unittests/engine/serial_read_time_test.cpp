#include "engine/serial_read_time.h"

#include <gtest/gtest.h>

#include "engine/serial_encoder_clock.h"
#include "feedback_sensors_test_setup.h"

namespace {

using fbtest::Set;
using fbtest::Value;

// The registers the check may write, with the frequency parameters.
const char* const kWatched[] = {"SSI_freq", "SSI_freq_LD", "SSIBR", "AEI_CLKDIV", "AEI_PER", "AEI_CMPTIME"};

void ComputeReadOut(CVX_Setup& setup) {
  for (auto compute : {engine::ComputeSSIBR, engine::ComputeAEI_CLKDIV, engine::ComputeAEI_PER,
                       engine::ComputeAEI_CMPTIME})
    compute(setup);
}

void ExpectUnchanged(const CVX_Setup& before, const CVX_Setup& after) {
  for (const char* name : kWatched) EXPECT_EQ(Value(after, name), Value(before, name)) << name;
}

TEST(SerialReadTime, FastEnoughRateChangesNothing) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  ComputeReadOut(setup);
  const CVX_Setup before = setup;
  EXPECT_FALSE(engine::CheckSerialEncoderReadTime(setup));
  ExpectUnchanged(before, setup);
}

TEST(SerialReadTime, WithoutSerialSensorNothingToCheck) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "MotorSensorType", 1);
  Set(setup, "CLPER", 1);
  Set(setup, "SSI_freq", 250000);
  EXPECT_FALSE(engine::CheckSerialEncoderReadTime(setup));
  EXPECT_EQ(Value(setup, "SSI_freq"), 250000);
}

// "CLPER" 1 halves the fast loop to 50 us: the read-out needs about
// 1.04 MHz, and 1 MHz is too slow.
TEST(SerialReadTime, RaisesTheMotorRateInQuarterMegahertzSteps) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "SSI_freq", 1e6);
  Set(setup, "CLPER", 1);
  const auto message = engine::CheckSerialEncoderReadTime(setup);
  ASSERT_TRUE(message);
  EXPECT_EQ(*message, "Current loop period is too short to read the SSI encoder!");
  // Registers for 1.25 MHz.
  EXPECT_EQ(Value(setup, "SSIBR"), 47);
  EXPECT_EQ(Value(setup, "AEI_PER"), 2999);
  EXPECT_EQ(Value(setup, "AEI_CMPTIME"), 240);  // 50 - 2 - 4 - (20 + 20) us
  // Recovered from "SSIBR": 1.25 MHz lies halfway between 1 and 1.5 MHz, the
  // lower is taken, and raised to what the read-out needs.
  EXPECT_EQ(Value(setup, "SSI_freq"), engine::MinimumSerialClock(setup)->rate_Hz);
  EXPECT_GE(Value(setup, "SSI_freq"), 1e6);
}

TEST(SerialReadTime, ListedRateAfterTheRaise) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "SSI_freq", 1e6);
  Set(setup, "AEI_ComputeTime", 76e-6);  // the read-out needs about 1.39 MHz
  ASSERT_TRUE(engine::CheckSerialEncoderReadTime(setup));
  EXPECT_EQ(Value(setup, "SSIBR"), 39);
  EXPECT_EQ(Value(setup, "SSI_freq"), 1.5e6);
}

TEST(SerialReadTime, LoadSensorHasItsOwnMessageAndRate) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "MotorSensorType", 1);
  Set(setup, "LoadSensorType", 3);
  Set(setup, "SSI_freq_LD", 250000);
  Set(setup, "SSI_freq", 250000);
  const auto message = engine::CheckSerialEncoderReadTime(setup);
  ASSERT_TRUE(message);
  EXPECT_EQ(*message, "Current loop period is to short to read the SSI encoder!");
  EXPECT_EQ(Value(setup, "SSI_freq_LD"), 500000);
  EXPECT_EQ(Value(setup, "SSI_freq"), 250000);
}

TEST(SerialReadTime, NoRateFitsThenOnlyTheMessage) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "AEI_ComputeTime", 98e-6);
  ComputeReadOut(setup);
  const CVX_Setup before = setup;
  const auto message = engine::CheckSerialEncoderReadTime(setup);
  ASSERT_TRUE(message);
  EXPECT_EQ(*message, engine::kMotorReadTimeMessage);
  ExpectUnchanged(before, setup);
}

TEST(SerialReadTime, WidensAOneWordFrequency) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  testsupport::AddParameter(setup, "SSI_Freq", 1000, kernel::ValueType::kUInt16, "Hz");
  ASSERT_TRUE(engine::CheckSerialEncoderReadTime(setup));
  EXPECT_EQ(setup.FindParameter("SSI_freq")->GetType(), 4);
  EXPECT_EQ(Value(setup, "SSIBR"), 119);  // 500 kHz, not the 65535 Hz a word holds
  EXPECT_EQ(Value(setup, "SSI_freq"), 500000);
}

}  // namespace
