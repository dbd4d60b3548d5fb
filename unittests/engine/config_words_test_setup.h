#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "engine/config_words_control.h"
#include "engine/config_words_io.h"
#include "engine/config_words_operation.h"
#include "engine/config_words_protection.h"
#include "engine/config_words_qual.h"
#include "engine/config_words_sensors.h"
#include "engine/loop_timing.h"
#include "kernel/setup.h"
#include "unittests/support/setup_builder.h"

// A setup that holds every configuration word and every user parameter they
// code, and the word functions run in the order of the two sequences.
namespace cwtest {

inline constexpr std::array<std::string_view, 9> kWords16{
    "SCR", "OSR", "ASR", "PCR", "ACR", "UPGRADE", "DIGIN_ACTIVE_LEVEL", "BRAKECFG", "LSS_Active"};
inline constexpr std::array<std::string_view, 5> kQualWords{"QUAL", "QUAL_ACT", "QUAL_AQ2", "QUAL_BCT", "QUAL_BQ2"};

// The user parameters that the words code (and a few they read).
inline constexpr std::array<std::string_view, 55> kUserParameters{"StepperControlType",
                                                                  "StepperMotorType",
                                                                  "MotorSensorType",
                                                                  "LoadSensorType",
                                                                  "MotorSensorConnector",
                                                                  "LoadSensorConnector",
                                                                  "DigitalReferenceConnector",
                                                                  "isMotorTemperatureSensor",
                                                                  "isDriveTemperatureSensor",
                                                                  "isSpeedEstimator",
                                                                  "ControlMode",
                                                                  "PositionControlType",
                                                                  "ExternalReference",
                                                                  "isAnalogueReference",
                                                                  "DigitalReferenceType",
                                                                  "isAutoActivatedAfterPowerOn",
                                                                  "SpeedForward",
                                                                  "isFreezeControl",
                                                                  "POSOKLIM_FC",
                                                                  "TONPOSOK_FC",
                                                                  "StartMode",
                                                                  "SOL_controller_mode",
                                                                  "SOLmodeEncOnLoad",
                                                                  "InputsPolarityType",
                                                                  "IsReverseMovementDirection",
                                                                  "isSWLS",
                                                                  "Motor_transmission",
                                                                  "Load_transmission",
                                                                  "isOverCurrent",
                                                                  "isMotorI2t",
                                                                  "isMotorOverTemp",
                                                                  "isDriveOverTemp",
                                                                  "isOverVoltage",
                                                                  "isUnderVoltage",
                                                                  "isDriveI2t",
                                                                  "isLimitMaximum",
                                                                  "PosSpd_in_FastLoop",
                                                                  "MotionCompleteDefaultSettings",
                                                                  "MotionCompleteType",
                                                                  "EnablePolarity",
                                                                  "LSNPolarity",
                                                                  "LSPPolarity",
                                                                  "isMotorBrake",
                                                                  "MotorBrake_output",
                                                                  "save_CAN_baudrate",
                                                                  "save_axis_id",
                                                                  "isFilterEnc_MT",
                                                                  "FilterEncValue_MT",
                                                                  "isFilterEnc_LD",
                                                                  "FilterEncValue_LD",
                                                                  "SINCOS_fract",
                                                                  "SINCOS_fract_LD",
                                                                  "NoMotorSteps",
                                                                  "NoMicroStepsPerStep",
                                                                  "TransmissionType"};

// Sensor types 1-4 on two encoder inputs; I/O ports 1-3 on pins 10, 11, 12.
inline CVX_DriveCapabilities WordsCapabilities() {
  CVX_DriveCapabilities caps;
  caps.sensorNames = {{1, "Incremental encoder"}, {2, "Sine/cosine encoder"}, {3, "SSI encoder"}, {4, "BiSS encoder"}};
  const std::vector<int> all{1, 2, 3, 4};
  caps.sensorInputs = {{"Feedback #1", all, all, true}, {"Feedback #2", all, all, true}};
  caps.ioPorts = {{1, 10, 1, false}, {2, 11, 1, false}, {3, 12, 1, true}};
  return caps;
}

// Open loop, two-phase motor, no sensor, position mode, everything off; all
// words 0.
inline CVX_Setup MakeWordsSetup() {
  CVX_Setup setup;
  setup.SetCapabilities(WordsCapabilities());
  for (std::string_view word : kWords16) testsupport::AddRegister(setup, word, 0);
  testsupport::AddRegister(setup, "QUAL", 0);
  for (std::string_view word : {"QUAL_ACT", "QUAL_AQ2", "QUAL_BCT", "QUAL_BQ2"})
    testsupport::AddParameter(setup, word, 0, kernel::ValueType::kUInt32);
  for (std::string_view name : kUserParameters) testsupport::AddParameter(setup, name, 0);
  testsupport::AddParameters(setup, {{"Motor_transmission", 1},
                                    {"Load_transmission", 1},
                                    {"MotorBrake_output", 1},
                                    {"NoMotorSteps", 200},
                                    {"NoMicroStepsPerStep", 256},
                                    {"save_CAN_baudrate", 1},
                                    {"save_axis_id", 1}});
  return setup;
}

inline void Set(CVX_Setup& setup, std::string_view name, double value) {
  testsupport::AddParameter(
      setup, name, value,
      setup.FindParameter(name) ? setup.FindParameter(name)->GetValueType() : kernel::ValueType::kDouble);
}

inline double Value(const CVX_Setup& setup, std::string_view name) { return setup.GetParameterValueInBaseUnit(name); }

inline uint32_t WordOf(const CVX_Setup& setup, std::string_view name) {
  return static_cast<uint32_t>(setup.GetParameterValueInBaseUnit(name));
}

// Register computation: "SCR", "OSR", "ASR", "PCR", "ACR", then the I/O
// words of the later step.
inline void ComputeWords(CVX_Setup& setup) {
  engine::ComputeSCR(setup);
  engine::ComputeOSR(setup);
  engine::ComputeASR(setup);
  engine::ComputePCR(setup);
  engine::ComputeACR(setup);
  engine::ComputeDIGIN_ACTIVE_LEVEL(setup);
  engine::ComputeUPGRADE(setup);
  engine::ComputeLSS_Active(setup);
  engine::ComputeQUAL(setup);
  engine::ComputeBRAKECFG(setup);
}

// User value recovery in the order of its sequence.
inline void RecoverWords(CVX_Setup& setup) {
  using namespace engine;
  for (auto recover : {RecoverIsMotorTemperatureSensor,
                       RecoverPosSpd_in_FastLoop,
                       RecoverIsDriveTemperatureSensor,
                       RecoverIsOverVoltage,
                       RecoverIsUnderVoltage,
                       RecoverIsDriveOverTemp,
                       RecoverIsDriveI2t,
                       RecoverControlMode,
                       RecoverExternalReference,
                       RecoverIsAutoActivatedAfterPowerOn,
                       RecoverIsOverCurrent,
                       RecoverIsMotorOverTemp,
                       RecoverIsMotorI2t,
                       RecoverEnablePolarity,
                       RecoverLSPPolarity,
                       RecoverLSNPolarity,
                       RecoverIsSWLS,
                       RecoverIsSpeedEstimator,
                       RecoverIsLimitMaximum,
                       RecoverIsAnalogueReference,
                       RecoverDigitalReferenceType,
                       RecoverSave_CAN_baudrate,
                       RecoverSave_axis_id,
                       RecoverIsFilterEnc_MT,
                       RecoverIsFilterEnc_LD,
                       RecoverIsMotorBrake,
                       RecoverMotorBrake_output,
                       RecoverSpeedForward,
                       RecoverIsFreezeControl,
                       RecoverInputsPolarityType,
                       RecoverMotorSensorType,
                       RecoverLoadSensorType,
                       RecoverMotorSensorConnector,
                       RecoverLoadSensorConnector,
                       RecoverDigitalReferenceConnector,
                       RecoverStepperMotorType,
                       RecoverStepperControlType,
                       RecoverStartMode,
                       RecoverSOL_controller_mode,
                       RecoverIsReverseMovementDirection,
                       RecoverMotionCompleteType,
                       RecoverSOLmodeEncOnLoad})
    recover(setup);
}

inline void RoundTrip(CVX_Setup& setup) {
  ComputeWords(setup);
  RecoverWords(setup);
}

}  // namespace cwtest
