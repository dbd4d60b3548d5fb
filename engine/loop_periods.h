#pragma once

#include <optional>

class CVX_Setup;

// The loop periods as the drive runs them, from the divider and timer
// registers and the processor clock (never from the shown "Ts_C", "Ts_S",
// which may lag behind). nullopt when a parameter is missing or the result
// is not a finite positive number.
namespace engine {

// Fast (current) loop: 2 * "CLPER" * "PWMPER" / "DSP_freq" seconds.
std::optional<double> FastLoopPeriod(CVX_Setup& setup);
// Slow (speed and position) loop: 2 * "SLPER" * "PWMPER" / "DSP_freq" seconds.
std::optional<double> SlowLoopPeriod(CVX_Setup& setup);
// PWM rate: "DSP_freq" / (2 * "PWMPER") Hz; the timer counts up and down.
std::optional<double> PwmRate(CVX_Setup& setup);

}  // namespace engine
