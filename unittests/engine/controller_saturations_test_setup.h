#pragma once

#include <string_view>

#include "engine/scales.h"
#include "kernel/setup.h"
#include "unittests/support/example_setups.h"
#include "unittests/support/setup_builder.h"

// A drive for the controller saturation tests: 60 MHz clock, 20 kHz PWM,
// 0.8 ms slow loop; a 10 A converter with 65472 counts (3273.6 counts per
// ampere); a 200-step motor at 256 microsteps with a 1000-line encoder and a
// 1:1 load. User currents and speeds carry their unit families, so the
// engine's unit scales convert them; construct an ScopedEngineUnitScales first.
namespace saturationtest {

inline constexpr double kAdc = 65472;
inline constexpr double kCurrentScale = kAdc / 20;  // counts per ampere
inline constexpr double kTs = 0.8e-3;
// Open loop: microsteps per sample per rad/s of the 1:1 load.
inline constexpr double kStepRate = 51200 / engine::kTwoPi * kTs;
// Closed loop on the encoder: counts per sample per rad/s.
inline constexpr double kEncoderSpeedScale = 4000 / engine::kTwoPi * kTs;
inline constexpr double kStepAcceleration = 51200 / engine::kTwoPi * kTs * kTs;

// One control set-up: "StepperControlType", "ControlMode",
// "PositionControlType".
struct Mode {
  const char* name;
  int control;
  int controlMode;
  int positionType;
};

inline constexpr Mode kOpenPosition{"open loop, position", 0, 0, 1};
inline constexpr Mode kOpenSpeed{"open loop, speed", 0, 1, 1};
inline constexpr Mode kClosedDirectPosition{"closed loop, position on current", 1, 0, 0};
inline constexpr Mode kClosedCascadePosition{"closed loop, position on speed", 1, 0, 1};
inline constexpr Mode kClosedSpeed{"closed loop, speed", 1, 1, 0};
inline constexpr Mode kClosedTorque{"closed loop, torque", 1, 2, 0};
inline constexpr Mode kModes[] = {kOpenPosition,          kOpenSpeed,   kClosedDirectPosition,
                                  kClosedCascadePosition, kClosedSpeed, kClosedTorque};

inline void SetInternal(CVX_Setup& setup, std::string_view name, double value) {
  setup.FindParameter(name)->InitInternal(value);
}
inline void SetBase(CVX_Setup& setup, std::string_view name, double value) {
  setup.FindParameter(name)->SetValueInBaseUnit(value);
}
inline double Get(CVX_Setup& setup, std::string_view name) { return setup.GetParameterValueInBaseUnit(name); }

// The user choices of `mode`, and "OSR"/"ACR" as the words code them.
void SetMode(CVX_Setup& setup, const Mode& mode);

// The drive with its user values: "IlimPS" 2.5 A, "IPSatS" 90 %, "IPSatP"
// 80 %, "Limit_Speed" 40 rad/s, in the given mode.
CVX_Setup SaturationDrive(const Mode& mode);

// A copy of `setup` without the parameter `name`, for a firmware that lacks
// it.
CVX_Setup Without(const CVX_Setup& setup, std::string_view name);

}  // namespace saturationtest
