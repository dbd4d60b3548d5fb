#include "engine/motion_units.h"

#include <cmath>
#include <gtest/gtest.h>

#include "unittests/support/setup_builder.h"

namespace engine {
namespace {

using testsupport::Base;
using testsupport::SetInternal;

// Open loop, 200 steps of 256 microsteps, ratio 1, no sensors; the
// resolution registers are 32-bit so that large counts show unbounded.
CVX_Setup ResolutionSetup() {
  CVX_Setup setup;
  testsupport::AddParameters(setup, {{"StepperControlType", 0}, {"MotorSensorType", 0}, {"LoadSensorType", 0},
                                    {"TransmissionType", 0}, {"NoMotorSteps", 200}, {"NoMicroStepsPerStep", 256},
                                    {"Motor_transmission", 1}, {"Load_transmission", 1}, {"No_encoder_lines", 500},
                                    {"SINCOS_fract", 4}, {"SSI_No_Bits_Revolution", 40}, {"No_encoder_lines_LD", 1000},
                                    {"SINCOS_fract_LD", 2}, {"SSI_No_Bits_Revolution_LD", 13},
                                    {"Resolution_LD", 1e-6}, {"DSP_freq", 60e6}});
  for (const char* name : {"EncRes", "ENCRESLONG", "STEPRES", "STEPRESLONG", "STALLLIM"})
    testsupport::AddParameter(setup, name, 0, kernel::ValueType::kUInt32);
  testsupport::AddParameter(setup, "TRANSMISSION", 0);
  for (auto [name, value] : {std::pair{"PWMPER", 1500.0}, {"CLPER", 2.0}, {"SLPER", 16.0}, {"OSR", 0.0},
                             {"MECRESL", 2000.0}})
    testsupport::AddRegister(setup, name, value);
  return setup;
}

TEST(StepResolution, MicrostepsPerRevolutionAndCountsPerStep) {
  CVX_Setup setup = ResolutionSetup();
  EXPECT_EQ(ComputeSTEPRES(setup), 1);
  EXPECT_EQ(ComputeSTEPRESLONG(setup), 1);
  EXPECT_EQ(Base(setup, "STEPRES"), 51200);
  EXPECT_EQ(Base(setup, "STEPRESLONG"), 51200);
  EXPECT_EQ(ComputeSTALLLIM(setup), 1);
  EXPECT_EQ(Base(setup, "STALLLIM"), 10);
  SetInternal(setup, "NoMotorSteps", 0);
  EXPECT_EQ(ComputeSTALLLIM(setup), 0) << "no steps, no counts per step";
  EXPECT_EQ(Base(setup, "STALLLIM"), 10);
}

TEST(EncoderResolution, CountsOfTheSensorThatResolvesThePosition) {
  struct Case {
    int motor, load, linear;
    double counts;
  };
  for (const Case& c : {Case{0, 0, 0, 0}, Case{1, 0, 0, 2000}, Case{2, 0, 0, 32000}, Case{3, 0, 0, 4294967296.0},
                        Case{4, 0, 0, 4294967296.0}, Case{5, 0, 0, 2000}, Case{1, 1, 0, 4000}, Case{0, 2, 0, 16000},
                        Case{2, 3, 0, 8192}, Case{1, 1, 1, 0}, Case{0, 4, 1, 0}}) {
    CVX_Setup setup = ResolutionSetup();
    SetInternal(setup, "MotorSensorType", c.motor);
    SetInternal(setup, "LoadSensorType", c.load);
    SetInternal(setup, "TransmissionType", c.linear);
    const auto where = ::testing::Message() << c.motor << c.load << c.linear;
    EXPECT_EQ(ActiveSensorCountsPerRevolution(setup), c.counts) << where;
    EXPECT_EQ(ComputeEncRes(setup), 1) << where;
    EXPECT_EQ(ComputeENCRESLONG(setup), 1) << where;
    // The 32-bit register holds 2^32 - 1 at most.
    EXPECT_EQ(Base(setup, "ENCRESLONG"), std::min(c.counts, 4294967295.0)) << where;
  }
  // Further interpolation multiplies a sine/cosine encoder's counts, on
  // either side.
  CVX_Setup setup = ResolutionSetup();
  testsupport::AddParameter(setup, "ELRES_FRACT", 3);
  SetInternal(setup, "MotorSensorType", 2);
  EXPECT_EQ(ActiveSensorCountsPerRevolution(setup), 32000 * 8);
  SetInternal(setup, "LoadSensorType", 2);
  EXPECT_EQ(ActiveSensorCountsPerRevolution(setup), 16000 * 8);
}

TEST(Transmission, ClosedLoopWithoutLoadSensorKeepsOnlyTheSign) {
  for (bool negativeAllowed : {false, true}) {
    CVX_Setup setup = ResolutionSetup();
    if (negativeAllowed) setup.SetOption("hasNegTransmission", "1");
    SetInternal(setup, "StepperControlType", 1);
    SetInternal(setup, "MotorSensorType", 1);
    SetInternal(setup, "Motor_transmission", -3);
    EXPECT_EQ(ComputeTRANSMISSION(setup), 1);
    EXPECT_EQ(Base(setup, "TRANSMISSION"), negativeAllowed ? -1 : 1);
  }
}

TEST(Transmission, ClosedLoopWithLoadSensorRelatesMotorToLoadCounts) {
  CVX_Setup setup = ResolutionSetup();
  setup.SetOption("hasNegTransmission", "1");
  SetInternal(setup, "StepperControlType", 1);
  SetInternal(setup, "MotorSensorType", 1);  // "MECRESL" 2000: 2000 counts per motor turn
  SetInternal(setup, "LoadSensorType", 1);   // 4000 counts per load turn
  SetInternal(setup, "Motor_transmission", -1);
  SetInternal(setup, "Load_transmission", 3);
  EXPECT_EQ(ComputeTRANSMISSION(setup), 1);
  // The ratio rounded to five decimals; the counts' magnitudes only.
  EXPECT_DOUBLE_EQ(Base(setup, "TRANSMISSION"), 0.5 * -0.33333);
}

TEST(Transmission, OpenLoopMicrostepsPerSensorCount) {
  struct Case {
    int motor, load, linear;
    double counts;
  };
  const double kTwoPi = 6.283185307179586;
  for (const Case& c : {Case{1, 0, 0, 2000}, Case{0, 0, 0, 2000}, Case{2, 0, 0, 32000}, Case{0, 1, 0, 4000},
                        Case{0, 2, 0, 16000}, Case{0, 3, 1, 8192}, Case{0, 1, 1, kTwoPi / 1e-6}}) {
    CVX_Setup setup = ResolutionSetup();
    SetInternal(setup, "MotorSensorType", c.motor);
    SetInternal(setup, "LoadSensorType", c.load);
    SetInternal(setup, "TransmissionType", c.linear);
    SetInternal(setup, "Motor_transmission", 2);
    EXPECT_EQ(ComputeTRANSMISSION(setup), 1);
    EXPECT_NEAR(Base(setup, "TRANSMISSION"), 51200 / c.counts * 2, 1e-12) << c.motor << c.load << c.linear;
  }
  // No lines to count: nothing is written.
  CVX_Setup setup = ResolutionSetup();
  SetInternal(setup, "TRANSMISSION", 7);
  SetInternal(setup, "No_encoder_lines", 0);
  EXPECT_EQ(ComputeTRANSMISSION(setup), 0);
  EXPECT_EQ(Base(setup, "TRANSMISSION"), 7);
  SetInternal(setup, "No_encoder_lines", 500);
  SetInternal(setup, "Load_transmission", 0);
  EXPECT_EQ(ComputeTRANSMISSION(setup), 0);
  EXPECT_EQ(Base(setup, "TRANSMISSION"), 7);
}

TEST(Microsteps, PowerOfTwoNearestOnALogScale) {
  struct Case {
    double entered, value;
    bool message;
  };
  for (const Case& c : {Case{100, 128, true}, Case{90, 64, true}, Case{91, 128, true}, Case{64, 64, false},
                        Case{1, 1, false}, Case{3, 4, true}, Case{64.9, 64, false}, Case{724, 512, true},
                        Case{725, 1024, true}, Case{0, 1, false}, Case{-8, 1, false}}) {
    const MicrostepCount result = PowerOfTwoMicrosteps(c.entered);
    EXPECT_EQ(result.value, c.value) << c.entered;
    EXPECT_EQ(result.messageDue, c.message) << c.entered;
  }
  for (int n = 1; n <= 4096; ++n) {
    const MicrostepCount result = PowerOfTwoMicrosteps(n);
    const double exponent = std::log2(result.value);
    EXPECT_EQ(exponent, std::round(exponent)) << n;
    EXPECT_LT(std::fabs(std::log2(n) - exponent), 0.5) << n;
    EXPECT_EQ(result.messageDue, result.value != n) << n;
  }
}

TEST(Microsteps, RuleStoresTheCountAndRescalesKomega) {
  CVX_Setup setup = ResolutionSetup();
  SetInternal(setup, "NoMicroStepsPerStep", 100);
  testsupport::AddParameters(setup, {{"KOMEGA", 0}, {"KOMEGA_test", 300}});
  auto result = ApplyMicrostepRule(setup);
  ASSERT_TRUE(result);
  EXPECT_TRUE(result->messageDue);
  EXPECT_EQ(Base(setup, "NoMicroStepsPerStep"), 128);
  EXPECT_EQ(Base(setup, "KOMEGA"), 0) << "only for the alternative open-loop controller";

  testsupport::AddParameter(setup, "SOL_controller_mode", 1);
  result = ApplyMicrostepRule(setup);
  EXPECT_FALSE(result->messageDue);
  EXPECT_EQ(Base(setup, "KOMEGA"), 600);

  SetInternal(setup, "NoMicroStepsPerStep", 0);
  EXPECT_EQ(ComputeKOMEGA(setup), 0);
  EXPECT_EQ(Base(setup, "KOMEGA"), 600);
  CVX_Setup empty;
  EXPECT_FALSE(ApplyMicrostepRule(empty));
}

}  // namespace
}  // namespace engine
