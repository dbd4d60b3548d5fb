#pragma once

#include <initializer_list>
#include <string_view>
#include <utility>

#include "kernel/parameter.h"
#include "kernel/setup.h"
#include "kernel/unit_scale.h"
#include "kernel/value_type.h"
#include "unittests/support/example_setups.h"

// Small setups built in code for the engine tests.
namespace enginetest {

// Adds a parameter holding `internal` (its value as the kernel stores it),
// of value type `type` and unit family `unitType` ("" = dimensionless).
// Repeating a name sets the existing parameter instead.
CVX_Parameter* AddParameter(CVX_Setup& setup, std::string_view name, double internal,
                            kernel::ValueType type = kernel::ValueType::kDouble, std::string_view unitType = {});

// Dimensionless doubles, each with its value.
void AddParameters(CVX_Setup& setup, std::initializer_list<std::pair<std::string_view, double>> values);

// A dimensionless 16-bit unsigned register.
CVX_Parameter* AddRegister(CVX_Setup& setup, std::string_view name, double value);

// Converts through the engine's unit scales while it lives.
using EngineUnitScales = testsupport::ScopedEngineUnitScales;

}  // namespace enginetest
