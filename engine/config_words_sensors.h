#pragma once

#include "engine/config_bits.h"

class CVX_Setup;

// "SCR", the sensor configuration word: which position sensors the axis
// has and on which encoder inputs, the temperature sensors, the motor type,
// the digital reference input and the old-style speed estimator. One
// computation for the word and one recovery per user parameter it codes.
//
// Every function returns 1, or 0 with nothing written when a parameter it
// needs is missing. A recovery first gives its user parameter the limits of
// what the word can hold.
namespace engine {

// Rebuilt whole from "StepperControlType", "StepperMotorType", the sensor
// types and connectors, the temperature sensor flags,
// "DigitalReferenceConnector" and the speed estimator.
int ComputeSCR(CVX_Setup& setup);

// The sensor types read back through "OSR" (closed loop, load sensor),
// limits 0 .. the drive's largest sensor type. Closed loop stores a single
// sensor without its side: it comes back as the motor sensor.
int RecoverMotorSensorType(CVX_Setup& setup);
int RecoverLoadSensorType(CVX_Setup& setup);
// Read through the recovered sensor types (run after both); limits 0 .. the
// drive's largest connector.
int RecoverMotorSensorConnector(CVX_Setup& setup);
int RecoverLoadSensorConnector(CVX_Setup& setup);
int RecoverDigitalReferenceConnector(CVX_Setup& setup);
int RecoverStepperMotorType(CVX_Setup& setup);
int RecoverIsMotorTemperatureSensor(CVX_Setup& setup);
int RecoverIsDriveTemperatureSensor(CVX_Setup& setup);
// "isSpeedEstimator": "ASR" bit 15 under the option "newSpeedEstimator",
// otherwise the old-style field of "SCR".
int RecoverIsSpeedEstimator(CVX_Setup& setup);

// Where the new-style estimator may run: not with the loops in the fast
// loop; a single-sensor-side incremental encoder, or a sine/cosine one with
// one interpolation bit. False when a sensor type is missing.
bool SpeedEstimatorApplies(CVX_Setup& setup);
// Where the old-style estimator may run: one incremental encoder, on either
// side, and no other sensor. The Advanced dialog offers it only there.
constexpr bool OldSpeedEstimatorApplies(int motorSensor, int loadSensor) {
  return (motorSensor == choice::kIncremental && loadSensor == choice::kNoSensor) ||
         (motorSensor == choice::kNoSensor && loadSensor == choice::kIncremental);
}

}  // namespace engine
