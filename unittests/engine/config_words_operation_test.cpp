#include <gtest/gtest.h>

#include "config_words_test_setup.h"

// "OSR" and "ASR": the bits they rebuild, the bits they keep, the start mode
// and the capability-gated bits.
namespace {

using cwtest::Set;
using cwtest::Value;
using cwtest::WordOf;

TEST(OperatingSetupWord, KeepsTheDriveBitsAndRebuildsTheRest) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  Set(setup, "OSR", 0xFFFF);
  ASSERT_EQ(engine::ComputeOSR(setup), 1);
  // Open loop, two-phase, no sensor: bits 0, 1, 8, 9, 11, 15 kept; bit 2, 13,
  // 14 set; 3, 4, 5 (no "SOLmodeEncOnLoad"), 6, 7, 10, 12 clear.
  EXPECT_EQ(WordOf(setup, "OSR"), 0xEB07u);
}

TEST(OperatingSetupWord, StartModeNeedsASensorItCanStartFrom) {
  struct Row {
    int control, motor, startMode;
    bool intelligent;
    unsigned field;
    int recovered;
  };
  const Row rows[] = {
      {0, 0, 2, true, 0x1C, 2},  // a motor that knows its position, even in open loop
      {0, 0, 2, false, 0x04, 0}, {1, 3, 2, false, 0x1C, 2}, {1, 1, 2, false, 0x04, 0}, {1, 1, 1, false, 0x14, 1},
      {1, 4, 1, false, 0x04, 0}, {0, 1, 1, false, 0x04, 0}, {1, 1, 3, false, 0x04, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "control " << row.control << " sensor " << row.motor << " start mode "
                                    << row.startMode << " intelligent " << row.intelligent);
    CVX_Setup setup = cwtest::MakeWordsSetup();
    if (row.intelligent) setup.SetOption("isIntelligentMotor", "1");
    Set(setup, "StepperControlType", row.control);
    Set(setup, "MotorSensorType", row.motor);
    Set(setup, "StartMode", row.startMode);
    cwtest::RoundTrip(setup);
    EXPECT_EQ(WordOf(setup, "OSR") & 0x1C, row.field);
    EXPECT_EQ(Value(setup, "StartMode"), row.recovered);
  }
}

TEST(OperatingSetupWord, AlternativeControllerOnlyForOpenLoopTwoPhase) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  Set(setup, "SOL_controller_mode", 1);
  cwtest::RoundTrip(setup);
  EXPECT_EQ(WordOf(setup, "OSR") & 0x6000, 0x2000u);
  EXPECT_EQ(Value(setup, "SOL_controller_mode"), 1);

  Set(setup, "StepperMotorType", 1);
  cwtest::RoundTrip(setup);
  EXPECT_EQ(WordOf(setup, "OSR") & 0x6000, 0x6000u);
  EXPECT_EQ(Value(setup, "SOL_controller_mode"), 1) << "left as it is for a three-phase motor";
}

TEST(OperatingSetupWord, LoadEncoderInOpenLoopRoundTrips) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  Set(setup, "SOLmodeEncOnLoad", 1);
  Set(setup, "LoadSensorType", 1);
  cwtest::RoundTrip(setup);
  EXPECT_EQ(WordOf(setup, "OSR") & 0x1020, 0x1020u);
  EXPECT_EQ(Value(setup, "SOLmodeEncOnLoad"), 1);
}

TEST(ApplicationSetupWord, FlagsRoundTripAndOtherBitsStay) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  Set(setup, "ASR", 0x4D7B);  // bits 0, 1, 3-6, 8, 10, 11, 14
  Set(setup, "InputsPolarityType", 1);
  Set(setup, "isSWLS", 1);
  Set(setup, "IsReverseMovementDirection", 0);
  cwtest::RoundTrip(setup);
  // Bit 2 clear for polarity type 1, 11 cleared, 12 set; the rest as they were.
  EXPECT_EQ(WordOf(setup, "ASR"), 0x557Bu);
  EXPECT_EQ(Value(setup, "InputsPolarityType"), 1);
  EXPECT_EQ(Value(setup, "isSWLS"), 1);
  EXPECT_EQ(Value(setup, "IsReverseMovementDirection"), 0);
}

TEST(ApplicationSetupWord, NegativeTransmissionOnlyWhenTheDriveTakesIt) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  Set(setup, "Motor_transmission", -3);
  ASSERT_EQ(engine::ComputeASR(setup), 1);
  EXPECT_EQ(WordOf(setup, "ASR") & 0x80, 0u);
  setup.SetOption("hasNegTransmission", "1");
  ASSERT_EQ(engine::ComputeASR(setup), 1);
  EXPECT_EQ(WordOf(setup, "ASR") & 0x80, 0x80u);
  Set(setup, "Motor_transmission", 0);  // no ratio, no sign
  ASSERT_EQ(engine::ComputeASR(setup), 1);
  EXPECT_EQ(WordOf(setup, "ASR") & 0x80, 0u);
}

TEST(ApplicationSetupWord, LongResolutionsAboveSixteenBits) {
  struct Row {
    double steps, lines;
    bool isLong;
  };
  // 200 * 256 = 51200 microsteps; 400 * 256 = 102400; 20000 lines = 80000 counts.
  for (const Row& row :
       {Row{200, 1000, false}, Row{400, 1000, true}, Row{200, 20000, true}, Row{200, 16383.75, false}}) {
    SCOPED_TRACE(testing::Message() << row.steps << " steps, " << row.lines << " lines");
    CVX_Setup setup = cwtest::MakeWordsSetup();
    testsupport::AddParameters(setup, {{"ENCRESLONG", 0}, {"STEPRESLONG", 0}, {"No_encoder_lines", row.lines}});
    Set(setup, "StepperControlType", 1);
    Set(setup, "MotorSensorType", 1);
    Set(setup, "NoMotorSteps", row.steps);
    ASSERT_EQ(engine::ComputeASR(setup), 1);
    EXPECT_EQ((WordOf(setup, "ASR") & 0x200) != 0, row.isLong);
  }
}

TEST(ApplicationSetupWord, MissingCapabilitiesLeaveTheirBits) {
  CVX_Setup setup;
  testsupport::AddRegister(setup, "ASR", 0x1004);
  setup.SetOption("hasNegTransmission", "1");
  // The option asks for the transmission, which this setup lacks.
  EXPECT_EQ(engine::ComputeASR(setup), 0);
  EXPECT_EQ(WordOf(setup, "ASR"), 0x1004u);
  setup.ClearOption("hasNegTransmission");
  ASSERT_EQ(engine::ComputeASR(setup), 1);
  EXPECT_EQ(WordOf(setup, "ASR"), 0x1004u) << "bits 2 and 12 are only written with their parameters";
}

}  // namespace
