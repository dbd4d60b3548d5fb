#pragma once

// Small setups built in code: parameters added one by one with the value
// the kernel stores, and read back.

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "kernel/parameter.h"
#include "kernel/probe.h"
#include "kernel/setup.h"
#include "kernel/value_type.h"

namespace testsupport {

// Adds a parameter holding `internal` (its value as the kernel stores it),
// of value type `type` and unit family `unitType` ("" = dimensionless).
// Repeating a name sets the existing parameter instead.
inline CVX_Parameter* AddParameter(CVX_Setup& setup, std::string_view name, double internal = 0,
                                   kernel::ValueType type = kernel::ValueType::kDouble,
                                   std::string_view unitType = {}) {
  CVX_Parameter* p = kernel::ProbeParameter(setup, name);
  if (!p) p = setup.AddParameter(name);
  p->InitType(type);
  p->InitUnit(std::string(unitType), std::string(unitType));
  p->InitInternal(internal);
  return p;
}

// Dimensionless doubles, each with its value.
inline void AddParameters(CVX_Setup& setup, std::initializer_list<std::pair<std::string_view, double>> values) {
  for (const auto& [name, value] : values) AddParameter(setup, name, value);
}

// A dimensionless register, 16-bit unsigned unless `type` says otherwise.
inline CVX_Parameter* AddRegister(CVX_Setup& setup, std::string_view name, double value = 0,
                                  kernel::ValueType type = kernel::ValueType::kUInt16) {
  return AddParameter(setup, name, value, type);
}

// Stores `internal` in the existing parameter `name`, keeping its type.
inline void SetInternal(CVX_Setup& setup, std::string_view name, double internal) {
  setup.FindParameter(name)->InitInternal(internal);
}

inline double Base(const CVX_Setup& setup, std::string_view name) { return setup.GetParameterValueInBaseUnit(name); }
inline double Internal(const CVX_Setup& setup, std::string_view name) {
  return setup.GetParameterValueInInternalUnit(name);
}

}  // namespace testsupport
