#pragma once

#include <array>
#include <string_view>

class CVX_Setup;

// The step and microstep unit families of an open-loop stepper, derived from
// the load's "rad", "rad/s", "rad/s^2" and "rad/s^3".
namespace engine {

inline constexpr std::array<std::string_view, 4> kStepUnits{"steps", "steps/s", "steps/s^2", "steps/s^3"};
inline constexpr std::array<std::string_view, 4> kMicrostepUnits{"µsteps", "µsteps/s", "µsteps/s^2", "µsteps/s^3"};
inline constexpr std::array<std::string_view, 4> kStepBaseUnits{"rad", "rad/s", "rad/s^2", "rad/s^3"};

// In open loop merges the eight units (steps per load radian, then
// microsteps), each only after the one before succeeded, and returns true
// when all eight did. In closed loop removes those that exist and returns
// false when a removal fails. False, with nothing changed, when a parameter
// it needs is missing. Never shows a message.
bool UpdateStepUnits(CVX_Setup& setup);

}  // namespace engine
