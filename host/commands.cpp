#include "host/commands.h"

#include <fmt/format.h>

#include <algorithm>
#include <ostream>
#include <vector>

#include "engine/sequences.h"
#include "host/commission_command.h"
#include "host/edit_command.h"
#include "host/report.h"
#include "host/run_program.h"
#include "host/test_command.h"
#include "kernel/probe.h"

namespace host {
namespace {

void PrintSetup(const Invocation& inv, const CVX_Setup& setup, std::ostream& out) {
  if (inv.json)
    out << SetupDocument(setup).dump(2) << '\n';
  else
    PrintSetupText(out, setup);
}

Outcome Get(const Invocation& inv, CVX_Setup& setup, std::ostream& out) {
  std::vector<const CVX_Parameter*> chosen;
  for (const std::string& name : inv.names) {
    const CVX_Parameter* p = kernel::ProbeParameter(setup, name);
    if (!p) return Failure{fmt::format("get: the setup has no parameter \"{}\"", Shown(name))};
    // A name given twice, in any letter case, is shown once.
    if (std::find(chosen.begin(), chosen.end(), p) == chosen.end()) chosen.push_back(p);
  }
  if (inv.json)
    out << ParametersDocument(chosen).dump(2) << '\n';
  else
    PrintParametersText(out, chosen);
  return std::nullopt;
}

void InitParam(const Invocation& inv, CVX_Setup& setup, const PluginLibrary& plugin, std::ostream& out) {
  std::vector<int> results;
  for (const std::string& name : inv.names) results.push_back(plugin.OnInitParam(&setup, name.c_str()));
  if (inv.json) {
    out << Json{{"results", results}}.dump(2) << '\n';
    return;
  }
  for (size_t i = 0; i < results.size(); ++i) out << fmt::format("{} {}\n", inv.names[i], results[i]);
}

void Scale(const Invocation& inv, CVX_Setup& setup, const PluginLibrary& plugin, std::ostream& out) {
  const double factor = plugin.ScaleFactorFunction()(&setup, inv.unit.c_str(), inv.parameter.c_str());
  const double offset = plugin.ScaleOffsetFunction()(&setup, inv.unit.c_str());
  if (inv.json)
    out << Json{{"factor", Number(factor)}, {"offset", Number(offset)}}.dump(2) << '\n';
  else
    out << fmt::format("factor {}\noffset {}\n", factor, offset);
}

}  // namespace

CommandOutcome RunCommand(const Invocation& inv, CVX_Setup& setup, const PluginLibrary& plugin, std::ostream& out) {
  switch (inv.command) {
    case Command::kCompute:
      engine::ComputeRegisterParameters(setup);
      break;
    case Command::kRecover:
      engine::RecoverUserParameters(setup);
      break;
    case Command::kRoundTrip:
      engine::ComputeRegisterParameters(setup);
      engine::RecoverUserParameters(setup);
      break;
    case Command::kLimits:
      engine::UpdateParameterLimits(setup);
      break;
    case Command::kOptions:
      plugin.ComputeAllOptions(&setup);
      break;
    case Command::kInitParam:
      InitParam(inv, setup, plugin, out);
      return {};
    case Command::kScale:
      Scale(inv, setup, plugin, out);
      return {};
    case Command::kGet:
      return {Get(inv, setup, out)};
    case Command::kRunProgram:
      return {RunProgram(inv, setup, out)};
    case Command::kServe:
      return {Failure{"serve runs on its own, not as a printing command"}};
    case Command::kEdit: {
      const EditOutcome edit = RunEdit(inv, setup, plugin, out);
      return {edit.failure, edit.kept};
    }
    case Command::kCommission: {
      const CommissionOutcome commission = RunCommission(inv, setup, plugin, out);
      return {commission.failure, commission.succeeded};
    }
    case Command::kTest: {
      const TestOutcome test = RunTestCommand(inv, setup, plugin, out);
      return {test.failure, test.kept};
    }
  }
  PrintSetup(inv, setup, out);
  return {};
}

}  // namespace host
