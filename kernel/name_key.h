#pragma once

#include <string>
#include <string_view>

namespace kernel {

// Names of parameters, options, units and variables are matched without
// regard to letter case. The key folds ASCII letters only: names are ASCII or
// UTF-8, and a multi-byte character such as "µ" stays as it is.
std::string NameKey(std::string_view name);

bool SameName(std::string_view a, std::string_view b);

}  // namespace kernel
