#include "drive_link_fake.h"

#include <fmt/format.h>

#include "kernel/name_key.h"

using kernel::DriveError;
using kernel::DriveResult;

void FakeDrive::FailFromCall(int n, std::string text) {
  failFrom_ = calls.total + n;
  failText_ = std::move(text);
}

std::optional<DriveError> FakeDrive::Count(int& counter, const char* name) {
  ++counter;
  ++calls.total;
  sequence.emplace_back(name);
  if (failFrom_ && calls.total >= *failFrom_) return DriveError{failText_};
  return std::nullopt;
}

std::string FakeDrive::VariableKey(std::string_view name, int axis) {
  return fmt::format("{}/{}", axis, kernel::NameKey(name));
}

std::string FakeDrive::ProgramKey(std::string_view program, std::string_view name) {
  return kernel::NameKey(program) + "/" + kernel::NameKey(name);
}

std::vector<kernel::LoggedPoint> FakeDrive::MakeLog(int count, int width) {
  std::vector<kernel::LoggedPoint> points;
  for (int k = 0; k < count; ++k) {
    kernel::LoggedPoint p{k * 1e-3, {}};
    for (int j = 0; j < width; ++j) p.values.push_back(k * 10 + j);
    points.push_back(p);
  }
  return points;
}

DriveResult<> FakeDrive::DownloadRegisters(std::span<const kernel::RegisterValue> regs) {
  if (auto e = Count(calls.download, "download")) return *e;
  downloaded.assign(regs.begin(), regs.end());
  for (const auto& r : regs) registers[kernel::NameKey(r.name)] = static_cast<double>(r.value);
  return kernel::Done{};
}

DriveResult<> FakeDrive::WriteRegister(const kernel::RegisterValue& reg) {
  if (auto e = Count(calls.writeRegister, "writeRegister")) return *e;
  registers[kernel::NameKey(reg.name)] = static_cast<double>(reg.value);
  return kernel::Done{};
}

DriveResult<> FakeDrive::StartProgram(const kernel::ProgramStart& start) {
  if (auto e = Count(calls.start, "start")) return *e;
  starts.push_back({std::string(start.name), start.variables.size(), start.inputs, start.logging});
  axisOn = true;
  return kernel::Done{};
}

DriveResult<double> FakeDrive::ReadProgramVariable(const kernel::ProgramVariableRef& variable) {
  if (auto e = Count(calls.readProgram, "readProgram")) return *e;
  const auto it = programVariables.find(ProgramKey(variable.program, variable.name));
  return it == programVariables.end() ? 0.0 : it->second;
}

DriveResult<> FakeDrive::WriteProgramVariable(const kernel::ProgramVariableRef& variable, double value) {
  if (auto e = Count(calls.writeProgram, "writeProgram")) return *e;
  programVariables[ProgramKey(variable.program, variable.name)] = value;
  return kernel::Done{};
}

DriveResult<double> FakeDrive::ReadVariable(const kernel::DriveVariableRef& variable) {
  if (auto e = Count(calls.readVariable, "readVariable")) return *e;
  const auto it = variables.find(VariableKey(variable.name, variable.axis));
  if (it == variables.end()) return DriveError{fmt::format("The drive has no variable \"{}\".", variable.name)};
  return it->second;
}

DriveResult<> FakeDrive::WriteVariable(const kernel::DriveVariableRef& variable, double value) {
  if (auto e = Count(calls.writeVariable, "writeVariable")) return *e;
  variables[VariableKey(variable.name, variable.axis)] = value;
  return kernel::Done{};
}

DriveResult<bool> FakeDrive::ReadAxisOn() {
  if (auto e = Count(calls.axisOn, "axisOn")) return *e;
  return axisOn;
}

DriveResult<> FakeDrive::ExecuteCommand(std::string_view text) {
  if (auto e = Count(calls.command, "command")) return *e;
  commands.emplace_back(text);
  return kernel::Done{};
}

DriveResult<int> FakeDrive::LoggerCapacity() {
  if (auto e = Count(calls.capacity, "capacity")) return *e;
  return capacity;
}

DriveResult<kernel::LoggerStatus> FakeDrive::ReadLoggerStatus() {
  if (auto e = Count(calls.status, "status")) return *e;
  const int requested = starts.empty() ? 0 : starts.back().logging.points;
  return kernel::LoggerStatus{static_cast<int>(log.size()), requested, false};
}

DriveResult<std::vector<kernel::LoggedPoint>> FakeDrive::UploadLoggedPoints(int first, int count) {
  if (auto e = Count(calls.upload, "upload")) return *e;
  uploads.emplace_back(first, count);
  if (first < 0 || count < 0 || first + count > static_cast<int>(log.size()))
    return DriveError{"The logger holds no such points."};
  return std::vector<kernel::LoggedPoint>(log.begin() + first, log.begin() + first + count);
}

std::vector<kernel::UnsolicitedFrame> FakeDrive::TakeUnsolicitedFrames() {
  ++calls.frames;
  return std::exchange(pendingFrames, {});
}

DriveResult<> FakeDrive::Reset() {
  if (auto e = Count(calls.reset, "reset")) return *e;
  axisOn = false;
  pendingFrames.clear();
  return kernel::Done{};
}
