#include "engine/config_words_operation.h"

#include <optional>

#include "engine/config_bits.h"
#include "engine/config_words_common.h"
#include "engine/config_words_sensors.h"
#include "engine/motion_units.h"
#include "engine/scales.h"
#include "engine/setup_access.h"

namespace engine {
namespace {

using words::IsSet;
using words::WithBits;

// The start mode field: modes 1 and 2 need a sensor the mode can start
// from (an incremental or sine/cosine one for mode 1, an absolute one or a
// motor that knows its position for mode 2); otherwise no start mode.
Word StartModeField(int startMode, bool closedLoop, int sensor, bool intelligentMotor) {
  switch (startMode) {
    case choice::kStartMode1:
      return closedLoop && sensor != choice::kNoSensor && !words::IsAbsolute(sensor) ? osr::kStartMode1
                                                                                     : osr::kStartNone;
    case choice::kStartMode2:
      return intelligentMotor || (closedLoop && words::IsAbsolute(sensor)) ? osr::kStartMode2 : osr::kStartNone;
    default:
      return osr::kStartNone;
  }
}

// Whether the encoder or the step resolution outgrows a 16-bit register.
std::optional<bool> NeedsLongResolutions(CVX_Setup& setup) {
  const auto counts = ActiveSensorCountsPerRevolution(setup);
  const auto steps = Base(setup, "NoMotorSteps");
  const auto microsteps = Base(setup, "NoMicroStepsPerStep");
  if (!counts || !steps || !microsteps) return std::nullopt;
  return *counts > asr::kShortResolutionMax || *steps * *microsteps > asr::kShortResolutionMax;
}

int RecoverAsrFlag(CVX_Setup& setup, std::string_view name, Word mask) {
  const auto word = words::Read(setup, asr::kName);
  if (!word) return 0;
  return words::RecoverFlag(setup, name, IsSet(*word, mask));
}

}  // namespace

int ComputeOSR(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, osr::kName);
  const auto old = words::Read(setup, osr::kName);
  const auto motorType = words::Choice(setup, "StepperMotorType");
  const auto control = words::Choice(setup, "StepperControlType");
  const auto load = words::Choice(setup, "LoadSensorType");
  if (!target || !old || !motorType || !control || !load) return 0;
  const bool closedLoop = *control != choice::kOpenLoop;

  Word startField = osr::kStartNone;
  if (Has(setup, "StartMode")) {
    const auto startMode = words::Choice(setup, "StartMode");
    const auto motor = words::Choice(setup, "MotorSensorType");
    if (!startMode || !motor) return 0;
    startField = StartModeField(*startMode, closedLoop, words::SingleSensor(*motor, *load),
                                OptionSet(setup, "isIntelligentMotor"));
  }

  bool standardController = true;
  if (Has(setup, "SOL_controller_mode") && !closedLoop && *motorType == choice::kBiphase) {
    const auto mode = words::Choice(setup, "SOL_controller_mode");
    if (!mode) return 0;
    standardController = *mode == 0;
  }

  bool encoderOnLoad = false;
  if (Has(setup, "SOLmodeEncOnLoad")) {
    const auto flag = words::Flag(setup, "SOLmodeEncOnLoad");
    if (!flag) return 0;
    encoderOnLoad = *flag;
  }

  Word word = *old & osr::kKept;
  word = (word & ~osr::kStartModeField) | startField;
  word = WithBits(word, osr::kTriphaseMotor, *motorType == choice::kTriphase);
  word = WithBits(word, osr::kClosedLoop, closedLoop);
  word = WithBits(word, osr::kLoadSensor, *load != choice::kNoSensor);
  word |= osr::kAlwaysSet;
  word = WithBits(word, osr::kStandardOpenLoopController, standardController);
  word = WithBits(word, osr::kEncoderOnLoad, encoderOnLoad);
  return words::Write(target, word);
}

int RecoverStartMode(CVX_Setup& setup) {
  const auto word = words::Read(setup, osr::kName);
  if (!word || !Has(setup, "StartMode")) return 0;
  int startMode = 0;
  if (IsSet(*word, osr::kStartModeOn)) {
    startMode = choice::kStartMode1;
    if (IsSet(*word, osr::kStartModeSecond)) {
      const auto motor = words::Choice(setup, "MotorSensorType");
      const auto load = words::Choice(setup, "LoadSensorType");
      if (!motor || !load) return 0;
      const bool absolute = words::IsAbsolute(words::SingleSensor(*motor, *load));
      if (OptionSet(setup, "isIntelligentMotor") || (IsSet(*word, osr::kClosedLoop) && absolute))
        startMode = choice::kStartMode2;
    }
  }
  return words::RecoverValue(setup, "StartMode", startMode, 0.0, choice::kStartModeMax);
}

int RecoverSOLmodeEncOnLoad(CVX_Setup& setup) {
  const auto word = words::Read(setup, osr::kName);
  if (!word) return 0;
  return words::RecoverFlag(setup, "SOLmodeEncOnLoad", IsSet(*word, osr::kEncoderOnLoad));
}

int RecoverStepperControlType(CVX_Setup& setup) {
  const auto word = words::Read(setup, osr::kName);
  if (!word) return 0;
  return words::RecoverFlag(setup, "StepperControlType", IsSet(*word, osr::kClosedLoop));
}

int RecoverSOL_controller_mode(CVX_Setup& setup) {
  const auto word = words::Read(setup, osr::kName);
  const auto control = words::Choice(setup, "StepperControlType");
  const auto motorType = words::Choice(setup, "StepperMotorType");
  if (!word || !control || !motorType || !Has(setup, "SOL_controller_mode")) return 0;
  if (*control != choice::kOpenLoop || *motorType != choice::kBiphase) return 1;
  return words::RecoverFlag(setup, "SOL_controller_mode", !IsSet(*word, osr::kStandardOpenLoopController));
}

int ComputeASR(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, asr::kName);
  const auto old = words::Read(setup, asr::kName);
  if (!target || !old) return 0;
  Word word = *old;

  if (Has(setup, "InputsPolarityType")) {
    const auto typeOne = words::Flag(setup, "InputsPolarityType");
    if (!typeOne) return 0;
    word = WithBits(word, asr::kInputsPolarity, !*typeOne);
  }

  bool negativeTransmission = false;
  if (OptionSet(setup, "hasNegTransmission")) {
    if (!Has(setup, "Motor_transmission") || !Has(setup, "Load_transmission")) return 0;
    // A zero or undefined ratio has no sign.
    const auto ratio = TransmissionRatio(setup);
    negativeTransmission = ratio && *ratio < 0.0;
  }
  word = WithBits(word, asr::kNegativeTransmission, negativeTransmission);

  if (Has(setup, "ENCRESLONG") && Has(setup, "STEPRESLONG")) {
    const auto longResolutions = NeedsLongResolutions(setup);
    if (!longResolutions) return 0;
    word = WithBits(word, asr::kLongResolutions, *longResolutions);
  }

  word = WithBits(word, asr::kReverseMovement, words::FlagIfPresent(setup, "IsReverseMovementDirection"));

  if (Has(setup, "isSWLS")) {
    const auto on = words::Flag(setup, "isSWLS");
    if (!on) return 0;
    word = WithBits(word, asr::kSoftwareLimitSwitches, *on);
  }

  const bool newEstimator = OptionSet(setup, "newSpeedEstimator") && SpeedEstimatorApplies(setup) &&
                            words::FlagIfPresent(setup, "isSpeedEstimator");
  word = WithBits(word, asr::kSpeedEstimator, newEstimator);
  return words::Write(target, word);
}

int RecoverInputsPolarityType(CVX_Setup& setup) {
  const auto word = words::Read(setup, asr::kName);
  if (!word) return 0;
  return words::RecoverFlag(setup, "InputsPolarityType", !IsSet(*word, asr::kInputsPolarity));
}

int RecoverIsReverseMovementDirection(CVX_Setup& setup) {
  return RecoverAsrFlag(setup, "IsReverseMovementDirection", asr::kReverseMovement);
}

int RecoverIsSWLS(CVX_Setup& setup) { return RecoverAsrFlag(setup, "isSWLS", asr::kSoftwareLimitSwitches); }

}  // namespace engine
