#pragma once

#include <string_view>

class CVX_Setup;

// Quantities that the drive's setup files keep in plain engineering units,
// with no unit of their own: the supply "Vdc" in volts and the current
// loop's bandwidth "PB_C" in rad/s. They are put in a unit family of their
// own, so that their unit boxes show the unit: "Vdc" (not the supply's "V ",
// whose scale converts the converter's counts, nor the motor's "V"), and
// "rad/s " for the bandwidth (a bandwidth is no shaft speed to show in rpm
// or steps/s; the blank tells the two apart, as with "V " and "V"). Neither
// family has a scale of its own, so the stored numbers keep their meaning.
// A parameter that already has a unit, or that the setup lacks, is left
// alone; a family the setup lacks is added. Never shows a message.
namespace engine {

inline constexpr std::string_view kSupplyUnit = "Vdc";
inline constexpr std::string_view kBandwidthUnit = "rad/s ";

void UpdatePlainUnits(CVX_Setup& setup);

}  // namespace engine
