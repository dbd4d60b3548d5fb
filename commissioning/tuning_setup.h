#pragma once

#include <optional>

#include "commissioning/position_gain_design.h"
#include "commissioning/reference_profile.h"
#include "commissioning/result.h"
#include "commissioning/speed_gain_design.h"

class CVX_Setup;

// The speed and position tuning tests' evaluations applied to a setup: the
// thin shell that reads the design inputs, scales and profile times from
// the setup and stores what the pure functions give. A failure leaves the
// setup as it was.
namespace commissioning {

// "PositionControlType" 1: the position loop commands the speed loop.
inline constexpr int kPositionThroughSpeedLoop = 1;

// The speed gains designed from "PB_S", "Dump_S", "Jt", "K" and the drive's
// scales and loop periods.
Result<PiGains> DesignSpeedGains(CVX_Setup& setup);
// The position gains designed from "PB_P", "Dump_P", ... for the setup's
// control type and position control type.
Result<PidGains> DesignPositionGains(CVX_Setup& setup);

// "Tune": the design stored in the user gains, their register pairs
// computed and the quantised gains recovered.
Result<PiGains> TuneSpeedController(CVX_Setup& setup);
Result<PidGains> TunePositionController(CVX_Setup& setup);

// Quantises "TestSpeed" in place and returns the test speed in internal
// units (never 0); nullopt, with "TestSpeed" as it was, when the setup
// cannot convert it.
std::optional<double> QuantiseTestSpeed(CVX_Setup& setup);

// The test position "TestPosition" in the position counts of the loop,
// rounded; nullopt when the setup cannot convert it.
std::optional<double> TestPositionCounts(CVX_Setup& setup);

// The profiles of a test speed from QuantiseTestSpeed and a test position
// from TestPositionCounts, with the setup's times and reference type.
Result<Profile, ProfileError> SpeedProfileOf(CVX_Setup& setup, double speed_internal);
Result<Profile, ProfileError> PositionProfileOf(CVX_Setup& setup, double position_counts);

}  // namespace commissioning
