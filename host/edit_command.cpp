#include "host/edit_command.h"

#include <fmt/format.h>

#include <vector>

#include "host/report.h"
#include "kernel/parameter.h"
#include "kernel/setup.h"
#include "platform/user_script.h"
#include "timebase/clock.h"

namespace host {
namespace {

// The parameters of `after` whose stored value differs from `before`.
std::vector<const CVX_Parameter*> ChangedParameters(const CVX_Setup& before, const CVX_Setup& after) {
  std::vector<const CVX_Parameter*> changed;
  for (const CVX_Parameter* parameter : after.GetParameters()) {
    const CVX_Parameter* old = before.FindParameter(parameter->GetName());
    if (!old || old->GetValueInInternalUnit() != parameter->GetValueInInternalUnit()) changed.push_back(parameter);
  }
  return changed;
}

void PrintResult(const Invocation& inv, int result, const std::vector<const CVX_Parameter*>& changed,
                 std::ostream& out) {
  if (inv.json) {
    out << Json{{"result", result}, {"changed", ParametersDocument(changed)}}.dump(2) << '\n';
    return;
  }
  out << (result == 1 ? "EditSetup: OK (1)\n" : "EditSetup: not OK (0); the setup is kept as it was\n");
  if (!changed.empty()) {
    out << "changed:\n";
    PrintParametersText(out, changed);
  }
}

}  // namespace

EditOutcome RunEdit(const Invocation& inv, CVX_Setup& setup, const PluginLibrary& plugin, std::ostream& out) {
  platform::ScriptParse parsed = platform::LoadUserScript(inv.scriptPath);
  if (!parsed.script) return {Failure{fmt::format("edit: the script {}: {}", inv.scriptPath, parsed.error)}, false};
  platform::UserScript& script = *parsed.script;

  // The dialog edits a copy; the host decides afterwards what to keep.
  CVX_Setup edited = setup;
  platform::ScriptRun run;
  {
    // Waits and the dialogs' timers cost no wall time and run the same way
    // every time.
    const timebase::ScopedVirtualClock time;
    run = platform::RunUserScript(script, [&] { return static_cast<INT_PTR>(plugin.EditSetup(&edited)); });
  }
  if (!run.ok) return {Failure{fmt::format("edit: the script {} stopped: {}", inv.scriptPath, run.failure)}, false};

  const bool kept = run.result == 1;
  std::vector<const CVX_Parameter*> changed;
  if (kept) {
    changed = ChangedParameters(setup, edited);
    setup = edited;
    // The pointers of `changed` point into `edited`; show them from `setup`.
    for (const CVX_Parameter*& parameter : changed) parameter = setup.FindParameter(parameter->GetName());
  }
  PrintResult(inv, kept ? 1 : 0, changed, out);
  return {std::nullopt, kept};
}

}  // namespace host
