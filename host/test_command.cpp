#include "host/test_command.h"

#include <fmt/format.h>

#include <filesystem>
#include <optional>
#include <system_error>

#include "drive/simulated_drive.h"
#include "host/report.h"
#include "host/routed_person.h"
#include "host/test_progress.h"
#include "host/test_routes.h"
#include "kernel/drive_interface.h"
#include "kernel/plot_files.h"
#include "kernel/setup.h"
#include "platform/answering_user.h"
#include "platform/user_script.h"
#include "timebase/clock.h"

namespace host {
namespace {

const char* OutcomeName(int outcome) {
  switch (outcome) {
    case 1:
      return "succeeded";
    case -1:
      return "stopped";
    case 0:
      return "failed";
    default:
      return "not run";
  }
}

// Plots go where --plots says for this command only.
class PlotDirectoryFor {
 public:
  explicit PlotDirectoryFor(const std::string& directory) : m_set(!directory.empty()) {
    if (m_set) kernel::SetPlotDirectory(directory);
    kernel::ForgetPlotFiles();
  }
  ~PlotDirectoryFor() {
    if (m_set) kernel::SetPlotDirectory({});
  }
  PlotDirectoryFor(const PlotDirectoryFor&) = delete;
  PlotDirectoryFor& operator=(const PlotDirectoryFor&) = delete;

 private:
  bool m_set;
};

void PrintJson(const TestRoute& route, const TestProgress& progress, INT_PTR closed, bool kept,
               const std::vector<std::filesystem::path>& plots, std::ostream& out) {
  Json measured = Json::array();
  for (const ReportedValue& value : progress.Step().values)
    measured.push_back({{"label", value.label}, {"old", value.oldText}, {"new", value.newText}});
  Json files = Json::array();
  for (const std::filesystem::path& file : plots) files.push_back(file.string());
  Json document{{"test", std::string(route.name)},
                {"dialog", std::string(route.caption)},
                {"stages", progress.Stages()},
                {"outcome", OutcomeName(progress.Outcome())},
                {"error", progress.Step().errorText},
                {"measured", std::move(measured)},
                {"closed", closed == IDOK ? "OK" : closed == IDCANCEL ? "Cancel" : "not closed"},
                {"kept", kept},
                {"plots", std::move(files)}};
  out << document.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

}  // namespace

TestOutcome RunTestCommand(const Invocation& inv, CVX_Setup& setup, const PluginLibrary& plugin, std::ostream& out) {
  const TestRoute* route = FindTestRoute(inv.testName);
  if (!route)
    return {Failure{fmt::format("test {}: no such test (the tests are {})", Shown(inv.testName), TestRouteNames()),
                    kExitUsage},
            false};
  std::optional<platform::UserScript> script;
  if (!inv.scriptPath.empty()) {
    platform::ScriptParse parsed = platform::LoadUserScript(inv.scriptPath);
    if (!parsed.script)
      return {Failure{fmt::format("test: the script {}: {}", Shown(inv.scriptPath), FirstErrorAndCount(parsed.error))},
              false};
    script = std::move(*parsed.script);
    AppendRouteOut(*route, *script);
  }
  if (!inv.plotsPath.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(inv.plotsPath, ec);
    if (ec) return {Failure{fmt::format("test: --plots {}: {}", Shown(inv.plotsPath), ec.message())}, false};
  }

  std::string error;
  const std::string world = WorldWithPerson(setup, error);
  std::unique_ptr<drive::SimulatedDrive> drive = world.empty() ? nullptr : drive::MakeSimulatedDrive(setup, world, error);
  if (!drive) return {Failure{fmt::format("test {}: {}", route->name, error)}, false};
  const timebase::ScopedVirtualClock time;
  const kernel::ScopedActiveDrive active(drive.get());
  const PlotDirectoryFor plots(inv.plotsPath);
  TestProgress progress(inv.json ? nullptr : &out);
  progress.Begin(std::string(route->name), route->caption);
  const kernel::ScopedTestListener listening(progress);

  // The dialogs work on a copy; the setup takes it only when the test
  // closed with OK and so did the dialogs on the way.
  CVX_Setup edited = setup;
  platform::UserScript routeIn = RouteIn(*route);
  platform::UserScript ordinary = OrdinaryPerson(*route, {.savePlots = !inv.plotsPath.empty()});
  RoutedPerson routed(routeIn, script ? *script : ordinary);
  platform::AnsweringUser answering(ordinary, std::string(kKeepValuesQuestion), IDYES);
  StandingAnswers standing(*route, answering, drive.get());
  platform::User& person = script ? static_cast<platform::User&>(routed) : standing;
  int result = 0;
  {
    const platform::ScopedUser playing(person);
    result = plugin.EditSetup(&edited);
  }
  const bool routeRan = !script || routeIn.Finish();
  const bool played = script ? script->Finish() : ordinary.Finish();

  // A run that failed keeps nothing, even when the person closed with OK.
  const bool kept = routeRan && played && result == 1 && progress.Closed() == IDOK && progress.Outcome() != 0;
  if (kept) setup = edited;
  const std::vector<std::filesystem::path> written = kernel::PlotFilesWritten();
  if (inv.json) {
    PrintJson(*route, progress, progress.Closed(), kept, written, out);
  } else {
    for (const std::filesystem::path& file : written) out << fmt::format("  plot: {}\n", file.string());
    // A check that measures nothing (the connection tests) closes without
    // OK when it passed: there was nothing to keep.
    const bool nothingToKeep = progress.Outcome() == 1 && progress.Step().values.empty();
    out << fmt::format("{}: {}\n", route->caption,
                       kept            ? "OK; the setup keeps the test's values"
                       : nothingToKeep ? "closed; nothing to keep, the setup is as it was"
                                       : "not OK; the setup is kept as it was");
  }

  if (!routeRan)
    return {Failure{fmt::format("test {}: the way to the test stopped: {}", route->name, *routeIn.Failure())}, false};
  if (!played) {
    const platform::UserScript& who = script ? *script : ordinary;
    const std::string by = script ? fmt::format("the script {}", Shown(inv.scriptPath)) : "the ordinary person";
    return {Failure{fmt::format("test {}: {} stopped: {}", route->name, by, who.Failure().value_or("?"))}, false};
  }
  if (progress.Outcome() == 0)
    return {Failure{fmt::format("test {}: the test failed: {}", route->name, OneLine(progress.Step().errorText))},
            false};
  return {std::nullopt, kept};
}

}  // namespace host
