#include "engine/test_setup.h"

#include "kernel/probe.h"

namespace enginetest {

CVX_Parameter* AddParameter(CVX_Setup& setup, std::string_view name, double internal, kernel::ValueType type,
                            std::string_view unitType) {
  CVX_Parameter* p = kernel::ProbeParameter(setup, name);
  if (!p) p = setup.AddParameter(name);
  p->InitType(type);
  p->InitUnit(std::string(unitType), std::string(unitType));
  p->InitInternal(internal);
  return p;
}

void AddParameters(CVX_Setup& setup, std::initializer_list<std::pair<std::string_view, double>> values) {
  for (const auto& [name, value] : values) AddParameter(setup, name, value);
}

CVX_Parameter* AddRegister(CVX_Setup& setup, std::string_view name, double value) {
  return AddParameter(setup, name, value, kernel::ValueType::kUInt16);
}

}  // namespace enginetest
