#include "engine/feedback_options.h"

#include <gtest/gtest.h>
#include <string>

#include "kernel/setup.h"

namespace engine {
namespace {

struct Axis {
  int controlType = 0;
  int motorType = 0;
  int controlMode = 0;
  int positionControlType = 0;
  int motorSensor = 0;
  int loadSensor = 0;
};

// A drive with two inputs; each reads an incremental or a sine/cosine encoder.
void Build(CVX_Setup& setup, const Axis& axis) {
  CVX_DriveCapabilities caps;
  caps.sensorNames = {{1, "Incremental encoder"}, {2, "Sine/cosine encoder"}};
  caps.sensorInputs = {{"Feedback #1", {1, 2}, {1, 2}, true}, {"Feedback #2", {1}, {1, 2}, false}};
  setup.SetCapabilities(caps);
  const std::pair<const char*, int> values[] = {
      {"StepperControlType", axis.controlType}, {"StepperMotorType", axis.motorType},
      {"ControlMode", axis.controlMode},        {"PositionControlType", axis.positionControlType},
      {"MotorSensorType", axis.motorSensor},    {"LoadSensorType", axis.loadSensor},
      {"MotorSensorConnector", 0},              {"LoadSensorConnector", 1},
  };
  for (auto [name, value] : values) setup.AddParameter(name)->InitInternal(value);
}

std::string Option(const CVX_Setup& setup, std::string_view name) { return setup.GetOptionNoError(name); }

TEST(FeedbackOptions, OpenLoopWithAMotorSensorDetectsStepLoss) {
  CVX_Setup setup;
  Build(setup, {.motorSensor = 1, .loadSensor = 2});
  EXPECT_TRUE(UpdateFeedbackOptions(setup));
  EXPECT_EQ(Option(setup, "IsStepperOpenLoop"), "1");
  EXPECT_EQ(Option(setup, "IsClosedPosition"), "1");
  EXPECT_EQ(Option(setup, "IsClosedSpeed"), "1");
  EXPECT_EQ(Option(setup, "IsClosedCurrent"), "0");
  EXPECT_EQ(Option(setup, "MotorPosition"), "Incremental encoder (for step loss detection) on Feedback #1");
  EXPECT_EQ(Option(setup, "LoadPosition"), "Not present");
  EXPECT_TRUE(setup.HasOption("MotorSpeed"));
  EXPECT_EQ(Option(setup, "MotorSpeed"), "");
  EXPECT_EQ(Option(setup, "isPositionFeedbackOnMotor"), "1");
  EXPECT_EQ(Option(setup, "isPositionFeedbackOnLoad"), "0");
  EXPECT_EQ(Option(setup, "ReferenceName"), "SOL");
  EXPECT_EQ(Option(setup, "MotorType"), "Stepper, Rotary");
}

TEST(FeedbackOptions, OpenLoopSensorTexts) {
  CVX_Setup loadOnly;
  Build(loadOnly, {.loadSensor = 2});
  EXPECT_TRUE(UpdateFeedbackOptions(loadOnly));
  EXPECT_EQ(Option(loadOnly, "MotorPosition"), "Not present");
  EXPECT_EQ(Option(loadOnly, "LoadPosition"), "Sine/cosine encoder (for load position control) on Feedback #2");
  EXPECT_EQ(Option(loadOnly, "isPositionFeedbackOnMotor"), "0");
  EXPECT_EQ(Option(loadOnly, "isPositionFeedbackOnLoad"), "1");

  CVX_Setup none;
  Build(none, {});
  EXPECT_TRUE(UpdateFeedbackOptions(none));
  EXPECT_EQ(Option(none, "MotorPosition"), "Not present");
  EXPECT_EQ(Option(none, "LoadPosition"), "Not present");
  EXPECT_EQ(Option(none, "isPositionFeedbackOnMotor"), "0");
  EXPECT_EQ(Option(none, "isPositionFeedbackOnLoad"), "0");
}

TEST(FeedbackOptions, ClosedLoopsFollowTheControlMode) {
  struct Case {
    int mode, positionType;
    const char* position;  // nullptr: unknown, the update stops
    const char* speed;
  };
  for (const Case& c : {Case{0, 0, "1", "0"}, Case{0, 1, "1", "1"}, Case{0, 2, nullptr, nullptr}, Case{1, 0, "0", "1"},
                        Case{1, 7, "0", "1"}, Case{2, 0, "0", "0"}, Case{3, 0, nullptr, nullptr}}) {
    CVX_Setup setup;
    Build(setup, {.controlType = 1, .controlMode = c.mode, .positionControlType = c.positionType, .motorSensor = 1});
    const bool result = UpdateFeedbackOptions(setup);
    EXPECT_EQ(Option(setup, "IsStepperOpenLoop"), "0");
    EXPECT_EQ(Option(setup, "IsClosedCurrent"), "1");
    if (!c.position) {
      EXPECT_FALSE(result) << c.mode << " " << c.positionType;
      EXPECT_FALSE(setup.HasOption("IsClosedPosition"));
      EXPECT_FALSE(setup.HasOption("ReferenceName"));
      EXPECT_FALSE(setup.HasOption("MotorType"));
      continue;
    }
    EXPECT_TRUE(result) << c.mode << " " << c.positionType;
    EXPECT_EQ(Option(setup, "IsClosedPosition"), c.position) << c.mode << " " << c.positionType;
    EXPECT_EQ(Option(setup, "IsClosedSpeed"), c.speed) << c.mode << " " << c.positionType;
  }
}

TEST(FeedbackOptions, ClosedLoopNamesEachSensorAndItsInput) {
  CVX_Setup both;
  Build(both, {.controlType = 1, .motorSensor = 1, .loadSensor = 2});
  EXPECT_TRUE(UpdateFeedbackOptions(both));
  EXPECT_EQ(Option(both, "MotorPosition"), "Incremental encoder on Feedback #1");
  EXPECT_EQ(Option(both, "LoadPosition"), "Sine/cosine encoder on Feedback #2");
  EXPECT_EQ(Option(both, "isPositionFeedbackOnMotor"), "1");
  EXPECT_EQ(Option(both, "isPositionFeedbackOnLoad"), "0");

  CVX_Setup loadOnly;
  Build(loadOnly, {.controlType = 1, .loadSensor = 1});
  EXPECT_TRUE(UpdateFeedbackOptions(loadOnly));
  EXPECT_TRUE(loadOnly.HasOption("MotorPosition"));
  EXPECT_EQ(Option(loadOnly, "MotorPosition"), "");
  EXPECT_EQ(Option(loadOnly, "LoadPosition"), "Incremental encoder on Feedback #2");
}

TEST(FeedbackOptions, ReferenceAndMotorTypeFollowControlAndMotorType) {
  struct Case {
    int controlType, motorType;
    const char* reference;  // nullptr: none, the result is false
    const char* motor;
  };
  for (const Case& c : {Case{0, 0, "SOL", "Stepper, Rotary"}, Case{0, 1, "SOL3", "Triphase Stepper, Rotary"},
                        Case{1, 0, "SCL", "Stepper, Rotary"}, Case{1, 1, "SOL3", "Triphase Stepper, Rotary"},
                        Case{0, 2, nullptr, "Triphase Stepper, Rotary"}, Case{2, 0, nullptr, "Stepper, Rotary"}}) {
    CVX_Setup setup;
    Build(setup, {.controlType = c.controlType, .motorType = c.motorType});
    EXPECT_EQ(UpdateFeedbackOptions(setup), c.reference != nullptr) << c.controlType << " " << c.motorType;
    EXPECT_EQ(Option(setup, "ReferenceName"), c.reference ? c.reference : "") << c.controlType << " " << c.motorType;
    EXPECT_EQ(Option(setup, "MotorType"), c.motor) << c.controlType << " " << c.motorType;
  }
}

TEST(FeedbackOptions, NothingWithoutAControlType) {
  CVX_Setup setup;
  setup.AddParameter("StepperMotorType");
  EXPECT_FALSE(UpdateFeedbackOptions(setup));
  EXPECT_TRUE(setup.GetOptions().empty());
}

}  // namespace
}  // namespace engine
