#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/failure.h"

namespace host {

enum class Command {
  kCompute,
  kRecover,
  kRoundTrip,
  kLimits,
  kOptions,
  kInitParam,
  kScale,
  kGet,
  kEdit,
  kRunProgram,
  kTest,
  kCommission,
  kServe,
};

// One --set NAME=VALUE: a value in the parameter's base unit.
struct Assignment {
  std::string name;
  double value = 0.0;
};

// --var-from SOURCE=NAME: the program variable NAME takes the value SOURCE
// had when its program ended. SOURCE is PROGRAM.VARIABLE (a variable of an
// earlier program of the chain, or a drive variable it leaves a result in)
// or a bare VARIABLE (the previous program's).
struct VariableLink {
  std::string sourceProgram;  // empty: the previous program
  std::string source;
  std::string target;
};

// One program of a run-program chain, with its own --var and --var-from.
struct ProgramRun {
  std::string name;
  std::vector<Assignment> inputs;  // in the order given
  std::vector<VariableLink> links;
};

// The logger of run-program: the drive variables and the settings a test
// gives it (points, the loop it samples in, one point every `divider`
// samples).
struct LogSettings {
  std::vector<std::string> variables;
  int points = 500;
  int divider = 1;
  bool slowLoop = false;
};

// What one run of drivesetup is asked to do.
struct Invocation {
  Command command = Command::kRoundTrip;
  std::string setupPath;   // empty: the bundled default setup
  std::string pluginPath;  // empty: the plug-in beside the program
  std::string outPath;     // empty: nothing is saved
  bool json = false;
  std::vector<Assignment> assignments;  // in the order given
  std::vector<std::string> names;       // get, init-param
  std::string unit;                     // scale
  std::string parameter;                // scale
  std::string scriptPath;               // edit, test: the user script that plays the person
  bool list = false;                    // edit: list the dialog's controls instead of a script
  std::string dialog = "drive-setup";   // edit: the dialog the script is written for
  std::string simPath;                  // empty: the setup's own "simulation" object
  std::vector<ProgramRun> runs;         // run-program: the program and those --then names, in order
  LogSettings log;                      // run-program --log, for the last program
  std::string testName;                 // test
  std::string plotsPath;                // test --plots: empty for the default directory
  std::string reportPath;               // commission --report: empty for none
  int port = 0;                         // serve: 0 picks a free port
  bool open = false;                    // serve: open the address in the desktop's browser
};

// Exactly one of: an invocation to run, a help or version text to print (and exit 0),
// or a failure with the usage exit status.
struct ParsedCommandLine {
  std::optional<Invocation> invocation;
  std::optional<std::string> help;
  Outcome failure;
};

ParsedCommandLine ParseCommandLine(int argc, const char* const* argv);

// NAME=VALUE with a non-empty name and a finite number (the text after the
// first '='); otherwise a failure naming what is wrong and `option`.
struct ParsedAssignment {
  std::optional<Assignment> assignment;
  Outcome failure;
};
ParsedAssignment ParseAssignment(std::string_view text, std::string_view option = "--set");

// SOURCE=NAME of --var-from, SOURCE being VARIABLE or PROGRAM.VARIABLE.
struct ParsedLink {
  std::optional<VariableLink> link;
  Outcome failure;
};
ParsedLink ParseLink(std::string_view text);

}  // namespace host
