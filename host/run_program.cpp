#include "host/run_program.h"

#include <fmt/format.h>

#include <chrono>
#include <cmath>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <variant>

#include "drive/simulated_drive.h"
#include "input/bounded_file.h"
#include "kernel/coff_format.h"
#include "kernel/comm.h"
#include "kernel/drive_interface.h"
#include "kernel/logger.h"
#include "kernel/name_key.h"
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

Failure Fail(std::string_view program, std::string_view why) {
  return Failure{fmt::format("run-program {}: {}", Shown(program), why)};
}

// Whole numbers print without a fraction, as the drive holds them.
Json Value(double value) {
  if (std::abs(value) < 9e15 && value == std::trunc(value)) return Json(static_cast<long long>(value));
  return Json(value);
}

// What the programs of a chain left behind: each program's outputs and the
// drive variables it leaves results in, as they stood when it ended, by
// the program's and the variable's names.
class LeftValues {
 public:
  void Keep(std::size_t run, const Json& doc) {
    auto& values = runs_[run];
    for (const auto* section : {"outputs", "driveVariables"}) {
      for (const auto& [name, value] : doc[section].items()) values[kernel::NameKey(name)] = value.get<double>();
    }
    names_[run] = doc["program"].get<std::string>();
  }

  // The value `link` names, as left by run `before` or an earlier one.
  std::optional<double> Find(const VariableLink& link, std::size_t before) const {
    for (std::size_t run = before; run-- > 0;) {
      if (!link.sourceProgram.empty() && !kernel::SameName(names_.at(run), link.sourceProgram)) continue;
      const auto& values = runs_.at(run);
      if (const auto it = values.find(kernel::NameKey(link.source)); it != values.end()) return it->second;
      return std::nullopt;  // the program named (or the previous one) has no such variable
    }
    return std::nullopt;
  }

 private:
  std::map<std::size_t, std::map<std::string, double>> runs_;
  std::map<std::size_t, std::string> names_;
};

std::string Describe(const VariableLink& link) {
  return link.sourceProgram.empty() ? link.source : link.sourceProgram + "." + link.source;
}

// Runs one program of the chain on the active drive and describes how it
// ended; the logger is given for the last program only.
std::variant<Json, Failure> RunOne(const ProgramRun& run, const LogSettings* log, CVX_Setup& setup,
                                   drive::SimulatedDrive& drive, timebase::ScopedVirtualClock& time,
                                   const std::map<std::string, double>& linked) {
  const std::string& name = run.name;
  std::string error;
  CVX_CoffFormat coff(kernel::GetOutPathName(name));
  if (!coff.ReadCoff()) return Fail(name, coff.GetErrorText());
  for (const Assignment& input : run.inputs) {
    if (!kernel::SetUserVariableValue(coff, input.name, input.value, error)) {
      return Fail(name, fmt::format("--var {}: {}", Shown(input.name), error));
    }
  }
  for (const auto& [target, value] : linked) {
    if (!kernel::SetUserVariableValue(coff, target, value, error)) {
      return Fail(name, fmt::format("--var-from {}: {}", Shown(target), error));
    }
  }
  const bool logging = log != nullptr && !log->variables.empty();
  CVX_SingleAxisLogger logger(setup, &coff);
  if (logging) {
    const int loop = log->slowLoop ? kernel::LoggingRequest::kSlowLoop : kernel::LoggingRequest::kFastLoop;
    logger.ChangeSettings(log->points, loop, log->divider);
    for (const std::string& variable : log->variables) {
      // Checked first, so that the cause is told once.
      if (!kernel::HasVariable(setup, variable, 1)) {
        return Fail(name, fmt::format("--log: the setup has no drive variable \"{}\"", Shown(variable)));
      }
      if (!logger.AddVariable(variable, 1)) return Fail(name, fmt::format("--log: cannot log \"{}\"", Shown(variable)));
    }
    logger.CorrectPointsNo();
  }

  if (!kernel::ExecuteCode(setup, name, coff, logging ? &logger : nullptr, nullptr, nullptr)) {
    return Fail(name, fmt::format("did not start: {}", CVX_Comm::GetLastErrorText()));
  }
  const auto deadline = time.clock().Now() + kLongestRun;
  for (int on = 1; on;) {
    if (time.clock().Now() > deadline) return Fail(name, "did not end within 10 minutes of drive time");
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
  const auto mer = drive.ReadVariable({"MER", 1});
  if (!mer.ok()) return Fail(name, mer.error());
  doc["MER"] = Value(mer.value());
  Json results = Json::object();
  for (const auto& variable : coff.GetImage().driveVariables) {
    const auto value = drive.ReadVariable({variable.name, 1});
    if (!value.ok()) return Fail(name, value.error());
    results[variable.name] = Value(value.value());
  }
  doc["driveVariables"] = results;
  if (logging) {
    Json points = Json::array();
    if (logger.BeginOrContinueUploadData() == 0 && logger.GetUploadState() == CVX_SingleAxisLogger::UploadState::kFailed) {
      return Fail(name, fmt::format("upload failed: {}", CVX_Comm::GetLastErrorText()));
    }
    std::vector<double> point;
    while (logger.ReadPoint(point)) points.push_back(point);
    doc["log"] = {{"variables", log->variables}, {"points", points}};
  }
  return doc;
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
  if (inv.runs.empty()) return Failure{"run-program: no program given"};
  for (const ProgramRun& run : inv.runs) {
    if (!drive::BuiltInPrograms().Has(run.name)) return Fail(run.name, "the drive has no such program");
  }
  std::string error;
  auto drive = drive::MakeSimulatedDrive(setup, "", error);
  if (!drive) return Fail(inv.runs.front().name, error);
  timebase::ScopedVirtualClock time;
  const kernel::ScopedActiveDrive active(drive.get());

  // One drive for the whole chain: a program finds the axis where the one
  // before it left it.
  LeftValues left;
  Json docs = Json::array();
  for (std::size_t n = 0; n < inv.runs.size(); ++n) {
    const ProgramRun& run = inv.runs[n];
    std::map<std::string, double> linked;
    for (const VariableLink& link : run.links) {
      const auto value = left.Find(link, n);
      if (!value) {
        return Fail(run.name, fmt::format("--var-from {}={}: no earlier program of the chain left \"{}\"",
                                          Shown(Describe(link)), Shown(link.target), Shown(Describe(link))));
      }
      linked[link.target] = *value;
    }
    const bool last = n + 1 == inv.runs.size();
    auto result = RunOne(run, last ? &inv.log : nullptr, setup, *drive, time, linked);
    if (auto* failure = std::get_if<Failure>(&result)) return *failure;
    const Json& doc = std::get<Json>(result);
    left.Keep(n, doc);
    docs.push_back(doc);
  }
  // A single program prints its own document; a chain the list of them.
  out << (docs.size() == 1 ? docs.front() : Json{{"runs", docs}}).dump(2) << '\n';
  return std::nullopt;
}

}  // namespace host
