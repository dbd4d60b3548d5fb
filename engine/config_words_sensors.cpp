#include "engine/config_words_sensors.h"

#include <optional>

#include "engine/config_words_common.h"
#include "engine/setup_access.h"
#include "kernel/setup.h"

namespace engine {
namespace {

using words::IsSet;
using words::WithBits;

// Sine/cosine interpolation at which the new-style estimator still works.
constexpr int kEstimatorSinCosFraction = 1;

Word CodeOf(int sensor) {
  const scr::SensorCodeRow* row = scr::RowOfType(sensor);
  return row ? row->code : 0;
}

Word MotorFieldOf(int sensor) {
  const scr::SensorCodeRow* row = scr::RowOfType(sensor);
  return row ? row->motorField : 0;
}

Word SensorFields(bool closedLoop, int motor, int load, bool oldEstimator) {
  const bool both = motor != choice::kNoSensor && load != choice::kNoSensor;
  const int single = words::SingleSensor(motor, load);
  if (!closedLoop) {
    if (single == choice::kNoSensor) return scr::kOpenLoopNoSensor;
    return scr::kOpenLoopSensorBase + CodeOf(single);
  }
  if (both) return MotorFieldOf(motor) | CodeOf(load);
  return CodeOf(single) | (oldEstimator ? scr::kOldSpeedEstimator : 0);
}

Word ConnectorBits(int motor, int load, bool motorOnSecond, bool loadOnSecond) {
  if (motor != choice::kNoSensor && load != choice::kNoSensor)
    return (motorOnSecond ? scr::kMotorConnectorOfTwo : 0) | (loadOnSecond ? scr::kSensorConnector : 0);
  const bool single = motor == choice::kNoSensor ? loadOnSecond : motorOnSecond;
  return single ? scr::kSensorConnector : 0;
}

// The SCR and OSR words that the sensor recoveries read together.
struct SensorWords {
  Word sensors;    // "SCR"
  Word operating;  // "OSR"
  bool closedLoop() const { return IsSet(operating, osr::kClosedLoop); }
  bool loadSensorFlagged() const { return IsSet(operating, osr::kLoadSensor); }
  bool openLoopNoSensor() const { return (sensors & scr::kSensorFields) == scr::kOpenLoopNoSensor; }
  Word code() const { return sensors & scr::kSensorCodeRead; }
  Word motorField() const { return sensors & scr::kMotorField; }
  bool twoIncrementalSensors() const { return (sensors & scr::kTwoSensorRead) == scr::kTwoIncrementalSensors; }
};

std::optional<SensorWords> ReadSensorWords(CVX_Setup& setup) {
  const auto sensors = words::Read(setup, scr::kName);
  const auto operating = words::Read(setup, osr::kName);
  if (!sensors || !operating) return std::nullopt;
  return SensorWords{*sensors, *operating};
}

int MotorSensorOf(const SensorWords& w) {
  if (w.closedLoop()) {
    if (w.twoIncrementalSensors()) return choice::kIncremental;
    if (w.motorField() != 0) return scr::TypeOfMotorField(w.motorField()).value_or(choice::kNoSensor);
    return scr::TypeOfCode(w.code()).value_or(choice::kNoSensor);
  }
  if (w.openLoopNoSensor() || w.loadSensorFlagged()) return choice::kNoSensor;
  return scr::TypeOfCode(w.code()).value_or(choice::kIncremental);
}

int LoadSensorOf(const SensorWords& w) {
  if (w.closedLoop()) {
    if (w.motorField() == 0 || w.motorField() == scr::kOldSpeedEstimator) return choice::kNoSensor;
    if (w.twoIncrementalSensors()) return choice::kIncremental;
    return scr::TypeOfCode(w.code()).value_or(choice::kNoSensor);
  }
  if (w.openLoopNoSensor() || !w.loadSensorFlagged()) return choice::kNoSensor;
  return scr::TypeOfCode(w.code()).value_or(choice::kIncremental);
}

int RecoverSensorType(CVX_Setup& setup, std::string_view name, int (*typeOf)(const SensorWords&)) {
  const auto w = ReadSensorWords(setup);
  if (!w) return 0;
  return words::RecoverValue(setup, name, typeOf(*w), 0.0, setup.GetDLMaxSensorValue());
}

// With both sensors, or without a motor sensor, bit 10 is the load sensor's
// input and bit 11 the motor sensor's; with a motor sensor alone bit 10 is
// its input and the load sensor has none (bit 11 is then clear).
int RecoverConnector(CVX_Setup& setup, std::string_view name, bool motorSide) {
  const auto word = words::Read(setup, scr::kName);
  const auto motor = words::Choice(setup, "MotorSensorType");
  const auto load = words::Choice(setup, "LoadSensorType");
  if (!word || !motor || !load) return 0;
  const bool motorAlone = *motor != choice::kNoSensor && *load == choice::kNoSensor;
  const Word motorBit = motorAlone ? scr::kSensorConnector : scr::kMotorConnectorOfTwo;
  const Word loadBit = motorAlone ? scr::kMotorConnectorOfTwo : scr::kSensorConnector;
  const bool onSecond = IsSet(*word, motorSide ? motorBit : loadBit);
  return words::RecoverValue(setup, name, onSecond ? 1 : 0, 0.0, setup.GetDLMaxConnectorValue());
}

int RecoverScrFlag(CVX_Setup& setup, std::string_view name, Word mask) {
  const auto word = words::Read(setup, scr::kName);
  if (!word) return 0;
  return words::RecoverFlag(setup, name, IsSet(*word, mask));
}

}  // namespace

int ComputeSCR(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, scr::kName);
  const auto control = words::Choice(setup, "StepperControlType");
  const auto motorType = words::Choice(setup, "StepperMotorType");
  const auto motor = words::Choice(setup, "MotorSensorType");
  const auto load = words::Choice(setup, "LoadSensorType");
  const auto motorOnSecond = words::Flag(setup, "MotorSensorConnector");
  const auto loadOnSecond = words::Flag(setup, "LoadSensorConnector");
  const auto motorTemperature = words::Flag(setup, "isMotorTemperatureSensor");
  const auto driveTemperature = words::Flag(setup, "isDriveTemperatureSensor");
  const auto referenceOnSecond = words::Flag(setup, "DigitalReferenceConnector");
  if (!target || !control || !motorType || !motor || !load || !motorOnSecond || !loadOnSecond || !motorTemperature ||
      !driveTemperature || !referenceOnSecond)
    return 0;

  // The old-style estimator field shares bits 3-5 with the sensor fields, so
  // it is written only where it cannot hide the sensor type.
  const bool oldEstimator = !OptionSet(setup, "newSpeedEstimator") && words::FlagIfPresent(setup, "isSpeedEstimator") &&
                            OldSpeedEstimatorApplies(*motor, *load);
  const bool closedLoop = *control != choice::kOpenLoop;

  Word word = SensorFields(closedLoop, *motor, *load, oldEstimator);
  word |= ConnectorBits(*motor, *load, *motorOnSecond, *loadOnSecond);
  word = WithBits(word, scr::kMotorTemperatureSensor, *motorTemperature);
  word = WithBits(word, scr::kDriveTemperatureSensor, *driveTemperature);
  word |= *motorType == choice::kTriphase ? scr::kMotorTypeTriphase : scr::kMotorTypeBiphase;
  word = WithBits(word, scr::kDigitalReferenceConnector, *referenceOnSecond);
  return words::Write(target, word);
}

int RecoverMotorSensorType(CVX_Setup& setup) { return RecoverSensorType(setup, "MotorSensorType", MotorSensorOf); }

int RecoverLoadSensorType(CVX_Setup& setup) { return RecoverSensorType(setup, "LoadSensorType", LoadSensorOf); }

int RecoverMotorSensorConnector(CVX_Setup& setup) { return RecoverConnector(setup, "MotorSensorConnector", true); }

int RecoverLoadSensorConnector(CVX_Setup& setup) { return RecoverConnector(setup, "LoadSensorConnector", false); }

int RecoverDigitalReferenceConnector(CVX_Setup& setup) {
  const auto word = words::Read(setup, scr::kName);
  if (!word) return 0;
  return words::RecoverValue(setup, "DigitalReferenceConnector", IsSet(*word, scr::kDigitalReferenceConnector) ? 1 : 0,
                             0.0, setup.GetDLMaxConnectorValue());
}

int RecoverStepperMotorType(CVX_Setup& setup) {
  const auto word = words::Read(setup, scr::kName);
  if (!word) return 0;
  const bool triphase = (*word & scr::kMotorTypeField) == scr::kMotorTypeTriphase;
  return words::RecoverFlag(setup, "StepperMotorType", triphase);
}

int RecoverIsMotorTemperatureSensor(CVX_Setup& setup) {
  return RecoverScrFlag(setup, "isMotorTemperatureSensor", scr::kMotorTemperatureSensor);
}

int RecoverIsDriveTemperatureSensor(CVX_Setup& setup) {
  return RecoverScrFlag(setup, "isDriveTemperatureSensor", scr::kDriveTemperatureSensor);
}

int RecoverIsSpeedEstimator(CVX_Setup& setup) {
  if (OptionSet(setup, "newSpeedEstimator")) {
    const auto word = words::Read(setup, asr::kName);
    if (!word || !Has(setup, "MotorSensorType") || !Has(setup, "LoadSensorType")) return 0;
    return words::RecoverFlag(setup, "isSpeedEstimator",
                              IsSet(*word, asr::kSpeedEstimator) && SpeedEstimatorApplies(setup));
  }
  const auto word = words::Read(setup, scr::kName);
  if (!word) return 0;
  return words::RecoverFlag(setup, "isSpeedEstimator", (*word & scr::kEstimatorField) == scr::kOldSpeedEstimator);
}

bool SpeedEstimatorApplies(CVX_Setup& setup) {
  const auto motor = words::Choice(setup, "MotorSensorType");
  const auto load = words::Choice(setup, "LoadSensorType");
  if (!motor || !load || words::FlagIfPresent(setup, "PosSpd_in_FastLoop")) return false;
  const auto fineSinCos = [&](std::string_view fraction) {
    return words::Choice(setup, fraction) == kEstimatorSinCosFraction;
  };
  switch (*motor) {
    case choice::kIncremental:
      return true;
    case choice::kSineCosine:
      return fineSinCos("SINCOS_fract");
    case choice::kNoSensor:
      return *load == choice::kIncremental || (*load == choice::kSineCosine && fineSinCos("SINCOS_fract_LD"));
    default:
      return false;
  }
}

}  // namespace engine
