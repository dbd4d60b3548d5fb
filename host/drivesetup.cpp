#include "host/drivesetup.h"

#include <exception>
#include <ostream>
#include <sstream>

#include <fmt/format.h>

#include "host/command_line.h"
#include "host/commands.h"
#include "host/edit_command.h"
#include "host/failure.h"
#include "host/plugin_library.h"
#include "host/run_program.h"
#include "host/serve_command.h"
#include "host/setup_input.h"
#include "kernel/errors.h"

namespace host {
namespace {

constexpr const char* kProgram = "drivesetup";

int Fail(std::ostream& err, const Failure& failure) {
  err << kProgram << ": " << OneLine(failure.message) << '\n';
  return failure.status;
}

// Shows what the kernel reports on `err` while it lives.
class KernelErrorsTo {
 public:
  explicit KernelErrorsTo(std::ostream& err)
      : m_previous(kernel::SetErrorSink(
            [&err](const std::string& text) { err << kProgram << ": kernel: " << OneLine(text) << '\n'; })) {}
  ~KernelErrorsTo() { kernel::SetErrorSink(std::move(m_previous)); }
  KernelErrorsTo(const KernelErrorsTo&) = delete;
  KernelErrorsTo& operator=(const KernelErrorsTo&) = delete;

 private:
  kernel::ErrorSink m_previous;
};

int Run(int argc, char** argv, std::ostream& out, std::ostream& err) {
  const ParsedCommandLine parsed = ParseCommandLine(argc, argv);
  if (parsed.help) {
    out << *parsed.help;
    return 0;
  }
  if (parsed.failure) return Fail(err, *parsed.failure);
  const Invocation& inv = *parsed.invocation;

  const std::string pluginPath = inv.pluginPath.empty() ? DefaultPluginPath() : inv.pluginPath;
  PluginLibrary::OpenResult opened = PluginLibrary::Open(pluginPath);
  if (!opened.library) return Fail(err, Failure{opened.error});
  const PluginLibrary& plugin = *opened.library;
  // Installed before loading: a file may give values in base units, which
  // the loader converts with the plug-in's factors.
  const UnitScaleInstallation scales(plugin);
  const KernelErrorsTo kernelErrors(err);

  LoadedSetup loaded = LoadSetup(inv.setupPath);
  if (!loaded.setup) return Fail(err, *loaded.failure);
  CVX_Setup& setup = *loaded.setup;

  if (Outcome failure = ApplyAssignments(setup, inv.assignments)) return Fail(err, *failure);
  const bool opensDialogs =
      inv.command == Command::kEdit || inv.command == Command::kTest || inv.command == Command::kServe;
  if (opensDialogs && !inv.assignments.empty())
    if (Outcome failure = ComputeRegistersForEdit(setup, inv.assignments)) return Fail(err, *failure);
  if (!inv.simPath.empty())
    if (Outcome failure = ReplaceSimulation(setup, inv.simPath)) return Fail(err, *failure);

  // Serves until interrupted, printing as it goes.
  if (inv.command == Command::kServe) {
    if (Outcome failure = RunServe(inv, std::move(loaded.setup), plugin, out, err)) return Fail(err, *failure);
    return 0;
  }

  // Held back until the setup is saved, so a failed save prints no result;
  // a test or a commissioning prints as it goes, and what it showed stands
  // when it failed.
  std::ostringstream printed;
  const bool streaming = inv.command == Command::kTest || inv.command == Command::kCommission;
  const CommandOutcome outcome = RunCommand(inv, setup, plugin, streaming ? out : printed);
  if (outcome.failure) {
    out.flush();
    return Fail(err, *outcome.failure);
  }
  if (outcome.keep && !inv.outPath.empty())
    if (Outcome failure = SaveSetup(setup, inv.outPath)) return Fail(err, *failure);
  out << printed.str();
  out.flush();
  return 0;
}

}  // namespace

int RunDriveSetup(int argc, char** argv, std::ostream& out, std::ostream& err) {
  // Whatever escapes is a fault of the program (an exception nothing
  // expected, memory running out); it still ends with one line that says
  // so, never with an abort.
  try {
    return Run(argc, argv, out, err);
  } catch (const std::exception& error) {
    return Fail(err, Failure{fmt::format("internal error: {}", error.what())});
  } catch (...) {
    return Fail(err, Failure{"internal error: an unknown exception"});
  }
}

}  // namespace host
