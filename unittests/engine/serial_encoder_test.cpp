#include "engine/serial_encoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "engine/feedback_sensors.h"
#include "feedback_sensors_test_setup.h"

namespace {

using fbtest::Set;
using fbtest::Value;

void ComputeFrame(CVX_Setup& setup) {
  for (auto compute : {engine::ComputeSSITURNS, engine::ComputeSSIREV, engine::ComputeSSITYPE, engine::ComputeSSISENSE,
                       engine::ComputeSSIFDBKTYPE, engine::ComputeZAOFF})
    ASSERT_EQ(compute(setup), 1);
}

void SetSensor(CVX_Setup& setup, std::string_view suffix, double multiTurn, double turns, double bits, double gray,
               double reverse) {
  const auto name = [suffix](const char* base) { return std::string(base) + std::string(suffix); };
  Set(setup, name("SSI_isMultiTurn"), multiTurn);
  Set(setup, name("SSI_No_Bits_Turns"), turns);
  Set(setup, name("SSI_No_Bits_Revolution"), bits);
  Set(setup, name("SSI_isGray"), gray);
  Set(setup, name("SSI_isReverseCounting"), reverse);
}

// ----- frame -----

TEST(SerialFrame, DescribesTheMotorSensor) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  SetSensor(setup, "", 1, 12, 17, 1, 1);
  SetSensor(setup, "_LD", 0, 0, 13, 0, 0);
  ComputeFrame(setup);
  EXPECT_EQ(Value(setup, "SSITURNS"), 12);
  EXPECT_EQ(Value(setup, "SSIREV"), 17);
  EXPECT_EQ(Value(setup, "SSITYPE"), 1);
  EXPECT_EQ(Value(setup, "SSISENSE"), -1);
  EXPECT_EQ(Value(setup, "SSIFDBKTYPE"), 1);
  EXPECT_EQ(Value(setup, "ZAOFF"), 874);
}

TEST(SerialFrame, DescribesTheLoadSensorWhenItIsSerial) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "MotorSensorType", 1);
  Set(setup, "LoadSensorType", 4);
  SetSensor(setup, "", 1, 12, 17, 1, 1);
  SetSensor(setup, "_LD", 0, 9, 13, 0, 0);
  ComputeFrame(setup);
  EXPECT_EQ(Value(setup, "SSITURNS"), 0);  // turn bits of a single-turn encoder count for nothing
  EXPECT_EQ(Value(setup, "SSIREV"), 13);
  EXPECT_EQ(Value(setup, "SSITYPE"), 0);
  EXPECT_EQ(Value(setup, "SSISENSE"), 1);
  EXPECT_EQ(Value(setup, "SSIFDBKTYPE"), 2);
}

TEST(SerialFrame, RecoversIntoEitherSensor) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "SSITURNS", 12);
  Set(setup, "SSIREV", 25);
  Set(setup, "SSITYPE", 1);
  Set(setup, "SSISENSE", -1);
  for (const engine::SerialSensorNames& names : {engine::kMotorSerialSensor, engine::kLoadSerialSensor}) {
    SCOPED_TRACE(names.multiTurn);
    Set(setup, "LoadSensorType", names.multiTurn == engine::kLoadSerialSensor.multiTurn ? 3 : 0);
    ASSERT_EQ(engine::RecoverSerialMultiTurn(setup, names), 1);
    ASSERT_EQ(engine::RecoverSerialTurnBits(setup, names), 1);
    ASSERT_EQ(engine::RecoverSerialRevolutionBits(setup, names), 1);
    ASSERT_EQ(engine::RecoverSerialGray(setup, names), 1);
    ASSERT_EQ(engine::RecoverSerialReverse(setup, names), 1);
    EXPECT_EQ(Value(setup, names.multiTurn), 1);
    EXPECT_EQ(Value(setup, names.turnBits), 12);
    EXPECT_EQ(Value(setup, names.revolutionBits), 25);
    EXPECT_EQ(Value(setup, names.gray), 1);
    EXPECT_EQ(Value(setup, names.reverse), 1);
    EXPECT_EQ(setup.FindParameter(names.turnBits)->GetMaximum(), 32);
    EXPECT_EQ(setup.FindParameter(names.revolutionBits)->GetMaximum(), 31);
  }
  Set(setup, "LoadSensorType", 0);
  Set(setup, "SSITURNS", 0);
  Set(setup, "SSISENSE", 1);
  engine::RecoverSSI_isMultiTurn(setup);
  engine::RecoverSSI_isReverseCounting(setup);
  EXPECT_EQ(Value(setup, "SSI_isMultiTurn"), 0);
  EXPECT_EQ(Value(setup, "SSI_isReverseCounting"), 0);
}

TEST(SerialFrame, OtherSensorKeepsItsSettings) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "LoadSensorType", 4);  // the registers describe the load sensor
  Set(setup, "SSIREV", 13);
  Set(setup, "SSIBR", 7);
  EXPECT_EQ(engine::RecoverSSI_No_Bits_Revolution(setup), 1);
  EXPECT_EQ(engine::RecoverSSI_No_Bits_Revolution_LD(setup), 1);
  EXPECT_EQ(Value(setup, "SSI_No_Bits_Revolution"), 17);
  EXPECT_EQ(Value(setup, "SSI_No_Bits_Revolution_LD"), 13);
  Set(setup, "LoadSensorType", 1);  // now the motor sensor's
  Set(setup, "SSIREV", 25);
  engine::RecoverSSI_No_Bits_Revolution(setup);
  engine::RecoverSSI_No_Bits_Revolution_LD(setup);
  EXPECT_EQ(Value(setup, "SSI_No_Bits_Revolution"), 25);
  EXPECT_EQ(Value(setup, "SSI_No_Bits_Revolution_LD"), 13);
}

TEST(SerialFrame, MissingLoadSensorTypeWritesNothing) {
  CVX_Setup setup;
  testsupport::AddParameters(setup, {{"SSI_No_Bits_Revolution", 17}});
  testsupport::AddRegister(setup, "SSIREV", 3);
  EXPECT_EQ(engine::ComputeSSIREV(setup), 0);
  EXPECT_EQ(Value(setup, "SSIREV"), 3);
}

// ----- offset within one electrical period -----

// 17-bit encoder, 200 steps: 131072 / 50 = 2621.44 counts per period.
CVX_Setup OffsetSetup(double zaoff) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  engine::ComputeMECRESL(setup);
  engine::ComputeENC2THL(setup);
  engine::ComputeSSIREV(setup);
  Set(setup, "ZAOFF", zaoff);
  return setup;
}

TEST(SerialOffset, KeptWithinOneElectricalPeriodOfTheWholeWord) {
  const std::pair<double, double> cases[] = {
      {0, 0},       {874, 874},   {1310, 1310}, {2000, 2000}, {2620, 2620}, {2621, 0},
      {2622, 1},    {131071, 2620}, {131072, 0},
  };
  for (const auto& [zaoff, offset] : cases) {
    CVX_Setup setup = OffsetSetup(zaoff);
    EXPECT_DOUBLE_EQ(*engine::SerialCountsPerElectricalPeriod(setup), 2621.44);
    ASSERT_EQ(engine::RecoverSSI_Offset(setup), 1);
    EXPECT_EQ(Value(setup, "SSI_Offset"), offset) << zaoff;
  }
  CVX_Setup setup = OffsetSetup(0);
  engine::RecoverSSI_Offset(setup);
  EXPECT_EQ(setup.FindParameter("SSI_Offset")->GetMinimum(), 0);
}

TEST(SerialOffset, TheSameWhicheverPeriodTheRotorRestsIn) {
  // The encoder reads the offset plus whole electrical periods, rounded to a
  // count: every reading must give the offset back.
  for (const double truth : {0.0, 874.0, 2000.0, 2600.0}) {
    for (int period = 0; period < 50; ++period) {
      CVX_Setup setup = OffsetSetup(std::round(truth + period * 2621.44));
      ASSERT_EQ(engine::RecoverSSI_Offset(setup), 1);
      EXPECT_EQ(Value(setup, "SSI_Offset"), truth) << "period " << period;
    }
  }
}

TEST(SerialOffset, LimitFollowsTheRevolutionBits) {
  CVX_Setup setup = OffsetSetup(874);
  engine::RecoverSSI_Offset(setup);
  EXPECT_EQ(setup.FindParameter("SSI_Offset")->GetMaximum(), 131072);
}

TEST(SerialOffset, NoElectricalPeriodWritesNothing) {
  // "ENC2THL" 0: no whole electrical period per revolution.
  CVX_Setup setup = OffsetSetup(874);
  Set(setup, "ENC2THL", 0);
  Set(setup, "SSI_Offset", 5);
  EXPECT_FALSE(engine::SerialCountsPerElectricalPeriod(setup));
  EXPECT_EQ(engine::RecoverSSI_Offset(setup), 0);
  EXPECT_EQ(Value(setup, "SSI_Offset"), 5);
  // More periods per revolution than counts: the quotient truncates to 0.
  Set(setup, "ENC2THL", 4294967295.0);
  Set(setup, "MECRESL", 4294967295.0);
  EXPECT_EQ(engine::RecoverSSI_Offset(setup), 0);
  EXPECT_EQ(Value(setup, "SSI_Offset"), 5);
}

}  // namespace
