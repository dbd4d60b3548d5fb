#include "engine/feedback_options.h"

#include <cmath>
#include <optional>
#include <string>

#include "engine/setup_access.h"

namespace engine {
namespace {

constexpr int kOpenLoop = 0;
constexpr int kNoSensor = 0;

constexpr int kPositionMode = 0;
constexpr int kSpeedMode = 1;
constexpr int kTorqueMode = 2;

// "PositionControlType": the position loop drives a current (0) or a speed
// (1) reference.
constexpr int kPositionOverCurrent = 0;
constexpr int kPositionOverSpeed = 1;

constexpr std::string_view kNotPresent = "Not present";

// The value of a switch parameter; nullopt when missing or not a switch.
std::optional<int> Switch(CVX_Setup& setup, std::string_view name) {
  const auto value = Base(setup, name);
  if (!value || std::fabs(*value) > 1e9) return std::nullopt;
  return static_cast<int>(std::lround(*value));
}

std::string_view Flag(bool on) { return on ? "1" : "0"; }

// Which loops a closed-loop axis closes; false for an unknown mode.
bool SetClosedLoops(CVX_Setup& setup) {
  bool position = false;
  bool speed = false;
  switch (Switch(setup, "ControlMode").value_or(-1)) {
    case kPositionMode:
      switch (Switch(setup, "PositionControlType").value_or(-1)) {
        case kPositionOverCurrent:
          position = true;
          break;
        case kPositionOverSpeed:
          position = speed = true;
          break;
        default:
          return false;
      }
      break;
    case kSpeedMode:
      speed = true;
      break;
    case kTorqueMode:
      break;
    default:
      return false;
  }
  setup.SetOption("IsClosedPosition", Flag(position));
  setup.SetOption("IsClosedSpeed", Flag(speed));
  return true;
}

}  // namespace

std::string_view ReferenceName(int controlType, int motorType) {
  if (controlType == 0 && motorType == 0) return "SOL";
  if (controlType == 0 && motorType == 1) return "SOL3";
  if (controlType == 1 && motorType == 0) return "SCL";
  if (controlType == 1 && motorType == 1) return "SOL3";
  return {};
}

bool UpdateFeedbackOptions(CVX_Setup& setup) {
  const auto controlType = Switch(setup, "StepperControlType");
  if (!controlType) return false;
  const int motorSensor = Switch(setup, "MotorSensorType").value_or(kNoSensor);
  const int loadSensor = Switch(setup, "LoadSensorType").value_or(kNoSensor);
  const std::string motorSensorName = setup.GetSensorName(motorSensor);
  const std::string loadSensorName = setup.GetSensorName(loadSensor);
  const std::string motorInput = setup.GetFeedbackName(Switch(setup, "MotorSensorConnector").value_or(0));
  const std::string loadInput = setup.GetFeedbackName(Switch(setup, "LoadSensorConnector").value_or(0));

  if (*controlType == kOpenLoop) {
    setup.SetOption("IsStepperOpenLoop", "1");
    setup.SetOption("IsClosedPosition", "1");
    setup.SetOption("IsClosedSpeed", "1");
    setup.SetOption("IsClosedCurrent", "0");
    std::string motorPosition(kNotPresent);
    std::string loadPosition(kNotPresent);
    if (motorSensor != kNoSensor)
      motorPosition = motorSensorName + " (for step loss detection) on " + motorInput;
    else if (loadSensor != kNoSensor)
      loadPosition = loadSensorName + " (for load position control) on " + loadInput;
    setup.SetOption("MotorPosition", motorPosition);
    setup.SetOption("LoadPosition", loadPosition);
  } else {
    setup.SetOption("IsStepperOpenLoop", "0");
    setup.SetOption("IsClosedCurrent", "1");
    if (!SetClosedLoops(setup)) return false;
    setup.SetOption("MotorPosition", motorSensor != kNoSensor ? motorSensorName + " on " + motorInput : "");
    setup.SetOption("LoadPosition", loadSensor != kNoSensor ? loadSensorName + " on " + loadInput : "");
  }

  setup.SetOption("MotorSpeed", "");
  const bool onMotor = motorSensor != kNoSensor;
  const bool onLoad = !onMotor && loadSensor != kNoSensor;
  setup.SetOption("isPositionFeedbackOnMotor", Flag(onMotor));
  setup.SetOption("isPositionFeedbackOnLoad", Flag(onLoad));

  const bool reference = UpdateReferenceName(setup);
  const bool motor = UpdateMotorTypeOption(setup);
  return reference && motor;
}

bool UpdateReferenceName(CVX_Setup& setup) {
  const auto controlType = Switch(setup, "StepperControlType");
  const auto motorType = Switch(setup, "StepperMotorType");
  if (!controlType || !motorType) return false;
  const std::string_view reference = ReferenceName(*controlType, *motorType);
  if (!reference.empty()) setup.SetOption("ReferenceName", reference);
  return !reference.empty();
}

bool UpdateMotorTypeOption(CVX_Setup& setup) {
  const auto motorType = Switch(setup, "StepperMotorType");
  if (!motorType) return false;
  setup.SetOption("MotorType", *motorType != 0 ? "Triphase Stepper, Rotary" : "Stepper, Rotary");
  return true;
}

}  // namespace engine
