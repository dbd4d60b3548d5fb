#include "kernel/probe.h"

#include "kernel/errors.h"
#include "kernel/setup.h"

namespace kernel {

CVX_Parameter* ProbeParameter(CVX_Setup& setup, std::string_view name) {
  QuietErrors quiet;
  return setup.FindParameter(name);
}

bool HasParameter(const CVX_Setup& setup, std::string_view name) {
  QuietErrors quiet;
  return setup.FindParameter(name) != nullptr;
}

bool HasVariable(const CVX_Setup& setup, std::string_view name, int axis) {
  QuietErrors quiet;
  return setup.FindVariable(name, axis) != nullptr;
}

}  // namespace kernel
