#include "engine/setup_access.h"

#include "kernel/probe.h"

namespace engine {

CVX_Parameter* Find(CVX_Setup& setup, std::string_view name) {
  return kernel::ProbeParameter(setup, name);
}

bool Has(CVX_Setup& setup, std::string_view name) { return Find(setup, name) != nullptr; }

std::optional<double> Base(CVX_Setup& setup, std::string_view name) {
  const CVX_Parameter* p = Find(setup, name);
  if (!p) return std::nullopt;
  const double v = p->GetValueInBaseUnit();
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<double> Internal(CVX_Setup& setup, std::string_view name) {
  const CVX_Parameter* p = Find(setup, name);
  if (!p) return std::nullopt;
  const double v = p->GetValueInInternalUnit();
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

int WriteBase(CVX_Parameter* parameter, double value) {
  if (!parameter || !std::isfinite(value)) return 0;
  return parameter->SetValueInBaseUnit(value) ? 1 : 0;
}

int WriteInternal(CVX_Parameter* parameter, double value) {
  if (!parameter || !std::isfinite(value)) return 0;
  return parameter->SetValueInInternalUnit(value) ? 1 : 0;
}

int WriteBase(CVX_Setup& setup, std::string_view name, double value) {
  return WriteBase(Find(setup, name), value);
}

int WriteInternal(CVX_Setup& setup, std::string_view name, double value) {
  return WriteInternal(Find(setup, name), value);
}

bool OptionSet(const CVX_Setup& setup, std::string_view name) { return setup.GetIntOption(name) == 1; }

}  // namespace engine
