#include "engine/scales.h"

#include <cmath>
#include <gtest/gtest.h>

#include "unittests/support/setup_builder.h"

namespace engine {
namespace {

using testsupport::SetInternal;

constexpr double kTwoPi = 6.283185307179586;
// 2 * 16 * 1500 / 60 MHz.
constexpr double kTs = 0.8e-3;

// Open loop, 200 steps of 256 microsteps, ratio 1, no sensors; every sensor
// parameter present so that any type can be switched on.
CVX_Setup StepperSetup() {
  CVX_Setup setup;
  CVX_DriveIdentity identity;
  identity.adcMaxValue = 65472;
  setup.SetIdentity(identity);
  testsupport::AddParameters(setup, {{"StepperControlType", 0},  {"MotorSensorType", 0},
                                    {"LoadSensorType", 0},      {"TransmissionType", 0},
                                    {"NoMotorSteps", 200},      {"NoMicroStepsPerStep", 256},
                                    {"Motor_transmission", 1},  {"Load_transmission", 1},
                                    {"DSP_freq", 60e6},         {"ImaxPS", 10},
                                    {"VdcMaxMeasurable", 100},  {"Vdc", 48},
                                    {"SINCOS_fract", 3},        {"SSI_No_Bits_Revolution", 17},
                                    {"No_encoder_lines_LD", 1000}, {"SINCOS_fract_LD", 2},
                                    {"SSI_No_Bits_Revolution_LD", 13}, {"Resolution_LD", 1e-6},
                                    {"SSI_Resolution_LD", 5e-6}});
  for (auto [name, value] : {std::pair{"PWMPER", 1500.0}, {"CLPER", 2.0}, {"SLPER", 16.0}, {"OSR", 0.0},
                             {"SCR", 0x4000}, {"MECRESL", 4003.0}})
    testsupport::AddRegister(setup, name, value);
  return setup;
}

// Counts per load unit of each load sensor type, rotary and linear.
double LoadCounts(int type, bool linear) {
  switch (type) {
    case 1:
      return linear ? 1e6 : 4000.0 / kTwoPi;
    case 2:
      return linear ? 4.0 / 1e-6 : 4000.0 * 4.0 / kTwoPi;
    default:
      return linear ? 1.0 / 5e-6 : 8192.0 / kTwoPi;
  }
}

TEST(PositionScale, OpenLoopCountsMicrostepsPerLoadRadian) {
  CVX_Setup setup = StepperSetup();
  EXPECT_NEAR(*PositionScale(setup), 8148.73, 0.005);
  SetInternal(setup, "Motor_transmission", -3);
  EXPECT_NEAR(*PositionScale(setup), -3 * 51200 / kTwoPi, 1e-9);
  // Without the load-sensor bit of "OSR" a load sensor does not change it.
  SetInternal(setup, "LoadSensorType", 1);
  EXPECT_NEAR(*PositionScale(setup), -3 * 51200 / kTwoPi, 1e-9);
}

TEST(PositionScale, LoadSensorCountsWithoutTheRatio) {
  for (int open = 0; open <= 1; ++open)
    for (int type = 1; type <= 4; ++type)
      for (int linear = 0; linear <= 1; ++linear) {
        CVX_Setup setup = StepperSetup();
        SetInternal(setup, "StepperControlType", open ? 0 : 1);
        SetInternal(setup, "OSR", 0x1000);
        SetInternal(setup, "LoadSensorType", type);
        SetInternal(setup, "TransmissionType", linear);
        SetInternal(setup, "Motor_transmission", 7);
        const auto p = PositionScale(setup);
        ASSERT_TRUE(p) << open << type << linear;
        EXPECT_NEAR(*p, LoadCounts(type, linear), 1e-9 * *p) << open << type << linear;
      }
  CVX_Setup setup = StepperSetup();
  SetInternal(setup, "StepperControlType", 1);
  SetInternal(setup, "LoadSensorType", 5);
  EXPECT_EQ(PositionScale(setup), 1.0);
}

TEST(PositionScale, ClosedLoopMotorSensorTimesRatio) {
  CVX_Setup setup = StepperSetup();
  SetInternal(setup, "StepperControlType", 1);
  SetInternal(setup, "Motor_transmission", 2);
  // "MECRESL" 4003 holds 1000 whole lines.
  const double expected[] = {0, 4000 / kTwoPi * 2, 4000 * 8 / kTwoPi * 2, 131072 / kTwoPi * 2, 131072 / kTwoPi * 2};
  for (int type = 1; type <= 4; ++type) {
    SetInternal(setup, "MotorSensorType", type);
    EXPECT_NEAR(*PositionScale(setup), expected[type], 1e-9 * expected[type]) << type;
  }
  for (int type : {0, 5}) {
    SetInternal(setup, "MotorSensorType", type);
    EXPECT_FALSE(PositionScale(setup)) << "no meaningful scale for motor sensor " << type;
  }
}

// Speed, acceleration and jerk follow the position scale in every set-up;
// with a load sensor in open loop the acceleration scale used to take the
// incremental encoder's counts whatever the sensor was.
TEST(MotionScales, PowersOfTheSlowPeriodTimesThePositionScale) {
  for (int open = 0; open <= 1; ++open)
    for (int motor = 0; motor <= 4; ++motor)
      for (int load = 0; load <= 4; ++load)
        for (int linear = 0; linear <= 1; ++linear) {
          CVX_Setup setup = StepperSetup();
          SetInternal(setup, "StepperControlType", open ? 0 : 1);
          SetInternal(setup, "MotorSensorType", motor);
          SetInternal(setup, "LoadSensorType", load);
          SetInternal(setup, "OSR", load ? 0x1000 : 0);
          SetInternal(setup, "TransmissionType", linear);
          const auto p = PositionScale(setup);
          if (!p) continue;
          const auto where = ::testing::Message() << open << motor << load << linear;
          EXPECT_NEAR(*SpeedScale(setup), *p * kTs, 1e-12 * std::fabs(*p)) << where;
          EXPECT_NEAR(*AccelerationScale(setup), *p * kTs * kTs, 1e-15 * std::fabs(*p)) << where;
          EXPECT_NEAR(*JerkScale(setup), *p * kTs * kTs * kTs, 1e-18 * std::fabs(*p)) << where;
          if (open && load) {
            EXPECT_NEAR(*p, LoadCounts(load, linear), 1e-9 * *p) << where;
          }
        }
}

TEST(MotorAndLoadScales, EachSideCountsWhereItsSensorIs) {
  CVX_Setup setup = StepperSetup();
  const double steps = 51200 / kTwoPi * 3;
  SetInternal(setup, "Motor_transmission", 3);
  // Open loop without sensors: both sides count microsteps through the ratio.
  EXPECT_NEAR(*MotorPositionScale(setup), steps, 1e-9);
  EXPECT_NEAR(*LoadPositionScale(setup), steps, 1e-9);
  // Step-loss detection on the motor: its encoder, without the ratio.
  SetInternal(setup, "MotorSensorType", 1);
  EXPECT_NEAR(*MotorPositionScale(setup), 4000 / kTwoPi, 1e-9);
  EXPECT_NEAR(*LoadPositionScale(setup), steps, 1e-9);
  // Only a load sensor: the motor still counts microsteps.
  SetInternal(setup, "MotorSensorType", 0);
  SetInternal(setup, "LoadSensorType", 3);
  EXPECT_NEAR(*MotorPositionScale(setup), steps, 1e-9);
  EXPECT_NEAR(*LoadPositionScale(setup), 8192 / kTwoPi, 1e-9);
  // Closed loop on the load sensor alone: both sides are that sensor.
  SetInternal(setup, "StepperControlType", 1);
  EXPECT_EQ(MotorPositionScale(setup), PositionScale(setup));
  EXPECT_EQ(LoadPositionScale(setup), PositionScale(setup));
  // Closed loop on the motor sensor: the load sees it through the ratio.
  SetInternal(setup, "LoadSensorType", 0);
  SetInternal(setup, "MotorSensorType", 5);
  EXPECT_EQ(MotorPositionScale(setup), 1.0);
  SetInternal(setup, "MotorSensorType", 2);
  EXPECT_NEAR(*MotorPositionScale(setup), 4000 * 8 / kTwoPi, 1e-9);
  EXPECT_NEAR(*LoadPositionScale(setup), 4000 * 8 / kTwoPi * 3, 1e-9);
  EXPECT_NEAR(*MotorSpeedScale(setup), *MotorPositionScale(setup) * kTs, 1e-12);
  EXPECT_NEAR(*LoadSpeedScale(setup), *LoadPositionScale(setup) * kTs, 1e-12);
}

TEST(StepScales, MicrostepsPerSampleInOpenLoopOnly) {
  CVX_Setup setup = StepperSetup();
  SetInternal(setup, "Motor_transmission", -2);
  EXPECT_NEAR(*StepSpeedScale(setup), 51200 * kTs / kTwoPi, 1e-12);
  EXPECT_NEAR(*StepRateFactor(setup), 51200 * kTs / kTwoPi * 2, 1e-12);
  EXPECT_NEAR(*StepAccelerationScale(setup), 51200 * kTs * kTs / kTwoPi * -2, 1e-15);
  SetInternal(setup, "StepperControlType", 1);
  EXPECT_EQ(StepSpeedScale(setup), 1.0);
  EXPECT_NEAR(*StepAccelerationScale(setup), 51200 * kTs * kTs / kTwoPi * -2, 1e-15);
}

TEST(SupplyScales, CountsPerAmpereAndVolt) {
  CVX_Setup setup = StepperSetup();
  EXPECT_DOUBLE_EQ(*CurrentScale(setup), 65472.0 / 20);
  EXPECT_DOUBLE_EQ(*VoltageScale(setup), 654.72);
  EXPECT_DOUBLE_EQ(*MotorVoltageScale(setup), 32767.0 / 48);
  SetInternal(setup, "SCR", 0x5000);
  EXPECT_DOUBLE_EQ(*MotorVoltageScale(setup), 65534.0 / (1.1 * 48));
}

TEST(ScaleGuards, ZeroOrMissingInputGivesNoScale) {
  struct Case {
    const char* name;
    double value;
  };
  for (const Case& c : {Case{"ImaxPS", 0}, Case{"VdcMaxMeasurable", 0}, Case{"Vdc", 0}, Case{"NoMotorSteps", 0},
                        Case{"Load_transmission", 0}, Case{"PWMPER", 0}, Case{"DSP_freq", 0}}) {
    CVX_Setup setup = StepperSetup();
    SetInternal(setup, c.name, c.value);
    for (auto scale : {CurrentScale(setup), VoltageScale(setup), MotorVoltageScale(setup), PositionScale(setup),
                       SpeedScale(setup), AccelerationScale(setup), JerkScale(setup), StepSpeedScale(setup),
                       StepAccelerationScale(setup), MotorSpeedScale(setup), LoadSpeedScale(setup)})
      if (scale) {
        EXPECT_TRUE(std::isfinite(*scale) && *scale != 0.0) << c.name;
      }
  }
  CVX_Setup setup = StepperSetup();
  SetInternal(setup, "ImaxPS", 0);
  EXPECT_FALSE(CurrentScale(setup));
  SetInternal(setup, "PWMPER", 0);
  EXPECT_TRUE(PositionScale(setup));
  EXPECT_FALSE(SpeedScale(setup));

  CVX_Setup noAdc = StepperSetup();
  noAdc.SetIdentity({});
  EXPECT_FALSE(CurrentScale(noAdc));
  EXPECT_FALSE(VoltageScale(noAdc));

  CVX_Setup noControlType;
  EXPECT_FALSE(PositionScale(noControlType));
  EXPECT_FALSE(IsOpenLoop(noControlType));
}

}  // namespace
}  // namespace engine
