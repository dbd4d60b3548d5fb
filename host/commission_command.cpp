#include "host/commission_command.h"

#include <fmt/format.h>

#include <cmath>
#include <filesystem>
#include <optional>

#include "drive/simulated_drive.h"
#include "host/commission_report.h"
#include "host/commission_steps.h"
#include "host/test_progress.h"
#include "kernel/drive_interface.h"
#include "kernel/parameter.h"
#include "kernel/plot_files.h"
#include "kernel/setup.h"
#include "kernel/ui/test_events.h"
#include "platform/answering_user.h"
#include "timebase/clock.h"

namespace host {
namespace {

// What a commissioning measures or tunes, shown old -> new at the end.
constexpr const char* kMeasured[] = {"Vdc",      "R",        "L",        "Jt",       "No_encoder_lines",
                                     "Kp_C_scl", "Ki_C_scl", "Kp_S_scl", "Ki_S_scl", "Kp_P_scl",
                                     "Ki_P_scl", "Kd_P_scl", "Kp_T_scl", "Ki_T_scl"};

std::string Shown(const CVX_Parameter& parameter) {
  const std::string unit = parameter.GetUnitType();
  return fmt::format("{:.6g}{}{}", parameter.GetValueInBaseUnit(), unit.empty() ? "" : " ", unit);
}

// Sets a chosen input as the person would type it: the kernel holds it to
// the parameter's limits, and the value kept is printed.
std::string Apply(CVX_Setup& setup, const ChosenInput& input) {
  CVX_Parameter* parameter = setup.FindParameter(input.parameter);
  if (!parameter || !std::isfinite(input.value)) return {};
  parameter->SetValueInBaseUnit(input.value);
  return fmt::format("{} = {} ({})", input.parameter, Shown(*parameter), input.why);
}

std::vector<ReportedValue> MeasuredValues(const CVX_Setup& before, const CVX_Setup& after) {
  std::vector<ReportedValue> values;
  for (const char* name : kMeasured) {
    const CVX_Parameter* old = before.FindParameter(name);
    const CVX_Parameter* now = after.FindParameter(name);
    if (!old || !now) continue;
    const std::string oldText = Shown(*old);
    const std::string newText = Shown(*now);
    if (oldText != newText) values.push_back({name, oldText, newText});
  }
  return values;
}

// The plot files the step wrote, by file name.
void CollectPlots(ReportedStep& step) {
  for (const std::filesystem::path& file : kernel::PlotFilesWritten()) {
    const std::string name = file.filename().string();
    (file.extension() == ".svg" ? step.pictures : step.data).push_back(name);
  }
  kernel::ForgetPlotFiles();
}

}  // namespace

CommissionOutcome RunCommission(const Invocation& inv, CVX_Setup& setup, const PluginLibrary& plugin,
                                std::ostream& out) {
  std::string error;
  const std::string world = WorldWithPerson(setup, error);
  std::unique_ptr<drive::SimulatedDrive> drive = world.empty() ? nullptr : drive::MakeSimulatedDrive(setup, world, error);
  if (!drive) return {Failure{fmt::format("commission: {}", error)}, false};
  const timebase::ScopedVirtualClock time;
  const kernel::ScopedActiveDrive active(drive.get());
  TestProgress progress(&out);
  const kernel::ScopedTestListener listening(progress);
  const bool report = !inv.reportPath.empty();
  if (report) {
    std::error_code ec;
    std::filesystem::create_directories(inv.reportPath, ec);
    if (ec) return {Failure{fmt::format("commission: --report {}: {}", inv.reportPath, ec.message())}, false};
    kernel::SetPlotDirectory(inv.reportPath);
  }
  kernel::ForgetPlotFiles();

  CommissionSummary summary;
  summary.setupName = inv.setupPath.empty() ? "the default setup" : inv.setupPath;
  out << fmt::format("Commissioning {} on the simulated drive\n", summary.setupName);
  // Every step works on a copy; the setup takes it only when the step's
  // test succeeded and its dialogs closed with OK.
  CVX_Setup commissioned = setup;
  Outcome failure;
  int number = 0;
  for (const CommissionStep& step : CommissionSteps(plugin, commissioned)) {
    out << fmt::format("{}. {}\n", ++number, step.title);
    progress.Begin(step.title, step.route->caption);
    for (const ChosenInput& input : step.choose(commissioned)) {
      const std::string line = Apply(commissioned, input);
      if (line.empty()) continue;
      out << "  " << line << '\n';
      progress.Step().choices.push_back(line);
    }
    CVX_Setup edited = commissioned;
    platform::UserScript person = OrdinaryPerson(*step.route, {.tune = step.tune, .savePlots = report});
    platform::AnsweringUser answering(person, std::string(kKeepValuesQuestion), IDYES);
    StandingAnswers user(*step.route, answering, drive.get());
    int result = 0;
    {
      const platform::ScopedUser playing(user);
      result = plugin.EditSetup(&edited);
    }
    const bool played = person.Finish();
    CollectPlots(progress.Step());
    if (progress.Outcome() != 1 || !played || result != 1) {
      const std::string why = progress.Outcome() == 0 ? progress.Step().errorText
                              : !played             ? person.Failure().value_or("the person could not go on")
                                                    : "the test did not end with a result";
      progress.Step().succeeded = false;
      if (progress.Step().errorText.empty()) progress.Step().errorText = why;
      summary.steps.push_back(progress.Step());
      failure = Failure{fmt::format("commission: {}: {}", step.title, why)};
      break;
    }
    commissioned = edited;
    summary.steps.push_back(progress.Step());
  }
  if (report) kernel::SetPlotDirectory({});

  summary.succeeded = !failure;
  summary.measured = MeasuredValues(setup, commissioned);
  if (summary.succeeded) {
    out << "Measured and tuned:\n";
    if (summary.measured.empty()) out << "  nothing differs from the setup\n";
    for (const ReportedValue& value : summary.measured)
      out << fmt::format("  {} = {} -> {}\n", value.label, value.oldText, value.newText);
    setup = commissioned;
  }
  if (report) {
    if (Outcome written = WriteCommissionReport(inv.reportPath, summary)) return {written, false};
    out << fmt::format("Report: {}\n", (std::filesystem::path(inv.reportPath) / "index.html").string());
  }
  return {failure, summary.succeeded};
}

}  // namespace host
