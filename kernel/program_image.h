#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/value_type.h"

// The image of a test program as the kernel knows it: the program's name and
// its variables, read from a small JSON descriptor (docs/program-images.md).
// The code itself lives in the drive, which runs programs by name.
namespace kernel {

// An input is written by the test before the start, an output read after
// the end; an in-out variable is both ("In1": the test current in, the
// current measured out).
enum class ProgramVariableRole { kInput, kOutput, kInOut };

std::string_view RoleName(ProgramVariableRole role);
bool IsWritable(ProgramVariableRole role);

struct ProgramVariable {
  std::string name;
  ValueType type = ValueType::kInt16;
  ProgramVariableRole role = ProgramVariableRole::kOutput;
  std::string meaning;
};

// A drive variable in which the program leaves a result ("REFTST_V").
struct ProgramDriveVariable {
  std::string name;
  std::string meaning;
};

// Every program has it: 0 until the program runs on the drive.
inline constexpr std::string_view kStartedVariable = "STARTED";

struct ProgramImage {
  std::string name;
  std::string description;
  std::vector<ProgramVariable> variables;
  std::vector<ProgramDriveVariable> driveVariables;
  std::vector<std::string> logs;      // drive variables the program can log
  std::vector<std::string> commands;  // command texts a test sends while it runs

  // Ignores letter case; nullptr when the program has no such variable.
  const ProgramVariable* FindVariable(std::string_view variable) const;
};

struct ProgramImageParse {
  std::optional<ProgramImage> image;  // absent when anything is wrong
  std::string error;                  // one line per problem, each naming `source`
};

// Reads a descriptor. `source` names it in error texts (its path).
ProgramImageParse ParseProgramImage(std::string_view text, std::string_view source);

}  // namespace kernel
