#pragma once

#include <optional>
#include <string_view>

class CVX_Setup;

// Resolutions and the transmission between motor and load: encoder counts
// and microsteps per revolution, the transmission register, and the rule
// that the microstep count is a power of two.
//
// Register functions return 1, or 0 with nothing written when a parameter
// they need is missing or the result would be infinite or not a number.
namespace engine {

// Counts per revolution of the sensor that resolves the position: the motor
// sensor when it is the only one, else the load sensor of a rotary load;
// 0 without a sensor or with a linear load. nullopt when a parameter is
// missing.
std::optional<double> ActiveSensorCountsPerRevolution(CVX_Setup& setup);

int ComputeEncRes(CVX_Setup& setup);
// The same value, for firmware with 32-bit resolutions.
int ComputeENCRESLONG(CVX_Setup& setup);
// Microsteps per motor revolution: "NoMotorSteps" * "NoMicroStepsPerStep".
int ComputeSTEPRES(CVX_Setup& setup);
int ComputeSTEPRESLONG(CVX_Setup& setup);
// Motor encoder counts per full step: 4 "No_encoder_lines" / "NoMotorSteps".
int ComputeSTALLLIM(CVX_Setup& setup);

// Motor counts per load count, with the ratio rounded to five decimals.
// Closed loop with a load sensor: |motor speed scale| / |speed scale| * r;
// closed loop without: the ratio's sign; open loop: microsteps per
// revolution over the sensor's counts per revolution, times r. Signed only
// when the option "hasNegTransmission" is 1.
int ComputeTRANSMISSION(CVX_Setup& setup);

// The microstep count the drive accepts for an entered one: the power of two
// nearest on a logarithmic scale (90 gives 64, 91 gives 128), 1 for a count
// of 0 or less. `messageDue` when a positive count was not a power of two.
struct MicrostepCount {
  double value;
  bool messageDue;
};
MicrostepCount PowerOfTwoMicrosteps(double entered);

inline constexpr std::string_view kMicrostepPowerOfTwoMessage =
    "The number of microsteps per step value must be a power of 2.";

// After an edit of "NoMicroStepsPerStep": stores the accepted count when it
// differs from the stored value, then, when the firmware has the alternative
// open-loop controller ("SOL_controller_mode"), its speed gain "KOMEGA".
// The dialog shows kMicrostepPowerOfTwoMessage when `messageDue`. nullopt
// when the setup has no "NoMicroStepsPerStep".
std::optional<MicrostepCount> ApplyMicrostepRule(CVX_Setup& setup);

// "KOMEGA" = 256 / "NoMicroStepsPerStep" * "KOMEGA_test", internal units:
// the tested gain holds for 256 microsteps per step.
int ComputeKOMEGA(CVX_Setup& setup);

}  // namespace engine
