#include "host/command_line.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fmt/format.h>

#include "host/edit_routes.h"
#include "host/test_routes.h"

namespace host {
namespace {

struct CommandInfo {
  Command command;
  const char* name;
  const char* description;
};

// Commands without arguments of their own; the others are set up by hand.
// The plug-in exports no register computation, so the diagnostic commands
// run the host's own build of the register engine and say so.
constexpr CommandInfo kPlainCommands[] = {
    {Command::kCompute, "compute", "Diagnostic: compute the register parameters from the user parameters"},
    {Command::kRecover, "recover", "Diagnostic: recover the user parameters from the register parameters"},
    {Command::kRoundTrip, "roundtrip", "Diagnostic: compute the registers, then recover the user parameters from them"},
    {Command::kLimits, "limits", "Diagnostic: update the limits of the user parameters"},
    {Command::kOptions, "options", "Run the plug-in's ComputeAllOptions (recovery, limits, options, units)"},
};

std::optional<double> ParseNumber(std::string_view text) {
  // from_chars takes no '+'; a sign after it ("+-3") stays an error.
  if (text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+') text.remove_prefix(1);
  double value = 0.0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || stop != end) return std::nullopt;
  // Overflow gives an infinity (refused as not finite), underflow zero.
  if (error == std::errc::result_out_of_range) return std::strtod(std::string(text).c_str(), nullptr);
  if (error != std::errc()) return std::nullopt;
  return value;
}

// A value that starts like an option ("--out", "-x"); a negative number
// does not.
bool LooksLikeOption(std::string_view value) {
  return value.size() >= 2 && value[0] == '-' && !(value[1] >= '0' && value[1] <= '9') && value[1] != '.';
}

// CLI11 takes whatever follows an option as its value: an empty word, which
// would quietly mean "the default", and the next option itself (`--log
// --out x` would log "--out"). Both are refused.
Outcome CheckOptionValues(const CLI::App& app) {
  for (const CLI::Option* option : app.get_options()) {
    if (option->get_positional() || option->get_expected_max() == 0) continue;
    for (const std::string& value : option->results()) {
      if (value.empty()) return Failure{fmt::format("{}: the value is empty", option->get_name()), kExitUsage};
      if (LooksLikeOption(value))
        return Failure{fmt::format("{} needs a value before the option {}", option->get_name(), Shown(value)),
                       kExitUsage};
    }
  }
  for (const CLI::App* command : app.get_subcommands())
    if (Outcome failure = CheckOptionValues(*command)) return failure;
  return std::nullopt;
}

}  // namespace

ParsedAssignment ParseAssignment(std::string_view text, std::string_view option) {
  const size_t equals = text.find('=');
  if (equals == std::string_view::npos || equals == 0)
    return {std::nullopt, Failure{fmt::format("{} \"{}\": expected NAME=VALUE", option, Shown(text)), kExitUsage}};
  const std::string_view name = text.substr(0, equals);
  const std::string_view number = text.substr(equals + 1);
  const std::optional<double> value = ParseNumber(number);
  if (!value)
    return {std::nullopt,
            Failure{fmt::format("{} {}: \"{}\" is not a number", option, Shown(name), Shown(number)), kExitUsage}};
  if (!std::isfinite(*value))
    return {std::nullopt,
            Failure{fmt::format("{} {}: the value {} is not finite", option, Shown(name), Shown(number)), kExitUsage}};
  return {Assignment{std::string(name), *value}, std::nullopt};
}

ParsedLink ParseLink(std::string_view text) {
  const size_t equals = text.find('=');
  const std::string_view source = text.substr(0, equals == std::string_view::npos ? 0 : equals);
  const std::string_view target = equals == std::string_view::npos ? std::string_view() : text.substr(equals + 1);
  const size_t dot = source.rfind('.');
  if (source.empty() || target.empty() || dot == 0 || dot + 1 == source.size()) {
    return {std::nullopt,
            Failure{fmt::format("--var-from \"{}\": expected VARIABLE=NAME or PROGRAM.VARIABLE=NAME", text), kExitUsage}};
  }
  VariableLink link;
  link.target = std::string(target);
  if (dot == std::string_view::npos) {
    link.source = std::string(source);
  } else {
    link.sourceProgram = std::string(source.substr(0, dot));
    link.source = std::string(source.substr(dot + 1));
  }
  return {link, std::nullopt};
}

ParsedCommandLine ParseCommandLine(int argc, const char* const* argv) {
  CLI::App app{"Computes, recovers and inspects the setup of a stepper drive through its setup plug-in.",
               "drivesetup"};
  // Global options may stand before or after the command: a command hands
  // what it does not know to the program.
  app.fallthrough();
  app.require_subcommand(0, 1);
  app.footer(
      "The diagnostic commands (compute, recover, roundtrip, limits) run the host's own build of the register "
      "engine, not the plug-in, which exports no register computation; the others go through the plug-in's "
      "exports.\nOptions may stand before or after the command. See docs/command-line.md.");

  Invocation inv;
  std::vector<std::string> assignments;
  app.add_option("--setup", inv.setupPath, "Setup file to load (default: the bundled default setup)");
  app.add_option("--plugin", inv.pluginPath, "Plug-in library to load (default: libsclplugin.so beside the program, or in ../lib/drivesetup when installed)");
  app.add_option("--set", assignments, "Set a parameter, in its base unit, before the command (repeatable)")
      ->allow_extra_args(false)
      ->type_name("NAME=VALUE");
  app.add_option("--out", inv.outPath, "Save the resulting setup to this file");
  app.add_flag("--json", inv.json, "Print one JSON document instead of text");
  app.add_option("--sim", inv.simPath, "Replace the setup's \"simulation\" object with this file's (docs/simulation.md)");
  app.set_version_flag("--version", "drivesetup " DRIVESETUP_VERSION, "Print the program's version and exit");

  std::vector<std::pair<CLI::App*, Command>> commands;
  for (const CommandInfo& info : kPlainCommands) commands.emplace_back(app.add_subcommand(info.name, info.description), info.command);

  CLI::App* initParam = app.add_subcommand("init-param", "Call the plug-in's OnInitParam once per name, in order");
  initParam->add_option("NAME", inv.names, "Parameter names")->required();
  commands.emplace_back(initParam, Command::kInitParam);

  CLI::App* scale = app.add_subcommand("scale", "Print the plug-in's scale factor and offset of a unit for a parameter");
  scale->add_option("UNIT", inv.unit, "Unit type, e.g. \"rad/s\"")->required();
  scale->add_option("PARAM", inv.parameter, "Parameter name")->required();
  commands.emplace_back(scale, Command::kScale);

  CLI::App* get = app.add_subcommand("get", "Print the named parameters");
  get->add_option("NAME", inv.names, "Parameter names")->required();
  commands.emplace_back(get, Command::kGet);

  CLI::App* edit = app.add_subcommand("edit", "Open the Drive Setup dialog and let a user script play the person");
  CLI::Option* script = edit->add_option("--script", inv.scriptPath, "User script (docs/user-scripts.md)");
  CLI::Option* list =
      edit->add_flag("--list", inv.list, "Print every control of the dialog (id, class, state, text), then cancel it");
  script->excludes(list);
  // --script or --list, and perhaps --dialog; checked again once parsed.
  edit->require_option(1, 2);
  edit->add_option("--dialog", inv.dialog,
                   "The dialog the script starts in: drive-setup (default), motor and reference (reached from the "
                   "Drive Setup dialog as a person does), filters (the Filters dialog alone)")
      ->check(CLI::IsMember(EditDialogNames()));
  commands.emplace_back(edit, Command::kEdit);

  std::string firstProgram;
  std::vector<std::string> programInputs;
  std::vector<std::string> programLinks;
  std::vector<std::string> thenPrograms;
  std::string logLoop = "fast";
  CLI::App* runProgram =
      app.add_subcommand("run-program", "Run test programs to their end, one after the other, on one simulated drive");
  runProgram->add_option("NAME", firstProgram, "Program name, e.g. VDC_Detection_Test")->required();
  CLI::Option* thenOption =
      runProgram->add_option("--then", thenPrograms, "Run this program next, on the same drive (repeatable)")
          ->allow_extra_args(false)
          ->type_name("NAME");
  CLI::Option* varOption =
      runProgram
          ->add_option("--var", programInputs, "Set a variable of the program named last before the start (repeatable)")
          ->allow_extra_args(false)
          ->type_name("NAME=VALUE");
  CLI::Option* linkOption =
      runProgram
          ->add_option("--var-from", programLinks,
                       "Set a variable of the program named last to what an earlier program left (repeatable)")
          ->allow_extra_args(false)
          ->type_name("[PROGRAM.]VARIABLE=NAME");
  runProgram->add_option("--log", inv.log.variables, "Drive variables to log while the last program runs")
      ->delimiter(',')
      ->type_name("VAR,...");
  runProgram->add_option("--log-points", inv.log.points, "Points to log (default 500)")->check(CLI::PositiveNumber);
  runProgram->add_option("--log-divider", inv.log.divider, "Log one point every N samples (default 1)")
      ->check(CLI::PositiveNumber);
  runProgram->add_option("--log-loop", logLoop, "The loop the logger samples in: fast (default) or slow")
      ->check(CLI::IsMember({"fast", "slow"}));
  commands.emplace_back(runProgram, Command::kRunProgram);

  CLI::App* test = app.add_subcommand(
      "test", "Open one commissioning test as a person reaches it from the Drive Setup dialog, on the simulated drive");
  test->add_option("NAME", inv.testName, "Test name, e.g. vdc-detection (docs/command-line.md)")->required();
  test->add_option("--script", inv.scriptPath, "User script that plays the person from the test dialog on");
  test->add_option("--plots", inv.plotsPath, "Directory for the plots the test saves");
  test->footer("Tests: " + TestRouteNames() + "\nWhat some tests need of the person (a script gives its own):\n" +
               TestRouteNeeds());
  commands.emplace_back(test, Command::kTest);

  CLI::App* commission =
      app.add_subcommand("commission", "Commission the setup's motor on the simulated drive, test after test");
  commission->add_option("--report", inv.reportPath, "Write a report (HTML page, plots, data) into this directory");
  commands.emplace_back(commission, Command::kCommission);

  CLI::App* serve = app.add_subcommand("serve", "Show the dialogs in a web browser on this computer (docs/browser.md)");
  serve->add_option("--port", inv.port, "Port on 127.0.0.1 to listen on (0, the default: a free port)")
      ->check(CLI::Range(0, 65535));
  serve->add_flag("--open", inv.open, "Open the address in the desktop's web browser");
  commands.emplace_back(serve, Command::kServe);

  // Set after the commands exist, so that a command's stray argument falls
  // through to the program and is reported below rather than accepted.
  app.allow_extras();

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    return {std::nullopt, app.help(), std::nullopt};
  } catch (const CLI::CallForAllHelp&) {
    return {std::nullopt, app.help("", CLI::AppFormatMode::All), std::nullopt};
  } catch (const CLI::CallForVersion& version) {
    return {std::nullopt, std::string(version.what()) + "\n", std::nullopt};
  } catch (const CLI::ParseError& e) {
    return {std::nullopt, std::nullopt, Failure{OneLine(e.what()), kExitUsage}};
  }
  if (Outcome failure = CheckOptionValues(app)) return {std::nullopt, std::nullopt, failure};

  const std::vector<std::string> extras = app.remaining();
  const std::vector<CLI::App*> chosen = app.get_subcommands();
  if (chosen.empty()) {
    const std::string message = extras.empty() ? "no command given (try --help)"
                                               : fmt::format("unknown command \"{}\" (try --help)", Shown(extras.front()));
    return {std::nullopt, std::nullopt, Failure{message, kExitUsage}};
  }
  if (!extras.empty())
    return {std::nullopt, std::nullopt,
            Failure{fmt::format("unexpected argument \"{}\"", Shown(extras.front())), kExitUsage}};

  for (const auto& [sub, command] : commands)
    if (sub == chosen.front()) inv.command = command;
  if (inv.command == Command::kEdit && inv.scriptPath.empty() && !inv.list)
    return {std::nullopt, std::nullopt, Failure{"edit: --script FILE or --list is required", kExitUsage}};
  if (inv.command == Command::kServe && (!inv.outPath.empty() || inv.json)) {
    return {std::nullopt, std::nullopt,
            Failure{"serve takes neither --out nor --json: the page downloads the setup, and saves it to the --setup "
                    "file",
                    kExitUsage}};
  }
  for (const std::string& text : assignments) {
    ParsedAssignment parsed = ParseAssignment(text);
    if (parsed.failure) return {std::nullopt, std::nullopt, parsed.failure};
    inv.assignments.push_back(*parsed.assignment);
  }
  if (inv.command == Command::kRunProgram) {
    // --var and --var-from belong to the program named last before them: the
    // options come back in the order they stood.
    inv.runs.push_back({firstProgram, {}, {}});
    std::size_t then = 0, var = 0, link = 0;
    for (const CLI::Option* option : runProgram->parse_order()) {
      if (option == thenOption) {
        inv.runs.push_back({thenPrograms.at(then++), {}, {}});
      } else if (option == varOption) {
        ParsedAssignment parsed = ParseAssignment(programInputs.at(var++), "--var");
        if (parsed.failure) return {std::nullopt, std::nullopt, parsed.failure};
        inv.runs.back().inputs.push_back(*parsed.assignment);
      } else if (option == linkOption) {
        ParsedLink parsed = ParseLink(programLinks.at(link++));
        if (parsed.failure) return {std::nullopt, std::nullopt, parsed.failure};
        if (inv.runs.size() == 1) {
          return {std::nullopt, std::nullopt,
                  Failure{"--var-from: the first program of the chain has no program before it", kExitUsage}};
        }
        inv.runs.back().links.push_back(*parsed.link);
      }
    }
    inv.log.slowLoop = logLoop == "slow";
  }
  return {std::move(inv), std::nullopt, std::nullopt};
}

}  // namespace host
