#pragma once

#include <optional>
#include <string>
#include <string_view>

class CVX_Setup;

// Whether the fast loop still leaves time to read the serial encoder at its
// bit rate, for the dialogs that change the loop timing.
namespace engine {

// The texts the dialog shows, the load sensor's as the drive's users know it.
inline constexpr std::string_view kMotorReadTimeMessage = "Current loop period is too short to read the SSI encoder!";
inline constexpr std::string_view kLoadReadTimeMessage = "Current loop period is to short to read the SSI encoder!";

// Bit rates are raised in steps of this size.
inline constexpr double kReadTimeRateStep_Hz = 250000.0;

// With an SSI or BiSS sensor (the load sensor when it is one, else the motor
// sensor) whose frequency parameter is below the lowest bit rate at which a
// read-out fits into the fast-loop period: raises the parameter to that rate
// rounded up to a multiple of 250 kHz, recomputes "SSIBR", "AEI_CLKDIV",
// "AEI_PER" and "AEI_CMPTIME", recovers the parameter from "SSIBR" and
// returns the sensor's message. When the fixed parts of the read-out alone
// fill the period, no rate helps: nothing changes and the message is
// returned all the same. nullopt when the rate is high enough, when there is
// no serial sensor, or when a parameter is missing.
std::optional<std::string> CheckSerialEncoderReadTime(CVX_Setup& setup);

}  // namespace engine
