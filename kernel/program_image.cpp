#include "kernel/program_image.h"

#include <fmt/format.h>

#include <unordered_set>

#include "input/json_read.h"
#include "kernel/name_key.h"

namespace kernel {
namespace {

using input::ErrorList;
using input::Json;
using input::Members;

// Program variables hold what a test writes or reads: numbers of the
// drive's word types, or a double for a fixed-point value the drive keeps.
constexpr std::string_view kVariableTypes[] = {"int16", "uint16", "int32", "uint32", "double"};
constexpr ProgramVariableRole kRoles[] = {ProgramVariableRole::kInput, ProgramVariableRole::kOutput,
                                          ProgramVariableRole::kInOut};

void ReadVariables(const Json& value, const std::string& path, ProgramImage& image, ErrorList& errors) {
  if (!input::ReadList(value, path, errors)) return;
  std::unordered_set<std::string> seen;
  for (std::size_t i = 0; i < value.size(); ++i) {
    Members item(value[i], input::ElementPath(path, i), errors, {"name", "type", "role", "meaning"});
    if (!item.IsObject()) continue;
    ProgramVariable variable;
    variable.name = item.Text("name", true, false).value_or("");
    variable.meaning = item.Text("meaning", false).value_or("");
    const std::vector<std::string_view> types(std::begin(kVariableTypes), std::end(kVariableTypes));
    if (const auto type = item.Choice("type", true, types)) variable.type = *ValueTypeFromName(types[*type]);
    if (const auto role = item.Choice("role", true, {RoleName(kRoles[0]), RoleName(kRoles[1]), RoleName(kRoles[2])}))
      variable.role = kRoles[*role];
    if (!variable.name.empty() && !seen.insert(NameKey(variable.name)).second)
      errors.Add(item.path(), fmt::format("the variable \"{}\" is declared twice", variable.name));
    image.variables.push_back(std::move(variable));
  }
}

void ReadDriveVariables(const Json& value, const std::string& path, ProgramImage& image, ErrorList& errors) {
  if (!input::ReadList(value, path, errors)) return;
  for (std::size_t i = 0; i < value.size(); ++i) {
    Members item(value[i], input::ElementPath(path, i), errors, {"name", "meaning"});
    if (!item.IsObject()) continue;
    image.driveVariables.push_back({item.Text("name", true, false).value_or(""), item.Text("meaning", false).value_or("")});
  }
}

}  // namespace

std::string_view RoleName(ProgramVariableRole role) {
  switch (role) {
    case ProgramVariableRole::kInput: return "input";
    case ProgramVariableRole::kOutput: return "output";
    case ProgramVariableRole::kInOut: return "inout";
  }
  return "output";
}

bool IsWritable(ProgramVariableRole role) { return role != ProgramVariableRole::kOutput; }

const ProgramVariable* ProgramImage::FindVariable(std::string_view variable) const {
  for (const ProgramVariable& v : variables)
    if (SameName(v.name, variable)) return &v;
  return nullptr;
}

ProgramImageParse ParseProgramImage(std::string_view text, std::string_view source) {
  input::ParsedJson parsed = input::ParseJson(text);
  ErrorList errors;
  errors.Append(std::move(parsed.errors));
  ProgramImage image;
  if (parsed.value) {
    Members document(*parsed.value, "", errors,
                     {"program", "description", "variables", "driveVariables", "logs", "commands"});
    image.name = document.Text("program", true, false).value_or("");
    image.description = document.Text("description", false).value_or("");
    if (const Json* variables = document.Require("variables"))
      ReadVariables(*variables, document.PathOf("variables"), image, errors);
    if (const Json* variables = document.Get("driveVariables"))
      ReadDriveVariables(*variables, document.PathOf("driveVariables"), image, errors);
    image.logs = document.TextList("logs", false, false).value_or(std::vector<std::string>{});
    image.commands = document.TextList("commands", false, false).value_or(std::vector<std::string>{});

    // The kernel's polling of a run rests on it.
    const ProgramVariable* started = image.FindVariable(kStartedVariable);
    const Json* variables = document.Get("variables");
    if (variables && variables->is_array() && !started)
      errors.Add("variables", "the program must declare its output \"STARTED\"");
    else if (started && started->role != ProgramVariableRole::kOutput)
      errors.Add("variables", "\"STARTED\" must be an output");
  }
  if (errors.Empty()) return {std::move(image), {}};
  return {std::nullopt, input::ErrorLines(errors.Take(), source)};
}

}  // namespace kernel
