#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/failure.h"

namespace host {

enum class Command { kCompute, kRecover, kRoundTrip, kLimits, kOptions, kInitParam, kScale, kGet, kEdit, kRunProgram };

// One --set NAME=VALUE: a value in the parameter's base unit.
struct Assignment {
  std::string name;
  double value = 0.0;
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
  std::string scriptPath;               // edit: the user script that plays the person
  bool list = false;                    // edit: list the dialog's controls instead of a script
  std::string simPath;                  // empty: the setup's own "simulation" object
  std::string program;                  // run-program
  std::vector<Assignment> programInputs;  // run-program --var, in the order given
  std::vector<std::string> logged;        // run-program --log
};

// Exactly one of: an invocation to run, a help text to print (and exit 0),
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

}  // namespace host
