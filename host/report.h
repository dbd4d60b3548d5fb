#pragma once

#include <iosfwd>
#include <nlohmann/json.hpp>
#include <vector>

#include "kernel/setup.h"

namespace host {

// Keeps the setup's order: parameters by index, options as first set.
using Json = nlohmann::ordered_json;

// {"parameters": {NAME: {"value", "internal", "min", "max", "unit"}},
//  "variables": {NAME: {"unit"}}, "units": {FAMILY: [derived]},
//  "options": {NAME: text}}. "value" is the base value, "unit" the display
// unit; a missing limit or a value that is not finite is null.
Json SetupDocument(const CVX_Setup& setup);
// The same document restricted to these parameters: {"parameters": {...}}.
Json ParametersDocument(const std::vector<const CVX_Parameter*>& parameters);
// A finite number, or null.
Json Number(double value);

void PrintSetupText(std::ostream& out, const CVX_Setup& setup);
void PrintParametersText(std::ostream& out, const std::vector<const CVX_Parameter*>& parameters);

}  // namespace host
