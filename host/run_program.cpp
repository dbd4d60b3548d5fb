#include "host/run_program.h"

#include <fmt/format.h>

#include <chrono>
#include <cmath>
#include <nlohmann/json.hpp>
#include <ostream>

#include "drive/simulated_drive.h"
#include "input/bounded_file.h"
#include "kernel/coff_format.h"
#include "kernel/comm.h"
#include "kernel/drive_interface.h"
#include "kernel/logger.h"
#include "kernel/probe.h"
#include "kernel/program_run.h"
#include "timebase/clock.h"

namespace host {
namespace {

using Json = nlohmann::json;

// The test dialogs poll every 20 ms; a program that has not ended after ten
// minutes of drive time waits for a person who is not there.
constexpr auto kPoll = std::chrono::milliseconds(20);
constexpr auto kLongestRun = std::chrono::minutes(10);
// Points of a --log run, at the fast (current) loop rate.
constexpr int kLoggedPoints = 500;

Failure Fail(std::string_view program, std::string_view why) {
  return Failure{fmt::format("run-program {}: {}", Shown(program), why)};
}

// Whole numbers print without a fraction, as the drive holds them.
Json Value(double value) {
  if (std::abs(value) < 9e15 && value == std::trunc(value)) return Json(static_cast<long long>(value));
  return Json(value);
}

}  // namespace

Outcome ReplaceSimulation(CVX_Setup& setup, const std::string& path) {
  const input::FileText file = input::ReadBoundedFile(path);
  if (!file.ok()) return Failure{fmt::format("--sim {}: {}", Shown(path), file.error)};
  const auto parsed = drive::ParseSimulation(setup, file.text);
  if (!parsed.config) return Failure{fmt::format("--sim {}: {}", Shown(path), FirstErrorAndCount(parsed.error))};
  setup.SetSimulationDocument(file.text);
  return std::nullopt;
}

Outcome RunProgram(const Invocation& inv, CVX_Setup& setup, std::ostream& out) {
  const std::string& name = inv.program;
  if (!drive::BuiltInPrograms().Has(name)) return Fail(name, "the drive has no such program");
  std::string error;
  auto drive = drive::MakeSimulatedDrive(setup, "", error);
  if (!drive) return Fail(name, error);
  timebase::ScopedVirtualClock time;
  const kernel::ScopedActiveDrive active(drive.get());

  CVX_CoffFormat coff(kernel::GetOutPathName(name));
  if (!coff.ReadCoff()) return Fail(name, coff.GetErrorText());
  for (const Assignment& input : inv.programInputs) {
    if (!kernel::SetUserVariableValue(coff, input.name, input.value, error)) {
      return Fail(name, fmt::format("--var {}: {}", Shown(input.name), error));
    }
  }
  CVX_SingleAxisLogger logger(setup, &coff);
  if (!inv.logged.empty()) {
    logger.ChangeSettings(kLoggedPoints, kernel::LoggingRequest::kFastLoop, 1);
    for (const std::string& variable : inv.logged) {
      // Checked first, so that the cause is told once.
      if (!kernel::HasVariable(setup, variable, 1)) {
        return Fail(name, fmt::format("--log: the setup has no drive variable \"{}\"", Shown(variable)));
      }
      if (!logger.AddVariable(variable, 1)) return Fail(name, fmt::format("--log: cannot log \"{}\"", Shown(variable)));
    }
    logger.CorrectPointsNo();
  }

  if (!kernel::ExecuteCode(setup, name, coff, inv.logged.empty() ? nullptr : &logger, nullptr, nullptr)) {
    return Fail(name, fmt::format("did not start: {}", CVX_Comm::GetLastErrorText()));
  }
  for (int on = 1; on;) {
    if (time.clock().Now() > kLongestRun) return Fail(name, "did not end within 10 minutes of drive time");
    time.clock().Advance(kPoll);
    if (!kernel::GetAxisOn(on)) return Fail(name, CVX_Comm::GetLastErrorText());
  }

  Json doc;
  doc["program"] = coff.GetProgramName();
  Json outputs = Json::object();
  for (const auto& variable : coff.GetImage().variables) {
    if (variable.role == kernel::ProgramVariableRole::kInput) continue;
    double value = 0.0;
    if (!kernel::GetUserVariableValue(coff, variable.name, value, error)) return Fail(name, error);
    outputs[variable.name] = Value(value);
    if (kernel::SameName(variable.name, "test_flag")) doc["test_flag"] = Value(value);
  }
  doc["outputs"] = outputs;
  const auto mer = drive->ReadVariable({"MER", 1});
  if (!mer.ok()) return Fail(name, mer.error());
  doc["MER"] = Value(mer.value());
  Json results = Json::object();
  for (const auto& variable : coff.GetImage().driveVariables) {
    const auto value = drive->ReadVariable({variable.name, 1});
    if (!value.ok()) return Fail(name, value.error());
    results[variable.name] = Value(value.value());
  }
  doc["driveVariables"] = results;
  if (!inv.logged.empty()) {
    Json points = Json::array();
    if (logger.BeginOrContinueUploadData() == 0 && logger.GetUploadState() == CVX_SingleAxisLogger::UploadState::kFailed) {
      return Fail(name, fmt::format("upload failed: {}", CVX_Comm::GetLastErrorText()));
    }
    std::vector<double> point;
    while (logger.ReadPoint(point)) points.push_back(point);
    doc["log"] = {{"variables", inv.logged}, {"points", points}};
  }
  out << doc.dump(2) << '\n';
  return std::nullopt;
}

}  // namespace host
