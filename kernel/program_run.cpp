#include "kernel/program_run.h"

#include <cmath>
#include <fmt/format.h>

#include "kernel/coff_format.h"
#include "kernel/comm.h"
#include "kernel/drive_link.h"
#include "kernel/errors.h"
#include "kernel/logger.h"
#include "kernel/missing_value.h"
#include "kernel/name_key.h"

namespace kernel {
namespace {

// The image's variable `name`, or nullptr with `errorText` saying why.
const ProgramVariable* ImageVariable(const CVX_CoffFormat& coff, std::string_view name, std::string& errorText) {
  if (!coff.IsLoaded()) {
    errorText = fmt::format("The program image \"{}\" is not loaded.", coff.GetPath());
    return nullptr;
  }
  const ProgramVariable* variable = coff.GetImage().FindVariable(name);
  if (!variable) errorText = fmt::format("The program \"{}\" has no variable \"{}\".", coff.GetProgramName(), name);
  return variable;
}

int ReportFailure(std::string text) {
  ReportError(text);
  return 0;
}

}  // namespace

int ExecuteCode(CVX_Setup& setup, std::string_view codeName, CVX_CoffFormat& coff, CVX_Logger* logger,
                ExecuteCallback callback, void* context) {
  if (!coff.IsLoaded())
    return ReportFailure(fmt::format("The program \"{}\" cannot start: its image \"{}\" is not loaded.", codeName,
                                     coff.GetPath()));
  if (!SameName(coff.GetProgramName(), codeName))
    return ReportFailure(fmt::format("The program \"{}\" cannot start with the image of \"{}\".", codeName,
                                     coff.GetProgramName()));
  if (logger && logger->GetVariables().empty())
    return ReportFailure(fmt::format("The program \"{}\" cannot start: its logger logs no variable.", codeName));

  if (!DownloadRegisters(setup)) return 0;
  ProgramStart start;
  start.name = coff.GetProgramName();
  start.variables = coff.GetImage().variables;
  start.inputs = coff.GetKeptInputs();
  if (logger) start.logging = logger->MakeRequest();
  if (!Succeeded(ActiveDrive().StartProgram(start))) return 0;
  if (logger) logger->OnProgramStarted();
  if (callback) callback(context);
  return 1;
}

int SetUserVariableValue(CVX_CoffFormat& coff, std::string_view name, double value, std::string& errorText) {
  const ProgramVariable* variable = ImageVariable(coff, name, errorText);
  if (!variable) return 0;
  if (!IsWritable(variable->role)) {
    errorText = fmt::format("The variable \"{}\" of the program \"{}\" is an output and cannot be written.",
                            variable->name, coff.GetProgramName());
    return 0;
  }
  if (!std::isfinite(value)) {
    errorText = fmt::format("The value {} for \"{}\" is not a finite number.", value, variable->name);
    return 0;
  }
  const double fitted = FitToType(variable->type, value);
  const ProgramVariableRef ref{coff.GetProgramName(), variable->name, variable->type};
  const DriveResult<> write = ActiveDrive().WriteProgramVariable(ref, fitted);
  if (!Succeeded(write)) {
    errorText = write.error();
    return 0;
  }
  coff.KeepInput(*variable, fitted);
  return 1;
}

int GetUserVariableValue(const CVX_CoffFormat& coff, std::string_view name, double& value, std::string& errorText) {
  value = kMissingValue;
  const ProgramVariable* variable = ImageVariable(coff, name, errorText);
  if (!variable) return 0;
  const ProgramVariableRef ref{coff.GetProgramName(), variable->name, variable->type};
  const DriveResult<double> read = ActiveDrive().ReadProgramVariable(ref);
  if (!Succeeded(read)) {
    errorText = read.error();
    return 0;
  }
  if (!std::isfinite(read.value())) {
    errorText = fmt::format("The drive sent a value for \"{}\" that is not a number.", variable->name);
    CVX_Comm::SetLastErrorText(errorText);
    return 0;
  }
  value = read.value();
  return 1;
}

int GetAxisOn(int& on) {
  const DriveResult<bool> read = ActiveDrive().ReadAxisOn();
  if (!Succeeded(read)) return 0;
  on = read.value() ? 1 : 0;
  return 1;
}

}  // namespace kernel
