#include <gtest/gtest.h>

#include "config_words_test_setup.h"

// "ACR": control mode field, reference source, freeze control, speed
// feed-forward and the bits it keeps.
namespace {

using cwtest::Set;
using cwtest::Value;
using cwtest::WordOf;

void AddAnalogueReference(CVX_Setup& setup) {
  setup.AddVariable("CADIN", 1);
  testsupport::AddParameter(setup, "CADIN", 0);
}

TEST(ApplicationControlWord, ModeFieldCodesLoopAndMode) {
  struct Row {
    int control, mode, positionType, load;
    unsigned field;  // bits 8-10, 13
    int recovered;
  };
  const Row rows[] = {
      {1, 0, 0, 0, 0x0500, 0}, {1, 0, 1, 0, 0x0700, 0}, {1, 1, 0, 0, 0x0300, 1}, {1, 2, 0, 0, 0x0100, 2},
      {0, 0, 0, 0, 0x0500, 0}, {0, 0, 0, 1, 0x0700, 0}, {0, 1, 0, 0, 0x2500, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "control " << row.control << " mode " << row.mode << " position type "
                                    << row.positionType << " load " << row.load);
    CVX_Setup setup = cwtest::MakeWordsSetup();
    Set(setup, "StepperControlType", row.control);
    Set(setup, "ControlMode", row.mode);
    Set(setup, "PositionControlType", row.positionType);
    Set(setup, "LoadSensorType", row.load);
    cwtest::RoundTrip(setup);
    EXPECT_EQ(WordOf(setup, "ACR") & 0x2700, row.field);
    EXPECT_EQ(Value(setup, "ControlMode"), row.recovered);
  }
}

TEST(ApplicationControlWord, UnknownClosedLoopModeLeavesTheWord) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  Set(setup, "StepperControlType", 1);
  Set(setup, "ControlMode", 3);
  Set(setup, "isAutoActivatedAfterPowerOn", 1);
  Set(setup, "ACR", 0x1234);
  EXPECT_EQ(engine::ComputeACR(setup), 0);
  EXPECT_EQ(WordOf(setup, "ACR"), 0x1234u);
}

TEST(ApplicationControlWord, ReferenceSourceRoundTrips) {
  struct Row {
    int external, analogue, digitalType;
    unsigned bits;  // 2, 6, 7; bit 2 was set on entry
  };
  for (const Row& row : {Row{1, 1, 0, 0x44}, Row{1, 0, 0, 0x84}, Row{1, 0, 1, 0x80}, Row{0, 1, 1, 0x04}}) {
    SCOPED_TRACE(testing::Message() << "external " << row.external << " analogue " << row.analogue << " digital type "
                                    << row.digitalType);
    CVX_Setup setup = cwtest::MakeWordsSetup();
    AddAnalogueReference(setup);
    Set(setup, "ACR", 0x04);
    Set(setup, "ExternalReference", row.external);
    Set(setup, "isAnalogueReference", row.analogue);
    Set(setup, "DigitalReferenceType", row.digitalType);
    cwtest::RoundTrip(setup);
    EXPECT_EQ(WordOf(setup, "ACR") & 0xC4, row.bits);
    EXPECT_EQ(Value(setup, "ExternalReference"), row.external);
    if (row.external == 1) {
      EXPECT_EQ(Value(setup, "isAnalogueReference"), row.analogue);
      if (row.analogue == 0) {
        EXPECT_EQ(Value(setup, "DigitalReferenceType"), row.digitalType);
      }
    }
  }
}

TEST(ApplicationControlWord, AnalogueReferenceOnlyOnADriveWithTheInput) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  Set(setup, "ACR", 0x40);
  ASSERT_EQ(engine::RecoverIsAnalogueReference(setup), 1);
  EXPECT_EQ(setup.FindParameter("isAnalogueReference")->GetMaximum(), 0);
  EXPECT_EQ(Value(setup, "isAnalogueReference"), 0);
}

TEST(ApplicationControlWord, FreezeControlHoldsAPositionOnASensor) {
  struct Row {
    int control, mode, load, recovered;
  };
  for (const Row& row : {Row{1, 0, 0, 1}, Row{0, 0, 1, 1}, Row{0, 0, 0, 0}, Row{1, 1, 0, 0}}) {
    SCOPED_TRACE(testing::Message() << "control " << row.control << " mode " << row.mode << " load " << row.load);
    CVX_Setup setup = cwtest::MakeWordsSetup();
    Set(setup, "StepperControlType", row.control);
    Set(setup, "ControlMode", row.mode);
    Set(setup, "LoadSensorType", row.load);
    Set(setup, "isFreezeControl", 1);
    cwtest::RoundTrip(setup);
    EXPECT_EQ(WordOf(setup, "ACR") & 0x10, 0x10u);
    EXPECT_EQ(Value(setup, "isFreezeControl"), row.recovered);
  }
}

TEST(ApplicationControlWord, SpeedForwardTargetFollowsTheLoop) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  Set(setup, "StepperControlType", 1);
  cwtest::RoundTrip(setup);
  EXPECT_EQ(Value(setup, "SpeedForward"), 0);
  Set(setup, "SpeedForward", 1);
  cwtest::RoundTrip(setup);
  EXPECT_EQ(WordOf(setup, "ACR") & 0x4000, 0x4000u);
  EXPECT_EQ(Value(setup, "SpeedForward"), 1);
  // Open loop feeds the current loop and clears the bit.
  Set(setup, "StepperControlType", 0);
  Set(setup, "SpeedForward", 0);
  cwtest::RoundTrip(setup);
  EXPECT_EQ(WordOf(setup, "ACR") & 0x4000, 0u);
  EXPECT_EQ(Value(setup, "SpeedForward"), 1);
}

TEST(ApplicationControlWord, SpeedForwardRuleOnlyWhenPositionDrivesSpeedIsOff) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  Set(setup, "PositionControlType", 1);
  ASSERT_EQ(engine::ApplySpeedForwardRule(setup), 1);
  EXPECT_EQ(Value(setup, "SpeedForward"), 0);
  EXPECT_EQ(WordOf(setup, "ACR"), 0u);
  Set(setup, "ControlMode", 1);
  ASSERT_EQ(engine::ApplySpeedForwardRule(setup), 1);
  EXPECT_EQ(Value(setup, "SpeedForward"), 1);
  EXPECT_EQ(WordOf(setup, "ACR"), 0x4000u);
}

TEST(ApplicationControlWord, KeepsTheBitsItDoesNotOwn) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  Set(setup, "ACR", 0xFFFF);
  Set(setup, "StepperControlType", 1);
  ASSERT_EQ(engine::ComputeACR(setup), 1);
  // Bits 0, 2, 3, 5, 11, 12, 15 kept; position mode over current adds 0x500.
  EXPECT_EQ(WordOf(setup, "ACR"), 0x9D2Du);
}

}  // namespace
