#include <gtest/gtest.h>

#include "config_words_test_setup.h"

// "SCR": the sensor fields, the old-style speed estimator and the bits read
// back from stored words.
namespace {

using cwtest::Set;
using cwtest::Value;
using cwtest::WordOf;

CVX_Setup Sensors(int control, int motor, int load) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  Set(setup, "StepperControlType", control);
  Set(setup, "MotorSensorType", motor);
  Set(setup, "LoadSensorType", load);
  return setup;
}

TEST(SensorConfigurationWord, OpenLoopWithoutSensorsFillsTheSensorFields) {
  CVX_Setup setup = Sensors(0, 0, 0);
  cwtest::RoundTrip(setup);
  EXPECT_EQ(WordOf(setup, "SCR") & 0x3F, 0x3Fu);
  EXPECT_EQ(Value(setup, "MotorSensorType"), 0);
  EXPECT_EQ(Value(setup, "LoadSensorType"), 0);
}

TEST(SensorConfigurationWord, ClosedLoopCodesBothSensors) {
  CVX_Setup setup = Sensors(1, 1, 3);
  cwtest::RoundTrip(setup);
  EXPECT_EQ(WordOf(setup, "SCR") & 0x7F, 0x43u);
  EXPECT_EQ(Value(setup, "MotorSensorType"), 1);
  EXPECT_EQ(Value(setup, "LoadSensorType"), 3);
}

TEST(SensorConfigurationWord, ClosedLoopCodesASingleSerialSensor) {
  CVX_Setup setup = Sensors(1, 4, 0);
  cwtest::RoundTrip(setup);
  EXPECT_EQ(WordOf(setup, "SCR") & 0x07, 5u);
  EXPECT_EQ(Value(setup, "MotorSensorType"), 4);
}

// The old-style estimator shares bits 3-5 with the motor field of two
// sensors; written for another sensor it made a sine/cosine motor sensor
// read back as incremental.
TEST(SensorConfigurationWord, OldStyleEstimatorOnlyWithASingleIncrementalEncoder) {
  struct Row {
    int motor, load;
    unsigned field;  // "SCR" bits 3-5
  };
  for (const Row& row : {Row{1, 0, 0x30}, Row{0, 1, 0x30}, Row{2, 0, 0}, Row{3, 0, 0}, Row{0, 2, 0}}) {
    SCOPED_TRACE(testing::Message() << "sensors " << row.motor << "/" << row.load);
    CVX_Setup setup = Sensors(1, row.motor, row.load);
    Set(setup, "isSpeedEstimator", 1);
    ASSERT_EQ(engine::ComputeSCR(setup), 1);
    EXPECT_EQ(WordOf(setup, "SCR") & 0x38, row.field);
  }
  CVX_Setup sinCos = Sensors(1, 2, 0);
  Set(sinCos, "isSpeedEstimator", 1);
  cwtest::RoundTrip(sinCos);
  EXPECT_EQ(Value(sinCos, "MotorSensorType"), 2);
  EXPECT_EQ(Value(sinCos, "isSpeedEstimator"), 0);
}

TEST(SensorConfigurationWord, NewStyleEstimatorLeavesTheSensorFieldsAlone) {
  CVX_Setup setup = Sensors(1, 1, 0);
  setup.SetOption("newSpeedEstimator", "1");
  Set(setup, "isSpeedEstimator", 1);
  cwtest::RoundTrip(setup);
  EXPECT_EQ(WordOf(setup, "SCR") & 0x38, 0u);
  EXPECT_EQ(WordOf(setup, "ASR") & 0x8000, 0x8000u);
  EXPECT_EQ(Value(setup, "isSpeedEstimator"), 1);
}

TEST(SensorConfigurationWord, NewStyleEstimatorNeedsAFineSensorOutsideTheFastLoop) {
  struct Row {
    int motor, load, sinCos, sinCosLoad, fastLoop;
    bool applies;
  };
  const Row rows[] = {
      {1, 0, 0, 0, 0, true},  {1, 3, 0, 0, 0, true},  {2, 0, 1, 0, 0, true},  {2, 0, 2, 0, 0, false},
      {0, 1, 0, 0, 0, true},  {0, 2, 0, 1, 0, true},  {0, 2, 0, 3, 0, false}, {3, 0, 0, 0, 0, false},
      {0, 0, 0, 0, 0, false}, {1, 0, 0, 0, 1, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "sensors " << row.motor << "/" << row.load << " fast loop " << row.fastLoop);
    CVX_Setup setup = Sensors(1, row.motor, row.load);
    setup.SetOption("newSpeedEstimator", "1");
    Set(setup, "SINCOS_fract", row.sinCos);
    Set(setup, "SINCOS_fract_LD", row.sinCosLoad);
    Set(setup, "PosSpd_in_FastLoop", row.fastLoop);
    Set(setup, "isSpeedEstimator", 1);
    EXPECT_EQ(engine::SpeedEstimatorApplies(setup), row.applies);
    ASSERT_EQ(engine::ComputeASR(setup), 1);
    ASSERT_EQ(engine::RecoverIsSpeedEstimator(setup), 1);
    EXPECT_EQ(Value(setup, "isSpeedEstimator"), row.applies ? 1 : 0);
  }
}

TEST(SensorConfigurationWord, FlagsMotorTypeAndReferenceInputRoundTrip) {
  CVX_Setup setup = Sensors(0, 1, 0);
  Set(setup, "StepperMotorType", 1);
  Set(setup, "isMotorTemperatureSensor", 1);
  Set(setup, "DigitalReferenceConnector", 1);
  cwtest::RoundTrip(setup);
  EXPECT_EQ(WordOf(setup, "SCR") & 0xF180, 0xD080u);
  EXPECT_EQ(Value(setup, "StepperMotorType"), 1);
  EXPECT_EQ(Value(setup, "isMotorTemperatureSensor"), 1);
  EXPECT_EQ(Value(setup, "isDriveTemperatureSensor"), 0);
  EXPECT_EQ(Value(setup, "DigitalReferenceConnector"), 1);
}

// Words as a drive's setup file may hold them.
TEST(SensorConfigurationWord, StoredWordsReadAsTheirLayoutSays) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  // Open loop, sine/cosine code with bit 9: reads as an incremental encoder.
  Set(setup, "SCR", 0x023A);
  Set(setup, "OSR", 0);
  ASSERT_EQ(engine::RecoverMotorSensorType(setup), 1);
  EXPECT_EQ(Value(setup, "MotorSensorType"), 1);
  // Motor type bits 111 are no three-phase motor: only 101 is.
  Set(setup, "SCR", 0x7000);
  ASSERT_EQ(engine::RecoverStepperMotorType(setup), 1);
  EXPECT_EQ(Value(setup, "StepperMotorType"), 0);
}

TEST(SensorConfigurationWord, TypesAndInputsAreLimitedToWhatTheDriveHas) {
  CVX_Setup setup = Sensors(1, 1, 2);
  CVX_DriveCapabilities caps = cwtest::WordsCapabilities();
  caps.sensorInputs.resize(1);
  caps.sensorNames.erase(4);
  setup.SetCapabilities(caps);
  Set(setup, "MotorSensorConnector", 1);
  cwtest::RoundTrip(setup);
  EXPECT_EQ(setup.FindParameter("MotorSensorType")->GetMaximum(), 3);
  EXPECT_EQ(setup.FindParameter("MotorSensorConnector")->GetMaximum(), 0);
  EXPECT_EQ(Value(setup, "MotorSensorConnector"), 0);
}

TEST(SensorConfigurationWord, MissingParameterWritesNothing) {
  CVX_Setup setup;
  testsupport::AddRegister(setup, "SCR", 0x1234);
  testsupport::AddParameters(setup, {{"StepperControlType", 1}, {"MotorSensorType", 1}, {"LoadSensorType", 0}});
  EXPECT_EQ(engine::ComputeSCR(setup), 0);
  EXPECT_EQ(WordOf(setup, "SCR"), 0x1234u);
  // No "OSR": the sensor type cannot be read and keeps value and limits.
  EXPECT_EQ(engine::RecoverMotorSensorType(setup), 0);
  EXPECT_EQ(Value(setup, "MotorSensorType"), 1);
  EXPECT_FALSE(setup.FindParameter("MotorSensorType")->HasMaximum());
}

}  // namespace
