#pragma once

#include <vector>

#include "kernel/drive_interface.h"

class CVX_Setup;
class CVX_Variable;

// The kernel's calls on the active drive that have no home in a kernel
// class. The class members of the link are implemented beside these:
// CVX_Variable::ReadFromChip, CVX_Parameter::WriteToChip and
// CVX_Setup::ExecuteString. Each failure leaves its text in
// CVX_Comm::GetLastErrorText().
namespace kernel {

// The register parameters of `setup` in index order: every parameter of an
// integer value type, with its internal value.
std::vector<RegisterValue> CollectRegisters(const CVX_Setup& setup);

// Sends all of them to the active drive; non-zero on success.
int DownloadRegisters(const CVX_Setup& setup);

// Writes the variable's internal value to the drive ("var_i2" := 1 ends a
// connection test); non-zero on success.
int WriteVariableToChip(const CVX_Variable& variable);

}  // namespace kernel
