#include "commissioning/program_inputs.h"

#include "kernel/coff_format.h"
#include "kernel/program_run.h"

namespace commissioning {

void LoadProgram(CVX_CoffFormat& coff, std::string_view codeName) {
  coff.SetPath(kernel::GetOutPathName(codeName));
  coff.ReadCoff();
}

std::optional<std::string> WriteInputs(CVX_CoffFormat& coff,
                                       std::initializer_list<std::pair<std::string_view, double>> inputs) {
  std::string error;
  for (const auto& [name, value] : inputs) {
    if (!kernel::SetUserVariableValue(coff, name, value, error)) return error;
  }
  return std::nullopt;
}

}  // namespace commissioning
