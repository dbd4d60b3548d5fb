#include <gtest/gtest.h>

#include "config_words_test_setup.h"

// Encoder input qualification: which input's set a filtered sensor selects,
// the fields written, the bits kept, and the flags read back.
namespace {

using cwtest::Set;
using cwtest::Value;
using cwtest::WordOf;

CVX_Setup Filtered(int motorConnector, int motorValue) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  Set(setup, "StepperControlType", 1);
  Set(setup, "MotorSensorType", 1);
  Set(setup, "MotorSensorConnector", motorConnector);
  Set(setup, "isFilterEnc_MT", 1);
  Set(setup, "FilterEncValue_MT", motorValue);
  return setup;
}

TEST(EncoderQualification, MotorFilterSelectsTheSetOfItsInput) {
  CVX_Setup a = Filtered(0, 4);  // value 4: period 2, selectors 10
  ASSERT_EQ(engine::ComputeQUAL(a), 1);
  EXPECT_EQ(WordOf(a, "QUAL"), 3u);
  EXPECT_EQ(WordOf(a, "QUAL_ACT"), 2u << 16);
  EXPECT_EQ(WordOf(a, "QUAL_AQ2"), 0x8A00u);
  EXPECT_EQ(WordOf(a, "QUAL_BCT"), 0u);
  EXPECT_EQ(WordOf(a, "QUAL_BQ2"), 0u);

  CVX_Setup b = Filtered(1, 11);  // value 11: period 11, selectors 01
  ASSERT_EQ(engine::ComputeQUAL(b), 1);
  EXPECT_EQ(WordOf(b, "QUAL_BCT"), 11u << 16);
  EXPECT_EQ(WordOf(b, "QUAL_BQ2"), 0x15000u);
  EXPECT_EQ(WordOf(b, "QUAL_AQ2"), 0u);
}

TEST(EncoderQualification, ValueOutsideTheTableWritesZeros) {
  CVX_Setup setup = Filtered(0, 13);
  Set(setup, "QUAL_ACT", 0x00FF0000);
  Set(setup, "QUAL_AQ2", 0xCF00);
  ASSERT_EQ(engine::ComputeQUAL(setup), 1);
  EXPECT_EQ(WordOf(setup, "QUAL_ACT"), 0u);
  EXPECT_EQ(WordOf(setup, "QUAL_AQ2"), 0u);
}

TEST(EncoderQualification, KeepsTheBitsOutsideItsFields) {
  CVX_Setup setup = Filtered(1, 0);
  Set(setup, "QUAL_ACT", 0xFFFFFFFF);
  Set(setup, "QUAL_AQ2", 0xFFFFFFFF);
  Set(setup, "QUAL_BCT", 0xFFFFFFFF);
  Set(setup, "QUAL_BQ2", 0xFFFFFFFF);
  ASSERT_EQ(engine::ComputeQUAL(setup), 1);
  EXPECT_EQ(WordOf(setup, "QUAL_ACT"), 0xFF00FFFFu);
  EXPECT_EQ(WordOf(setup, "QUAL_AQ2"), 0xFFFF30FFu);
  EXPECT_EQ(WordOf(setup, "QUAL_BCT"), 0xFF00FFFFu);
  EXPECT_EQ(WordOf(setup, "QUAL_BQ2"), 0xFFFC0FFFu | 0x15000u);
}

TEST(EncoderQualification, LoadFilterOnTheSameInputWins) {
  CVX_Setup setup = Filtered(0, 4);
  Set(setup, "LoadSensorType", 2);
  Set(setup, "LoadSensorConnector", 0);
  Set(setup, "isFilterEnc_LD", 1);
  Set(setup, "FilterEncValue_LD", 7);
  ASSERT_EQ(engine::ComputeQUAL(setup), 1);
  EXPECT_EQ(WordOf(setup, "QUAL_ACT"), 7u << 16);
  EXPECT_EQ(WordOf(setup, "QUAL_AQ2"), 0x4500u);
  // A serial load sensor takes no filter.
  Set(setup, "LoadSensorType", 3);
  ASSERT_EQ(engine::ComputeQUAL(setup), 1);
  EXPECT_EQ(WordOf(setup, "QUAL_ACT"), 2u << 16);
}

TEST(EncoderQualification, FlagsReadTheSetOfEachSensorsInput) {
  struct Row {
    int motorConnector, loadConnector, motorFilter, loadFilter;
  };
  for (const Row& row : {Row{0, 1, 1, 0}, Row{1, 0, 1, 0}, Row{1, 0, 0, 1}, Row{0, 1, 1, 1}, Row{0, 1, 0, 0}}) {
    SCOPED_TRACE(testing::Message() << "inputs " << row.motorConnector << "/" << row.loadConnector << " filters "
                                    << row.motorFilter << "/" << row.loadFilter);
    CVX_Setup setup = Filtered(row.motorConnector, 3);
    Set(setup, "isFilterEnc_MT", row.motorFilter);
    Set(setup, "LoadSensorType", 1);
    Set(setup, "LoadSensorConnector", row.loadConnector);
    Set(setup, "isFilterEnc_LD", row.loadFilter);
    Set(setup, "FilterEncValue_LD", 5);
    cwtest::RoundTrip(setup);
    EXPECT_EQ(Value(setup, "isFilterEnc_MT"), row.motorFilter);
    EXPECT_EQ(Value(setup, "isFilterEnc_LD"), row.loadFilter);
  }
}

TEST(EncoderQualification, OnlyWithTheFilterParameters) {
  CVX_Setup setup;
  for (const char* word : {"QUAL", "QUAL_ACT", "QUAL_AQ2", "QUAL_BCT", "QUAL_BQ2"})
    testsupport::AddParameter(setup, word, 0, kernel::ValueType::kUInt32);
  testsupport::AddParameters(setup, {{"isFilterEnc_MT", 1}, {"MotorSensorConnector", 0}, {"LoadSensorType", 0}});
  EXPECT_EQ(engine::ComputeQUAL(setup), 0);
  EXPECT_EQ(WordOf(setup, "QUAL"), 0u);
}

}  // namespace
