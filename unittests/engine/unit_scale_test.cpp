#include "engine/unit_scale.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "unittests/support/example_setups.h"
#include "unittests/support/kernel_errors.h"
#include "unittests/support/setup_builder.h"

namespace engine {
namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kTsC = 1e-4;  // 2 * 2 * 1500 / 60 MHz
constexpr double kTsS = 8e-4;  // 2 * 16 * 1500 / 60 MHz
constexpr double kAdc = 65472;
constexpr double kAngleUnit = 9.587672516830327e-05;
constexpr const char* kCelsius = "\xC2\xB0"
                                 "C";

// Scales of the setup below.
constexpr double kCurrent = kAdc / 20;           // "ImaxPS" 10 A
constexpr double kSupply = kAdc / 100;           // "VdcMaxMeasurable" 100 V
constexpr double kMotorVolts = 32767.0 / 48;     // "Vdc" 48 V, two-phase
constexpr double kMotorCounts = 4000 / kTwoPi;   // "MECRESL" 4000
constexpr double kLoadCounts = 1000 / kTwoPi;    // 250 lines on the load
constexpr double kSteps = 51200 / kTwoPi * -2;   // 200 x 256 microsteps, ratio -2

// Both sensors incremental, the position loop on the microsteps in open
// loop (no load bit in "OSR") and on the motor encoder in closed loop.
CVX_Setup ScaleSetup(int controlType) {
  CVX_Setup setup;
  CVX_DriveIdentity identity;
  identity.adcMaxValue = static_cast<int>(kAdc);
  setup.SetIdentity(identity);
  testsupport::AddParameters(
      setup, {{"StepperControlType", static_cast<double>(controlType)}, {"MotorSensorType", 1},
              {"LoadSensorType", controlType ? 0 : 1}, {"TransmissionType", 0}, {"NoMotorSteps", 200},
              {"NoMicroStepsPerStep", 256}, {"Motor_transmission", -2}, {"Load_transmission", 1},
              {"No_encoder_lines_LD", 250}, {"ImaxPS", 10}, {"VdcMaxMeasurable", 100}, {"Vdc", 48},
              {"AnalogueInputsRange", 10}, {"ADCrange", 3.3}, {"DriveTempSensorGain", 0.01},
              {"DriveTempOutputAt0oC", 0.5}});
  testsupport::AddParameter(setup, "DSP_freq", 60e6, kernel::ValueType::kConstant, "Hz");
  // "MECRESL" * "ENC2THL" * 2^-32 rounds to 50 angle increments.
  for (auto [name, value] : {std::pair{"PWMPER", 1500.0}, {"CLPER", 2.0}, {"SLPER", 16.0}, {"OSR", 0.0},
                             {"SCR", 0x4000}, {"MECRESL", 4000.0}, {"ENC2THL", 53687091.0}})
    testsupport::AddParameter(setup, name, value, kernel::ValueType::kUInt32);
  return setup;
}

struct Row {
  const char* unit;
  const char* name;
  double factor;
};

void ExpectRows(int controlType, const std::vector<Row>& rows) {
  CVX_Setup setup = ScaleSetup(controlType);
  for (const Row& row : rows)
    EXPECT_NEAR(ScaleFactor(setup, row.unit, row.name), row.factor, 1e-12 * std::fabs(row.factor))
        << "loop " << controlType << ", \"" << row.unit << "\" of " << row.name;
}

TEST(ScaleFactor, RowsThatDoNotDependOnTheLoop) {
  const double p = kSteps, s = kSteps * kTsS;
  ExpectRows(0, {
                    {"V ", "Vdc", 1 / kSupply},
                    {"V", "AnalogueInputsRange", 1},
                    {"V", "DeadBand_Point", 10 / kAdc},
                    {"V", "AD5", 10 / kAdc},
                    {"V", "UQREF", 1 / kMotorVolts},
                    {"A", "IlimPS", 1 / kCurrent},
                    {"s", "Ts_C", kTsC},
                    {"s", "time_ERR_pos", kTsS},
                    {"rad", "Motor_Position", 1 / kMotorCounts},
                    {"rad", "THTST", kAngleUnit},
                    {"rad", "ERR_position", 1 / std::fabs(p)},
                    {"rad", "CPOS", 1 / p},
                    {"m", "POS_max", 1 / std::fabs(p)},
                    {"m", "Motor_Position", 1 / p},
                    {"m/s", "ERR_speed", 1 / std::fabs(s)},
                    {"rad/s^3", "JERK", 1 / (p * kTsS * kTsS * kTsS)},
                    {"m/s^3", "JERK", 1 / (p * kTsS * kTsS * kTsS)},
                    {kCelsius, "T2MAXPROT", 3.3 / (kAdc * 0.01)},
                    {"V/s", "UDOT", 1 / kMotorVolts / kTsS},
                    {"A/s", "IDOT", 1 / kCurrent / kTsS},
                    {"rpm", "Limit_Speed", 1},
                    {"Hz", "DSP_freq", 1},
                });
}

TEST(ScaleFactor, OpenLoopRows) {
  const double p = kSteps, s = p * kTsS, q = 51200 / kTwoPi * kTsS;
  ExpectRows(0, {
                    {"rad", "Load_Position", 1 / kLoadCounts},
                    {"rad", "APOS", 1 / kLoadCounts},
                    {"m", "APOS_LD", 1 / kLoadCounts},
                    {"rad/s", "SPDREF", 1 / q},
                    {"rad/s", "transition_speed", 1 / q},
                    {"rad/s", "Limit_Speed", 1 / q},
                    {"rad/s", "ASPD_MT", 1 / (kMotorCounts * kTsS)},
                    {"rad/s", "Load_Speed", 1 / (kLoadCounts * kTsS)},
                    {"rad/s", "PhaseAdvance_speed", 1 / std::fabs(s)},
                    {"rad/s", "TestSpeed", 1 / std::fabs(s)},
                    {"rad/s", "CSPD", 1 / s},
                    {"m/s", "ASPD_LD", 1 / (kLoadCounts * kTsS)},
                    {"m/s", "Limit_Speed", 1 / q},
                    {"m/s", "SPD_min", 1 / std::fabs(s)},
                    {"m/s", "CSPD", 1 / s},
                    {"rad/s^2", "Limit_Acceleration", 1 / (51200 / kTwoPi * kTsS * kTsS * -2)},
                    {"m/s^2", "ACC_LIMIT", 1 / (51200 / kTwoPi * kTsS * kTsS * -2)},
                    {"rad/s^2", "CACC", 1 / (p * kTsS * kTsS)},
                });
}

TEST(ScaleFactor, ClosedLoopRows) {
  const double p = kMotorCounts * -2, s = p * kTsS;
  ExpectRows(1, {
                    {"rad", "Load_Position", 1 / p},
                    {"rad", "APOS", 1 / p},
                    {"rad/s", "SPDREF", 1 / (kMotorCounts * kTsS)},
                    {"rad/s", "PhaseAdvance_speed", 1 / (kMotorCounts * kTsS)},
                    {"rad/s", "TINCTST", kAngleUnit / kTsC / 50},
                    {"rad/s", "Limit_Speed", 1 / std::fabs(s)},
                    {"rad/s", "transition_speed", 1 / s},
                    {"m/s", "PhaseAdvance_speed", 1 / (kMotorCounts * kTsS)},
                    {"m/s", "Limit_Speed", 1 / s},
                    {"rad/s^2", "Limit_Acceleration", 1 / (p * kTsS * kTsS)},
                });
}

TEST(ScaleFactor, NamesIgnoreCaseButNotTheBlankAfterV) {
  CVX_Setup setup = ScaleSetup(1);
  EXPECT_EQ(ScaleFactor(setup, "RAD/S", "limit_speed"), ScaleFactor(setup, "rad/s", "Limit_Speed"));
  EXPECT_EQ(ScaleFactor(setup, "v ", "x"), ScaleFactor(setup, "V ", "x"));
  EXPECT_NE(ScaleFactor(setup, "V ", "Vdc"), ScaleFactor(setup, "V", "Vdc"));
  EXPECT_EQ(ScaleFactor(setup, "V", "deadband_range"), 10 / kAdc);
  CVX_Setup* none = nullptr;
  EXPECT_EQ(ScaleFactor(none, "A", "IlimPS"), 1);
  EXPECT_EQ(ScaleOffset(none, kCelsius), 0);
}

TEST(ScaleOffset, OnlyDegreesCelsiusIsShifted) {
  CVX_Setup setup = ScaleSetup(0);
  for (const char* unit : {"V ", "V", "A", "s", "rad", "rad/s", "rpm", "C"}) EXPECT_EQ(ScaleOffset(setup, unit), 0);
  EXPECT_DOUBLE_EQ(ScaleOffset(setup, kCelsius), -kAdc * 0.5 / 3.3);

  // The sensor's output at 0 °C shows as 0 °C through the kernel.
  testsupport::ScopedEngineUnitScales scales;
  CVX_Parameter* limit = testsupport::AddParameter(setup, "T2MAXPROT", kAdc * 0.5 / 3.3, kernel::ValueType::kDouble,
                                                  kCelsius);
  EXPECT_NEAR(limit->GetValueInBaseUnit(), 0.0, 1e-9);
  ASSERT_EQ(limit->SetValueInBaseUnit(80), 1);
  EXPECT_NEAR(limit->GetValueInInternalUnit(), (80 / (3.3 / (kAdc * 0.01))) + kAdc * 0.5 / 3.3, 1e-9);
}

TEST(ScaleFactor, ScaleThatCannotBeFormedBlocksTheConversion) {
  CVX_Setup setup = ScaleSetup(1);
  setup.FindParameter("ImaxPS")->InitInternal(0);
  setup.FindParameter("MECRESL")->InitInternal(0);
  EXPECT_TRUE(std::isinf(ScaleFactor(setup, "A", "IlimPS")));
  EXPECT_TRUE(std::isinf(ScaleFactor(setup, "A/s", "IDOT")));
  EXPECT_TRUE(std::isinf(ScaleFactor(setup, "rad", "CPOS")));
  EXPECT_TRUE(std::isinf(ScaleFactor(setup, "rad/s", "TINCTST")));
  setup.FindParameter("ADCrange")->InitInternal(0);
  EXPECT_TRUE(std::isnan(ScaleOffset(setup, kCelsius)));

  testsupport::ScopedEngineUnitScales scales;
  testsupport::ErrorCapture errors;
  CVX_Parameter* limit = testsupport::AddParameter(setup, "IlimPS", 1234, kernel::ValueType::kDouble, "A");
  EXPECT_EQ(limit->SetValueInBaseUnit(2.5), 0);
  EXPECT_EQ(limit->GetValueInInternalUnit(), 1234);
}

// The kernel converts every quantity with a unit through these functions;
// none of them may need the conversion under way.
TEST(ScaleFactor, NoConversionReentersItself) {
  for (int controlType : {0, 1}) {
    CVX_Setup setup = ScaleSetup(controlType);
    testsupport::ScopedEngineUnitScales scales;
    const std::vector<std::pair<const char*, const char*>> quantities{
        {"Ts_C", "s"},           {"Ts_S", "s"},           {"time_ERR_pos", "s"},     {"Limit_Speed", "rad/s"},
        {"TINCTST", "rad/s"},    {"ASPD_LD", "m/s"},      {"CACC", "rad/s^2"},       {"ACC_LIMIT", "m/s^2"},
        {"JERK", "rad/s^3"},     {"APOS", "rad"},         {"Motor_Position", "rad"}, {"POS_max", "m"},
        {"IlimPS", "A"},         {"IDOT", "A/s"},         {"UQREF", "V"},            {"DeadBand_Point", "V"},
        {"UDOT", "V/s"},         {"T2MAXPROT", kCelsius}, {"UMAXPROT", "V "}};
    for (auto [name, unit] : quantities) testsupport::AddParameter(setup, name, 100, kernel::ValueType::kDouble, unit);
    // Inputs of the scales in unit families of their own.
    for (auto [name, unit] : {std::pair{"AnalogueInputsRange", "V"}, {"VdcMaxMeasurable", "V "}, {"ImaxPS", "A"}})
      setup.FindParameter(name)->InitUnit(unit, unit);

    testsupport::ErrorCapture errors;
    for (const CVX_Parameter* p : setup.GetParameters())
      EXPECT_TRUE(std::isfinite(p->GetValueInBaseUnit())) << p->GetName() << " in loop " << controlType;
    EXPECT_TRUE(errors.errors.empty()) << errors.errors.front();
  }
}

}  // namespace
}  // namespace engine

namespace {

// The load-side units update moves "Load_transmission" into the "rad" or "m"
// family; its value must stay the length or angle the user entered, not be
// divided by the position scale it helps to define.
TEST(UnitScaleTransmission, TransmissionTermsKeepTheirBaseValueInPositionFamilies) {
  CVX_Setup setup;
  testsupport::AddParameters(setup, {{"StepperControlType", 0}, {"NoMotorSteps", 200},
                                    {"NoMicroStepsPerStep", 256}, {"Motor_transmission", 6.283185307179586},
                                    {"Load_transmission", 0.04}});
  for (const char* unit : {"rad", "m"}) {
    EXPECT_EQ(engine::ScaleFactor(setup, unit, "Load_transmission"), 1.0) << unit;
    EXPECT_EQ(engine::ScaleFactor(setup, unit, "motor_transmission"), 1.0) << unit;
    EXPECT_NE(engine::ScaleFactor(setup, unit, "TestPosition"), 1.0) << unit;
  }
}

}  // namespace
