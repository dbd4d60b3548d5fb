#pragma once

#include <cmath>
#include <string_view>

#include "engine/setup_access.h"
#include "kernel/probe.h"
#include "kernel/setup.h"

// How the dialogs read the setup for their rules: quietly, so a parameter
// the firmware lacks raises no message and reads as `missing`.
namespace dialogs {

// The base value truncated to an integer, as the rules compare it.
inline int IntValue(CVX_Setup& setup, std::string_view name, int missing = 0) {
  const auto value = engine::Base(setup, name);
  return value ? static_cast<int>(std::trunc(*value)) : missing;
}

inline double BaseValue(CVX_Setup& setup, std::string_view name, double missing = 0.0) {
  return engine::Base(setup, name).value_or(missing);
}

inline bool Has(const CVX_Setup& setup, std::string_view name) { return kernel::HasParameter(setup, name); }

}  // namespace dialogs
