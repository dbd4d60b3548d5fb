#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "commissioning/result.h"

// The total inertia test's evaluation, and the rule that keeps the total
// inertia "Jt" and the load-to-motor ratio "Jload_over_J" consistent.
namespace commissioning {

// What the identification program reports after its run.
struct InertiaRunReport {
  // "test_flag": -1 when the current passed the protection current, any
  // other value of 0 or below when the speed ran backwards.
  double testFlag;
  double deltaTime_samples;  // "delta_time": -1, -2 and below name failures
  double deltaSpeed;         // "delta_speed", internal speed units
};

struct InertiaScales {
  // Motor position counts per radian times the speed-loop period: the
  // program measures the motor sensor.
  double speedScale;
  double currentScale_countsPerA;
  double slowLoop_s;
  double torqueConstant_NmPerA;  // "K"
};

// Jt = Ks / Kc * t * Ts_S * K / s * I: the torque of the test current over
// the acceleration, s speed units gained in t samples. The program's failure
// reports give their texts; a result that cannot be formed (a zero scale,
// no speed gained, a value that is not finite or not positive) gives a text
// naming the cause and never a number.
Result<double> TotalInertia(const InertiaRunReport& report, double testCurrent_counts, const InertiaScales& scales);

inline constexpr std::string_view kInertiaSpeedNegativeText =
    "When a POSITIVE torque level is applied to the motor, the measured speed is NEGATIVE.\nPossible causes of "
    "failure:\n\t\tThe current controller is not tuned;\n\t\tThe encoder signals are reversed;\n\t\tCheck the "
    "current controller tuning;\n\t\tUse the test <<Detect Encoder Resolution>> to verify the encoder counting "
    "direction;\n\t\tCheck if the motor nominal current was correctly set";
inline constexpr std::string_view kInertiaSpeedZeroText =
    "When trying to apply POSITIVE torque to the motor, the measured speed is ZERO, or the reference torque cannot "
    "be reached!\nPossible causes of failure:\n\t\tThe current controller is not tuned;\n\t\tThe encoder signals "
    "are missing;\n\t\tThe DC voltage level is not high enough;\n\t\tCheck the current controller tuning;\n\t\tUse "
    "the encoder <<Test connections>> to verify presence of the encoder signals\n\t\tCheck if the motor nominal "
    "current was correctly set.\n\t\tTry to decrease the test current.";
inline constexpr std::string_view kInertiaSpeedNotReachedText =
    "The motor does not reach the programmed speed level!\nYou may have a problem with the encoder or the initial "
    "positioning is not performed correctly. Check the encoder and motor connections. If these are OK, try to "
    "increase the test current.";

// Follows the tests' common text for a run the protection current ended:
// the test current's swing of a strong motor can carry the current past it.
inline constexpr std::string_view kInertiaProtectionAdvice =
    "The motor current passed the protection current of the test: lower the test current, or raise the protection "
    "current as far as the motor allows.";

inline constexpr std::string_view kInertiaBelowMotorText =
    "You have chosen a value for the total inertia that is lower than the value of the motor inertia.\nThe "
    "application will assume the motor inertia is unknown.";

// "Jload_over_J" for a total inertia: (Jt - Jm) / Jm to 3 decimals. nullopt
// (the ratio stays as it was) for a motor inertia of 0 or values that are
// not finite.
std::optional<double> LoadInertiaRatio(double total_kgm2, double motor_kgm2);

// "Jt" for a ratio: (ratio + 1) Jm to `decimals` decimals, the precision "Jt"
// is shown with (an inertia of a few 1e-5 kg m^2 must not round to 0).
// nullopt for values that are not finite.
std::optional<double> TotalInertiaFromRatio(double ratio, double motor_kgm2, int decimals);

}  // namespace commissioning
