#include "engine/feedback_sensors.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/sequences.h"
#include "feedback_sensors_test_setup.h"

namespace {

using fbtest::Set;
using fbtest::Value;

constexpr double kTwoTo32 = 4294967296.0;

// ----- resolution against the electrical period -----

TEST(MotorResolution, SerialEncoderUsesAtMostSixteenBits) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();  // 17-bit SSI, 200 steps
  ASSERT_EQ(engine::ComputeMECRESL(setup), 1);
  ASSERT_EQ(engine::ComputeELRESL(setup), 1);
  ASSERT_EQ(engine::ComputeENC2THL(setup), 1);
  EXPECT_EQ(Value(setup, "MECRESL"), 65536);
  EXPECT_EQ(Value(setup, "ELRESL"), std::round(65535.0 / 50.0));
  EXPECT_EQ(Value(setup, "ENC2THL"), 50 * 65536);
  // One revolution is exactly 50 electrical turns.
  EXPECT_EQ(Value(setup, "MECRESL") * Value(setup, "ENC2THL"), 50 * kTwoTo32);

  Set(setup, "MotorSensorType", 4);
  Set(setup, "SSI_No_Bits_Revolution", 13);
  engine::ComputeMECRESL(setup);
  engine::ComputeENC2THL(setup);
  EXPECT_EQ(Value(setup, "MECRESL"), 8192);
  EXPECT_EQ(Value(setup, "ENC2THL"), 50 * std::exp2(19));
}

TEST(MotorResolution, IncrementalEncoderCountsFourPerLine) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "MotorSensorType", 1);
  Set(setup, "No_encoder_lines", 1000);
  engine::ComputeMECRESL(setup);
  engine::ComputeELRESL(setup);
  engine::ComputeENC2THL(setup);
  EXPECT_EQ(Value(setup, "MECRESL"), 4000);
  EXPECT_EQ(Value(setup, "ELRESL"), 80);
  EXPECT_EQ(Value(setup, "ENC2THL"), std::round(50 * kTwoTo32 / 4000));
  // "ELRESL" holds at most 16 bits per revolution.
  Set(setup, "No_encoder_lines", 100000);
  engine::ComputeELRESL(setup);
  EXPECT_EQ(Value(setup, "ELRESL"), std::round(65535.0 / 50.0));
}

TEST(MotorResolution, LinesComeBackWholeForEverySensorType) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  for (double counts : {4000.0, 4003.0, 65536.0}) {
    Set(setup, "MECRESL", counts);
    ASSERT_EQ(engine::RecoverNo_encoder_lines(setup), 1);
    EXPECT_EQ(Value(setup, "No_encoder_lines"), std::trunc(counts / 4));
  }
  const CVX_Parameter* lines = setup.FindParameter("No_encoder_lines");
  EXPECT_EQ(lines->GetMinimum(), 1);
  EXPECT_EQ(lines->GetMaximum(), 1073741823);
  // Fewer than four counts cannot be one line; the limits keep one.
  Set(setup, "MECRESL", 3);
  engine::RecoverNo_encoder_lines(setup);
  EXPECT_EQ(Value(setup, "No_encoder_lines"), 1);
}

TEST(MotorResolution, ZeroStepsOrLinesWriteNothing) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "MotorSensorType", 1);
  Set(setup, "ELRESL", 7);
  Set(setup, "ENC2THL", 7);
  Set(setup, "NoMotorSteps", 0);
  EXPECT_EQ(engine::ComputeELRESL(setup), 0);
  EXPECT_EQ(Value(setup, "ELRESL"), 7);
  Set(setup, "NoMotorSteps", 200);
  Set(setup, "No_encoder_lines", 0);
  EXPECT_EQ(engine::ComputeENC2THL(setup), 0);
  EXPECT_EQ(Value(setup, "ENC2THL"), 7);
}

TEST(MotorResolution, MissingSensorParametersWriteNothing) {
  CVX_Setup setup;
  testsupport::AddParameters(setup, {{"MotorSensorType", 3}, {"NoMotorSteps", 200}});
  testsupport::AddRegister(setup, "MECRESL", 9);
  testsupport::AddRegister(setup, "ENC2THL", 9);
  EXPECT_EQ(engine::ComputeMECRESL(setup), 0);
  EXPECT_EQ(engine::ComputeENC2THL(setup), 0);
  EXPECT_EQ(engine::ComputeELRESL(setup), 0);  // firmware without "ELRESL"
  EXPECT_EQ(Value(setup, "MECRESL"), 9);
  EXPECT_EQ(Value(setup, "ENC2THL"), 9);
}

// ----- sine/cosine interpolation -----

TEST(InterpolationFraction, FollowsCountsPerElectricalPeriod) {
  // 500 lines and 200 steps: 40 counts per period, d = 6.
  EXPECT_EQ(engine::InterpolationFraction(500, 200), 4);
  EXPECT_EQ(engine::InterpolationFraction(800, 200), 4);  // exactly 64 counts: d = 6
  EXPECT_EQ(engine::InterpolationFraction(801, 200), 3);
  EXPECT_EQ(engine::InterpolationFraction(50, 200), 8);   // 4 counts: d = 2, capped at 8
  EXPECT_EQ(engine::InterpolationFraction(12.5, 200), 8);  // 1 count: d = 0
  EXPECT_EQ(engine::InterpolationFraction(6400, 200), 1);   // 512 counts: d = 9
  EXPECT_EQ(engine::InterpolationFraction(6401, 200), 0);   // d = 10
  EXPECT_EQ(engine::InterpolationFraction(10, 200), 8);     // 0.8 counts: d = 0
  EXPECT_EQ(engine::InterpolationFraction(5, 200), 0);      // 0.4 counts: d = -1
}

TEST(InterpolationFraction, UndefinedWithoutLinesOrSteps) {
  EXPECT_FALSE(engine::InterpolationFraction(0, 200));
  EXPECT_FALSE(engine::InterpolationFraction(500, 0));
  EXPECT_FALSE(engine::InterpolationFraction(-5, 200));
}

TEST(InterpolationFraction, RaisesTheSineCosineFractionMinimum) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "MotorSensorType", 2);
  ASSERT_EQ(engine::ComputeELRES_FRACT(setup), 1);
  EXPECT_EQ(Value(setup, "ELRES_FRACT"), 4);
  EXPECT_EQ(setup.FindParameter("SINCOS_fract")->GetMinimum(), 4);
  EXPECT_EQ(setup.FindParameter("SINCOS_fract")->GetMaximum(), 10);
}

TEST(InterpolationFraction, LeftAloneForOtherSensors) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "ELRES_FRACT", 3);
  for (int type : {0, 1, 3, 4}) {
    Set(setup, "MotorSensorType", type);
    EXPECT_EQ(engine::ComputeELRES_FRACT(setup), 1);
    EXPECT_EQ(Value(setup, "ELRES_FRACT"), 3);
  }
}

TEST(InterpolationFraction, AngleIncrementUsesTheFractionJustComputed) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "MotorSensorType", 2);
  Set(setup, "ELRES_FRACT", 0);  // stale: from before the lines were entered
  engine::ComputeELRES_FRACT(setup);
  engine::ComputeENC2THL(setup);
  EXPECT_EQ(Value(setup, "ENC2THL"), std::round(50 * kTwoTo32 / (16 * 2000)));
  const double first = Value(setup, "ENC2THL");
  engine::ComputeELRES_FRACT(setup);
  engine::ComputeENC2THL(setup);
  EXPECT_EQ(Value(setup, "ENC2THL"), first);
}

// A closed-loop sine/cosine axis on firmware without the position range
// register, as the register computation sequence sees it.
CVX_Setup MakeSineCosineSetupWithoutPositionRange(double motorSteps) {
  CVX_Setup setup;
  testsupport::AddParameters(setup, {{"StepperControlType", 1},
                                    {"MotorSensorType", 2},
                                    {"LoadSensorType", 0},
                                    {"No_encoder_lines", 500},
                                    {"NoMotorSteps", motorSteps}});
  testsupport::AddParameter(setup, "SINCOS_fract", 8)->InitLimits(0, 10);
  testsupport::AddRegister(setup, "ELRES_FRACT", 0);
  testsupport::AddParameter(setup, "ENC2THL", 0, kernel::ValueType::kUInt32);
  return setup;
}

TEST(InterpolationFraction, ComputedBySequenceWithoutPositionRange) {
  // 500 lines: 40 counts per period with 200 steps (d = 6), 20 with 400 (d = 5).
  for (const auto& [steps, fraction] : {std::pair{200.0, 4.0}, std::pair{400.0, 5.0}}) {
    SCOPED_TRACE(steps);
    CVX_Setup setup = MakeSineCosineSetupWithoutPositionRange(steps);
    engine::ComputeRegisterParameters(setup);
    EXPECT_EQ(Value(setup, "ELRES_FRACT"), fraction);
    EXPECT_EQ(setup.FindParameter("SINCOS_fract")->GetMinimum(), fraction);
    // The angle increment counts the interpolated counts, not the stale 0.
    EXPECT_EQ(Value(setup, "ENC2THL"), std::round(steps / 4 * kTwoTo32 / (std::exp2(fraction) * 2000)));
  }
}

TEST(InterpolationFraction, ComputedWithoutTheUsersFractionChoice) {
  CVX_Setup setup;
  testsupport::AddParameters(setup, {{"MotorSensorType", 2}, {"No_encoder_lines", 500}, {"NoMotorSteps", 200}});
  testsupport::AddRegister(setup, "ELRES_FRACT", 0);
  ASSERT_EQ(engine::ComputeELRES_FRACT(setup), 1);
  EXPECT_EQ(Value(setup, "ELRES_FRACT"), 4);
}

// ----- start-move check -----

TEST(StartMoveCheck, SixtyPercentOfAStepOfTheWholeSerialWord) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  ASSERT_EQ(engine::ComputeABSTART_MINMOVE(setup), 1);
  EXPECT_EQ(Value(setup, "ABSTART_MINMOVE"), std::round(131072.0 / 200 * 0.6));  // 393
}

TEST(StartMoveCheck, CountsInterpolatedSineCosineCounts) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "MotorSensorType", 2);
  Set(setup, "ELRES_FRACT", 4);
  Set(setup, "ABSTART_MINMOVE_PERCENT", 50);
  engine::ComputeABSTART_MINMOVE(setup);
  EXPECT_EQ(Value(setup, "ABSTART_MINMOVE"), 2000.0 * 16 / 200 * 0.5);
}

TEST(StartMoveCheck, DefaultsToSixtyPercentAndIsZeroInOpenLoop) {
  CVX_Setup setup;
  testsupport::AddParameters(setup, {{"StepperControlType", 1}, {"MotorSensorType", 1}, {"No_encoder_lines", 1000},
                                    {"NoMotorSteps", 200}});
  testsupport::AddRegister(setup, "ABSTART_MINMOVE", 0);
  engine::ComputeABSTART_MINMOVE(setup);
  EXPECT_EQ(Value(setup, "ABSTART_MINMOVE"), 12);
  Set(setup, "StepperControlType", 0);
  engine::ComputeABSTART_MINMOVE(setup);
  EXPECT_EQ(Value(setup, "ABSTART_MINMOVE"), 0);
}

TEST(StartMoveCheck, ZeroStepsWriteNothing) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "ABSTART_MINMOVE", 5);
  Set(setup, "NoMotorSteps", 0);
  EXPECT_EQ(engine::ComputeABSTART_MINMOVE(setup), 0);
  EXPECT_EQ(Value(setup, "ABSTART_MINMOVE"), 5);
}

}  // namespace
