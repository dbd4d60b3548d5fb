#include "kernel/drive_link.h"

#include <cmath>
#include <fmt/format.h>

#include "kernel/comm.h"
#include "kernel/parameter.h"
#include "kernel/setup.h"
#include "kernel/variable.h"

namespace kernel {

std::vector<RegisterValue> CollectRegisters(const CVX_Setup& setup) {
  std::vector<RegisterValue> registers;
  for (const CVX_Parameter* p : setup.GetParameters()) {
    if (!IsIntegerType(p->GetValueType())) continue;
    // The stored value is fitted to its type already; fitting again costs
    // nothing and keeps a hand-made setup from sending a fraction.
    const double value = FitToType(p->GetValueType(), p->GetValueInInternalUnit());
    registers.push_back({p->GetName(), p->GetValueType(), static_cast<std::int64_t>(value)});
  }
  return registers;
}

int DownloadRegisters(const CVX_Setup& setup) {
  const std::vector<RegisterValue> registers = CollectRegisters(setup);
  return Succeeded(ActiveDrive().DownloadRegisters(registers)) ? 1 : 0;
}

int WriteVariableToChip(const CVX_Variable& variable) {
  const DriveVariableRef ref{variable.GetName(), variable.GetAxis(), variable.GetValueType()};
  return Succeeded(ActiveDrive().WriteVariable(ref, variable.GetValueInInternalUnit())) ? 1 : 0;
}

}  // namespace kernel

int CVX_Variable::WriteToChip() { return kernel::WriteVariableToChip(*this); }

int CVX_Variable::ReadFromChip() {
  const kernel::DriveResult<double> read = kernel::ActiveDrive().ReadVariable({m_name, m_axis, m_type});
  if (!kernel::Succeeded(read)) return 0;
  if (!std::isfinite(read.value())) {
    CVX_Comm::SetLastErrorText(fmt::format("The drive sent a value for \"{}\" that is not a number.", m_name));
    return 0;
  }
  m_internal = kernel::FitToType(m_type, read.value());
  return 1;
}

int CVX_Parameter::WriteToChip() {
  if (!kernel::IsIntegerType(m_type)) {
    CVX_Comm::SetLastErrorText(fmt::format("\"{}\" is not a drive register: its value type is {}.", m_name,
                                           kernel::ValueTypeName(m_type)));
    return 0;
  }
  const kernel::RegisterValue reg{m_name, m_type, static_cast<std::int64_t>(kernel::FitToType(m_type, m_internal))};
  return kernel::Succeeded(kernel::ActiveDrive().WriteRegister(reg)) ? 1 : 0;
}

int CVX_Setup::ExecuteString(std::string_view command) {
  return kernel::Succeeded(kernel::ActiveDrive().ExecuteCommand(command)) ? 1 : 0;
}
