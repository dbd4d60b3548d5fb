#include "host/edit_command.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "drive/simulated_drive.h"
#include "engine/sequences.h"
#include "host/edit_routes.h"
#include "host/report.h"
#include "kernel/dialog_request.h"
#include "kernel/drive_interface.h"
#include "kernel/parameter.h"
#include "kernel/probe.h"
#include "kernel/setup.h"
#include "platform/control_listing.h"
#include "platform/user_script.h"
#include "timebase/clock.h"

namespace host {
namespace {

// Values this close are one value: a setup file keeps 15 to 17 digits, and a
// unit conversion and its inverse differ in the last bits (up to some 10
// units in the last place in the bundled examples). A change the drive can
// tell, one count of a 32-bit register, is above 2e-10 of the value.
constexpr double kSameValueRelative = 1e-13;

bool SameValue(double a, double b) {
  if (a == b) return true;
  return std::fabs(a - b) <= kSameValueRelative * std::max(std::fabs(a), std::fabs(b));
}

Json ListingJson(const platform::ControlListing& listing) {
  Json controls = Json::array();
  for (const platform::ListedControl& control : listing.controls) {
    const platform::ControlState& s = control.state;
    Json entry{{"id", control.id > 0 ? Json(control.id) : Json(nullptr)},
               {"class", std::string(platform::ControlClassName(s.cls))},
               {"text", s.text},
               {"visible", s.visible},
               {"enabled", s.enabled}};
    if (platform::HasCheckState(s.cls)) entry["checked"] = s.check == BST_CHECKED;
    if (s.cls == platform::ControlClass::kComboBox || s.cls == platform::ControlClass::kTab) entry["entries"] = s.items;
    controls.push_back(std::move(entry));
  }
  return Json{{"dialog", listing.caption}, {"template", listing.templateId}, {"controls", std::move(controls)}};
}

void PrintResult(const Invocation& inv, int result, const std::vector<const CVX_Parameter*>& changed,
                 const std::vector<platform::ControlListing>& listings, std::ostream& out) {
  if (inv.json) {
    Json lists = Json::array();
    for (const platform::ControlListing& listing : listings) lists.push_back(ListingJson(listing));
    Json document{{"result", result}, {"changed", ParametersDocument(changed)}};
    if (!listings.empty()) document["lists"] = std::move(lists);
    // Captions may hold bytes of another code page; they must not stop the output.
    out << document.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
    return;
  }
  for (const platform::ControlListing& listing : listings) out << platform::ListingText(listing);
  // `--list` only looks; its cancel is not news.
  if (inv.list) return;
  out << (result == 1 ? "EditSetup: OK (1)\n" : "EditSetup: not OK (0); the setup is kept as it was\n");
  if (!changed.empty()) {
    out << "changed:\n";
    PrintParametersText(out, changed);
  }
}

// The person of `edit --list`: looks at the dialog and cancels it, and the
// Drive Setup dialog too when the way to the dialog went through it.
platform::UserScript ListingScript(const EditRoute& route) {
  platform::UserScript script;
  script.List().Click(IDCANCEL);
  if (route.clicks) script.Click(IDCANCEL);
  return script;
}

}  // namespace

std::vector<const CVX_Parameter*> ChangedParameters(const CVX_Setup& before, const CVX_Setup& after) {
  std::vector<const CVX_Parameter*> changed;
  for (const CVX_Parameter* parameter : after.GetParameters()) {
    const CVX_Parameter* old = before.FindParameter(parameter->GetName());
    if (!old || !SameValue(old->GetValueInInternalUnit(), parameter->GetValueInInternalUnit()))
      changed.push_back(parameter);
  }
  return changed;
}

EditOutcome RunEdit(const Invocation& inv, CVX_Setup& setup, const PluginLibrary& plugin, std::ostream& out) {
  const EditRoute* route = FindEditRoute(inv.dialog);
  if (!route) return {Failure{fmt::format("edit: no dialog \"{}\"", inv.dialog), kExitUsage}, false};
  platform::ScriptParse parsed;
  if (inv.list) {
    parsed.script = ListingScript(*route);
  } else {
    parsed = platform::LoadUserScript(inv.scriptPath);
    if (!parsed.script)
      return {Failure{fmt::format("edit: the script {}: {}", Shown(inv.scriptPath), FirstErrorAndCount(parsed.error))},
              false};
  }
  platform::UserScript& script = *parsed.script;
  if (route->clicks) script.PlayFirst(route->clicks(), fmt::format("the way to \"{}\"", route->caption));
  const std::string scriptName = inv.list ? std::string("of --list") : Shown(inv.scriptPath);

  // With --sim the tests the script opens run on the simulated drive, as
  // they do for `test` and `commission`; without it there is no drive.
  std::unique_ptr<drive::SimulatedDrive> drive;
  if (!inv.simPath.empty()) {
    std::string error;
    drive = drive::MakeSimulatedDrive(setup, "", error);
    if (!drive) return {Failure{fmt::format("edit: {}", error)}, false};
  }

  // The dialog edits a copy; the host decides afterwards what to keep.
  CVX_Setup edited = setup;
  platform::ScriptRun run;
  {
    // Waits and the dialogs' timers cost no wall time and run the same way
    // every time.
    const timebase::ScopedVirtualClock time;
    std::optional<kernel::ScopedActiveDrive> active;
    if (drive) active.emplace(drive.get());
    if (!route->request.empty()) kernel::RequestDialog(route->request);
    run = platform::RunUserScript(script, [&] { return static_cast<INT_PTR>(plugin.EditSetup(&edited)); });
    // A plug-in that did not take the request must not find it on a later call.
    kernel::TakeDialogRequest();
  }
  if (!run.ok) return {Failure{fmt::format("edit: the script {} stopped: {}", scriptName, run.failure)}, false};

  const bool kept = run.result == 1;
  std::vector<const CVX_Parameter*> changed;
  if (kept) {
    changed = ChangedParameters(setup, edited);
    setup = edited;
    // The pointers of `changed` point into `edited`; show them from `setup`.
    for (const CVX_Parameter*& parameter : changed) parameter = setup.FindParameter(parameter->GetName());
  }
  PrintResult(inv, kept ? 1 : 0, changed, script.Listings(), out);
  return {std::nullopt, kept};
}

Outcome ComputeRegistersForEdit(CVX_Setup& setup, const std::vector<Assignment>& sets) {
  CVX_Setup computed = setup;
  engine::ComputeRegisterParameters(computed);
  for (const Assignment& set : sets) {
    const CVX_Parameter* wanted = kernel::ProbeParameter(setup, set.name);
    const CVX_Parameter* got = kernel::ProbeParameter(computed, set.name);
    if (!wanted || !got || got->GetValueInInternalUnit() == wanted->GetValueInInternalUnit()) continue;
    return Failure{fmt::format("--set {}={} does not hold with edit: the registers are computed from the user values "
                               "before the dialog opens, and that gives \"{}\" {}; set the values it is computed "
                               "from instead",
                               set.name, set.value, got->GetName(), got->GetValueInBaseUnit()),
                   kExitUsage};
  }
  setup = std::move(computed);
  return std::nullopt;
}

}  // namespace host
