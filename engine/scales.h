#pragma once

#include <optional>

#include "engine/loop_periods.h"

class CVX_Setup;

// The quantities that convert between engineering units and drive units.
// Every register family and the unit scale factors take them from here and
// never derive them again.
//
// Contract of every function below: the value, or nullopt when a parameter
// it needs is missing, or when the result is zero or not finite. Callers
// divide by these scales, so a zero never leaves this file.
//
// Inputs are read as the kernel stores them (internal values): the unit scale
// factors call these functions while the kernel converts a quantity, and an
// input read in base units could need the very conversion under way. So
// every input must be dimensionless or of a family that scales by 1 (a
// register, a count, a ratio, a supply value in volts or amperes).
//
// The loop periods Ts_C and Ts_S are FastLoopPeriod and SlowLoopPeriod of
// loop_periods.h.
namespace engine {

// "MotorSensorType" / "LoadSensorType" values.
inline constexpr int kSensorNone = 0;
inline constexpr int kSensorIncremental = 1;
inline constexpr int kSensorSineCosine = 2;
inline constexpr int kSensorSsi = 3;
inline constexpr int kSensorBiss = 4;

inline constexpr double kTwoPi = 6.283185307179586;

// "StepperControlType" 0. A setup without the parameter counts as closed
// loop: the kernel's missing value is not 0.
bool IsOpenLoop(CVX_Setup& setup);

// "Motor_transmission" / "Load_transmission", signed.
std::optional<double> TransmissionRatio(CVX_Setup& setup);

// Converter counts per ampere: Compute_ADCMaxValue / (2 "ImaxPS").
std::optional<double> CurrentScale(CVX_Setup& setup);
// Converter counts per volt of the DC supply: ADC maximum / "VdcMaxMeasurable".
std::optional<double> VoltageScale(CVX_Setup& setup);
// Drive units per volt of motor voltage: 65534 / (1.1 "Vdc") when "SCR" bit
// 12 is set (three-phase motor), else 32767 / "Vdc".
std::optional<double> MotorVoltageScale(CVX_Setup& setup);
// The same for a supply other than the stored "Vdc" (one a test measured).
std::optional<double> MotorVoltageScaleAt(CVX_Setup& setup, double supply_V);

// Microsteps per radian of the load: "NoMicroStepsPerStep" "NoMotorSteps"
// / 2 pi * ratio (signed). The position unit of open-loop control.
std::optional<double> StepPositionScale(CVX_Setup& setup);

// Drive position units per user position unit of the load (per radian, or
// per metre of a linear load), signed: the position the controller closes
// on. Open loop: the load sensor's counts when "OSR" bit 12 is set (position
// loop on the load sensor), else the microstep scale. Closed loop: the load
// sensor's counts, else the motor sensor's counts times the ratio. nullopt
// in closed loop with neither sensor (no meaningful scale).
std::optional<double> PositionScale(CVX_Setup& setup);

// The position that the motor-side quantities ("Motor_Position", "APOS_MT"
// and their speeds) count in. With a motor sensor, its counts per motor
// radian, without the ratio, open or closed loop. Without one, what the drive
// counts instead: the microsteps in open loop, the load sensor in closed loop.
std::optional<double> MotorPositionScale(CVX_Setup& setup);

// The position that the load-side quantities count in. With a load sensor,
// its counts per load unit, open or closed loop. Without one, the motor's
// position seen through the ratio: the microsteps in open loop, the position
// scale in closed loop.
std::optional<double> LoadPositionScale(CVX_Setup& setup);

// Speed scales: a position scale times Ts_S (drive position units per
// slow-loop sample per user speed unit).
std::optional<double> SpeedScale(CVX_Setup& setup);
std::optional<double> MotorSpeedScale(CVX_Setup& setup);
std::optional<double> LoadSpeedScale(CVX_Setup& setup);

// Position scale * Ts_S^2, in every control mode and sensor set-up where the
// position scale is defined.
std::optional<double> AccelerationScale(CVX_Setup& setup);
// Position scale * Ts_S^3.
std::optional<double> JerkScale(CVX_Setup& setup);

// Open loop: microsteps per slow-loop sample per rad/s of the motor,
// "NoMotorSteps" "NoMicroStepsPerStep" Ts_S / 2 pi (no ratio); closed loop: 1.
std::optional<double> StepSpeedScale(CVX_Setup& setup);
// Microstep acceleration per rad/s^2 of the load, in any control mode:
// "NoMicroStepsPerStep" "NoMotorSteps" Ts_S^2 / 2 pi * ratio (signed).
std::optional<double> StepAccelerationScale(CVX_Setup& setup);
// Microsteps per slow-loop sample per rad/s of the load, in any control
// mode: "NoMotorSteps" "NoMicroStepsPerStep" Ts_S / 2 pi * |ratio|.
std::optional<double> StepRateFactor(CVX_Setup& setup);

}  // namespace engine
