#include <gtest/gtest.h>

#include "config_words_test_setup.h"

// "PCR", "UPGRADE", "DIGIN_ACTIVE_LEVEL", "BRAKECFG" and "LSS_Active".
namespace {

using cwtest::Set;
using cwtest::Value;
using cwtest::WordOf;

TEST(ProtectionControlWord, EachFlagHasItsBitAndTheDriveBitsStay) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  Set(setup, "PCR", 0xFFFF);
  for (const char* flag : {"isOverCurrent", "isMotorOverTemp", "isOverVoltage", "isDriveI2t"}) Set(setup, flag, 1);
  cwtest::RoundTrip(setup);
  EXPECT_EQ(WordOf(setup, "PCR"), 0xFF40u | 0x01 | 0x04 | 0x10 | 0x80);
  for (const char* flag : {"isOverCurrent", "isMotorOverTemp", "isOverVoltage", "isDriveI2t"})
    EXPECT_EQ(Value(setup, flag), 1) << flag;
  for (const char* flag : {"isMotorI2t", "isDriveOverTemp", "isUnderVoltage"}) EXPECT_EQ(Value(setup, flag), 0) << flag;
}

// The motor I2t flag is spelt "isMotori2t" in some firmware's parameter list.
TEST(ProtectionControlWord, MotorI2tFlagFoundInEitherSpelling) {
  CVX_Setup setup;
  testsupport::AddRegister(setup, "PCR", 0x02);
  testsupport::AddParameter(setup, "isMotori2t", 0);
  ASSERT_EQ(engine::RecoverIsMotorI2t(setup), 1);
  EXPECT_EQ(Value(setup, "isMotori2t"), 1);
}

TEST(ProtectionControlWord, DisabledMotorTemperatureCannotBeSwitchedOn) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  setup.SetOption("DisableMotorTemperature", "1");
  Set(setup, "PCR", 0x04);
  ASSERT_EQ(engine::RecoverIsMotorOverTemp(setup), 1);
  EXPECT_EQ(setup.FindParameter("isMotorOverTemp")->GetMaximum(), 0);
  EXPECT_EQ(Value(setup, "isMotorOverTemp"), 0);
}

TEST(FeatureWord, AlwaysClearsBitFifteen) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  Set(setup, "UPGRADE", 0x8200);
  Set(setup, "isLimitMaximum", 1);
  cwtest::RoundTrip(setup);
  // Bit 9 (time base) kept; bit 11 for the default motion complete type 0.
  EXPECT_EQ(WordOf(setup, "UPGRADE"), 0x0A04u);
  EXPECT_EQ(Value(setup, "isLimitMaximum"), 1);
}

TEST(FeatureWord, FastLoopOnlyForASingleIncrementalMotorEncoder) {
  struct Row {
    int control, motor, load;
    unsigned bit6;
  };
  // Open loop does not touch the bit, set on entry.
  for (const Row& row : {Row{1, 1, 0, 0x40}, Row{1, 2, 0, 0}, Row{1, 1, 1, 0}, Row{0, 2, 0, 0x40}}) {
    SCOPED_TRACE(testing::Message() << "control " << row.control << " sensors " << row.motor << "/" << row.load);
    CVX_Setup setup = cwtest::MakeWordsSetup();
    Set(setup, "UPGRADE", 0x40);
    Set(setup, "StepperControlType", row.control);
    Set(setup, "MotorSensorType", row.motor);
    Set(setup, "LoadSensorType", row.load);
    Set(setup, "PosSpd_in_FastLoop", 1);
    ASSERT_EQ(engine::ComputeUPGRADE(setup), 1);
    EXPECT_EQ(WordOf(setup, "UPGRADE") & 0x40, row.bit6);
  }
}

TEST(FeatureWord, MotionCompleteTypeOnlyWithItsDefaults) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  ASSERT_EQ(engine::ComputeUPGRADE(setup), 1);
  EXPECT_EQ(WordOf(setup, "UPGRADE") & 0x800, 0x800u) << "type 0: the drive's default motion complete";
  EXPECT_EQ(engine::RecoverMotionCompleteType(setup), 1);
  EXPECT_EQ(Value(setup, "MotionCompleteType"), 0);

  CVX_Setup without;
  testsupport::AddRegister(without, "UPGRADE", 0);
  testsupport::AddParameters(without, {{"isLimitMaximum", 0}, {"MotionCompleteType", 0}});
  ASSERT_EQ(engine::ComputeUPGRADE(without), 1);
  EXPECT_EQ(WordOf(without, "UPGRADE"), 0u);
  EXPECT_EQ(engine::RecoverMotionCompleteType(without), 0);
  EXPECT_EQ(Value(without, "MotionCompleteType"), 0);
}

TEST(InputActiveLevelWord, PolaritiesRoundTripAndOtherBitsStay) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  Set(setup, "DIGIN_ACTIVE_LEVEL", 0x4FFF);
  Set(setup, "EnablePolarity", 1);
  Set(setup, "LSPPolarity", 1);
  cwtest::RoundTrip(setup);
  EXPECT_EQ(WordOf(setup, "DIGIN_ACTIVE_LEVEL"), 0xAFFFu);
  EXPECT_EQ(Value(setup, "EnablePolarity"), 1);
  EXPECT_EQ(Value(setup, "LSNPolarity"), 0);
  EXPECT_EQ(Value(setup, "LSPPolarity"), 1);
}

TEST(BrakeWord, PinOfThePortAndTheEnableBit) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  Set(setup, "isMotorBrake", 1);
  Set(setup, "MotorBrake_output", 2);
  cwtest::RoundTrip(setup);
  EXPECT_EQ(WordOf(setup, "BRAKECFG"), (11u << 8) | 1u);
  EXPECT_EQ(Value(setup, "isMotorBrake"), 1);
  EXPECT_EQ(Value(setup, "MotorBrake_output"), 2);
  EXPECT_EQ(setup.FindParameter("MotorBrake_output")->GetMinimum(), 1);
  EXPECT_EQ(setup.FindParameter("MotorBrake_output")->GetMaximum(), 3);
}

// Port 9 has no pin: the kernel answers -1, which shifted into the word made
// it negative, stored as 0, and the brake came back switched off.
TEST(BrakeWord, UnknownPortKeepsTheStoredPinAndTheEnableBit) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  Set(setup, "BRAKECFG", 12u << 8);
  Set(setup, "isMotorBrake", 1);
  Set(setup, "MotorBrake_output", 9);
  ASSERT_EQ(engine::ComputeBRAKECFG(setup), 1);
  EXPECT_EQ(WordOf(setup, "BRAKECFG"), (12u << 8) | 1u);
  cwtest::RecoverWords(setup);
  EXPECT_EQ(Value(setup, "isMotorBrake"), 1);
  EXPECT_EQ(Value(setup, "MotorBrake_output"), 3);
}

// A stored pin the drive does not list would have become port -1.
TEST(BrakeWord, UnknownPinLeavesThePort) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  Set(setup, "BRAKECFG", (40u << 8) | 1u);
  Set(setup, "MotorBrake_output", 2);
  EXPECT_EQ(engine::RecoverMotorBrake_output(setup), 0);
  EXPECT_EQ(Value(setup, "MotorBrake_output"), 2);
}

TEST(CanIdentificationWord, SetBitsMeanNotSaved) {
  struct Row {
    int baudRate, axisId;
    unsigned word;
  };
  for (const Row& row : {Row{1, 1, 0}, Row{0, 1, 2}, Row{1, 0, 1}, Row{0, 0, 3}}) {
    SCOPED_TRACE(testing::Message() << "baud rate " << row.baudRate << " axis id " << row.axisId);
    CVX_Setup setup = cwtest::MakeWordsSetup();
    Set(setup, "save_CAN_baudrate", row.baudRate);
    Set(setup, "save_axis_id", row.axisId);
    cwtest::RoundTrip(setup);
    EXPECT_EQ(WordOf(setup, "LSS_Active"), row.word);
    EXPECT_EQ(Value(setup, "save_CAN_baudrate"), row.baudRate);
    EXPECT_EQ(Value(setup, "save_axis_id"), row.axisId);
  }
}

}  // namespace
