#pragma once

#include <string_view>

class CVX_Setup;

// How one drive unit of a quantity converts into the engineering unit that
// names its unit family, for the setup as it stands: engineering value =
// (drive value + offset) * factor. The kernel asks on every conversion of a
// parameter or variable with a unit, so the answer follows the loop periods,
// resolutions, transmission and control type at once.
//
// Unit and quantity names are compared without letter case; "V " (with a
// trailing blank: the supply voltage) and "V" (motor and analogue input
// voltages) are different families, and "°C" is written in UTF-8. An
// unknown unit scales by 1 with offset 0, an unknown quantity takes its
// unit's general row. A scale that cannot be formed (a parameter missing,
// a zero resolution or period) gives an infinite factor, through which the
// kernel refuses to convert.
//
// These functions read only dimensionless or unscaled inputs, as internal
// values, so that no conversion re-enters itself.
namespace engine {

// The signatures of kernel::SetUnitScaleFunctions.
double ScaleFactor(CVX_Setup* setup, const char* unitType, const char* name);
double ScaleOffset(CVX_Setup* setup, const char* unitType);

// The same, for callers that hold a setup and names already.
double ScaleFactor(CVX_Setup& setup, std::string_view unitType, std::string_view name);
double ScaleOffset(CVX_Setup& setup, std::string_view unitType);

}  // namespace engine
