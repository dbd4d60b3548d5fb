#pragma once

#include <string_view>

class CVX_Setup;
class CVX_Parameter;

namespace kernel {

// The capability probe: looks a parameter up with the kernel's error
// messages switched off, so a parameter the firmware lacks is silent.
CVX_Parameter* ProbeParameter(CVX_Setup& setup, std::string_view name);
bool HasParameter(const CVX_Setup& setup, std::string_view name);
// The same for a drive variable of an axis.
bool HasVariable(const CVX_Setup& setup, std::string_view name, int axis);

}  // namespace kernel
