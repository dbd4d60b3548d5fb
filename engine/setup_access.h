#pragma once

#include <cmath>
#include <optional>
#include <string_view>

#include "kernel/parameter.h"
#include "kernel/setup.h"

// How register functions touch the setup. Look-ups are quiet: a parameter
// the firmware lacks makes one step do nothing, and no step shows a message.
// No value that is not finite is ever written.
namespace engine {

// The parameter, or nullptr when the setup has none of that name.
CVX_Parameter* Find(CVX_Setup& setup, std::string_view name);
bool Has(CVX_Setup& setup, std::string_view name);

// The parameter's value; nullopt when it is missing or not finite.
std::optional<double> Base(CVX_Setup& setup, std::string_view name);
std::optional<double> Internal(CVX_Setup& setup, std::string_view name);

// Writes a finite value and returns 1; returns 0 and writes nothing for a
// missing parameter, a value that is not finite, or one the kernel refuses.
int WriteBase(CVX_Parameter* parameter, double value);
int WriteInternal(CVX_Parameter* parameter, double value);
int WriteBase(CVX_Setup& setup, std::string_view name, double value);
int WriteInternal(CVX_Setup& setup, std::string_view name, double value);

// 1 when the option is set to 1 (an absent option is not set).
bool OptionSet(const CVX_Setup& setup, std::string_view name);

inline bool AllFinite(std::initializer_list<double> values) {
  for (double v : values)
    if (!std::isfinite(v)) return false;
  return true;
}

}  // namespace engine
