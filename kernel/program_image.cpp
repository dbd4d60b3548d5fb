#include "kernel/program_image.h"

#include <fmt/format.h>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <unordered_set>

#include "kernel/name_key.h"

namespace kernel {
namespace {

using Json = nlohmann::json;

// Collects every problem of one descriptor, each prefixed with where it is.
class Problems {
 public:
  explicit Problems(std::string_view source) : source_(source) {}

  void Add(std::string_view where, std::string_view cause) {
    if (!text_.empty()) text_ += '\n';
    text_ += where.empty() ? fmt::format("{}: {}", source_, cause) : fmt::format("{}: {}: {}", source_, where, cause);
  }
  bool Empty() const { return text_.empty(); }
  std::string Take() { return std::move(text_); }

 private:
  std::string_view source_;
  std::string text_;
};

void CheckMembers(const Json& object, std::string_view where, std::initializer_list<std::string_view> known,
                  Problems& problems) {
  for (const auto& [key, value] : object.items()) {
    bool found = false;
    for (std::string_view name : known) found = found || key == name;
    if (!found) problems.Add(where, fmt::format("unknown member \"{}\"", key));
  }
}

// The text member `key`; empty (with a problem when `required`) otherwise.
std::string Text(const Json& object, const char* key, std::string_view where, bool required, Problems& problems) {
  const auto it = object.find(key);
  if (it == object.end()) {
    if (required) problems.Add(where, fmt::format("\"{}\" is missing", key));
    return {};
  }
  if (!it->is_string()) {
    problems.Add(where, fmt::format("\"{}\" must be text", key));
    return {};
  }
  std::string text = it->get<std::string>();
  if (required && text.empty()) problems.Add(where, fmt::format("\"{}\" must not be empty", key));
  return text;
}

// Program variables hold what a test writes or reads: numbers of the
// drive's word types, or a double for a fixed-point value the drive keeps.
std::optional<ValueType> VariableType(std::string_view name) {
  const auto type = ValueTypeFromName(name);
  if (!type) return std::nullopt;
  if (*type == ValueType::kDerived || *type == ValueType::kConstant) return std::nullopt;
  return type;
}

std::optional<ProgramVariableRole> RoleFromName(std::string_view name) {
  for (auto role : {ProgramVariableRole::kInput, ProgramVariableRole::kOutput, ProgramVariableRole::kInOut})
    if (RoleName(role) == name) return role;
  return std::nullopt;
}

void ReadVariables(const Json& list, ProgramImage& image, Problems& problems) {
  if (!list.is_array()) {
    problems.Add("variables", "must be a list");
    return;
  }
  std::unordered_set<std::string> seen;
  for (size_t i = 0; i < list.size(); ++i) {
    const std::string where = fmt::format("variables[{}]", i);
    const Json& item = list[i];
    if (!item.is_object()) {
      problems.Add(where, "must be an object");
      continue;
    }
    CheckMembers(item, where, {"name", "type", "role", "meaning"}, problems);
    ProgramVariable variable;
    variable.name = Text(item, "name", where, true, problems);
    variable.meaning = Text(item, "meaning", where, false, problems);
    const std::string typeName = Text(item, "type", where, true, problems);
    if (const auto type = VariableType(typeName)) {
      variable.type = *type;
    } else if (!typeName.empty()) {
      problems.Add(where, fmt::format("type \"{}\" is not one of int16, uint16, int32, uint32, double", typeName));
    }
    const std::string roleName = Text(item, "role", where, true, problems);
    if (const auto role = RoleFromName(roleName)) {
      variable.role = *role;
    } else if (!roleName.empty()) {
      problems.Add(where, fmt::format("role \"{}\" is not one of input, output, inout", roleName));
    }
    if (!variable.name.empty() && !seen.insert(NameKey(variable.name)).second)
      problems.Add(where, fmt::format("the variable \"{}\" is declared twice", variable.name));
    image.variables.push_back(std::move(variable));
  }
}

void ReadDriveVariables(const Json& list, ProgramImage& image, Problems& problems) {
  if (!list.is_array()) {
    problems.Add("driveVariables", "must be a list");
    return;
  }
  for (size_t i = 0; i < list.size(); ++i) {
    const std::string where = fmt::format("driveVariables[{}]", i);
    if (!list[i].is_object()) {
      problems.Add(where, "must be an object");
      continue;
    }
    CheckMembers(list[i], where, {"name", "meaning"}, problems);
    image.driveVariables.push_back(
        {Text(list[i], "name", where, true, problems), Text(list[i], "meaning", where, false, problems)});
  }
}

std::vector<std::string> ReadTextList(const Json& document, const char* key, Problems& problems) {
  std::vector<std::string> texts;
  const auto it = document.find(key);
  if (it == document.end()) return texts;
  if (!it->is_array()) {
    problems.Add(key, "must be a list of texts");
    return texts;
  }
  for (size_t i = 0; i < it->size(); ++i) {
    const Json& item = (*it)[i];
    if (!item.is_string() || item.get_ref<const std::string&>().empty()) {
      problems.Add(fmt::format("{}[{}]", key, i), "must be a text that is not empty");
      continue;
    }
    texts.push_back(item.get<std::string>());
  }
  return texts;
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
  Problems problems(source);
  Json document;
  try {
    document = Json::parse(text.begin(), text.end());
  } catch (const Json::parse_error& e) {
    // The library reports malformed text only by throwing; it stops here.
    problems.Add("", fmt::format("not valid JSON ({})", e.what()));
    return {std::nullopt, problems.Take()};
  }
  if (!document.is_object()) {
    problems.Add("", "must be a JSON object");
    return {std::nullopt, problems.Take()};
  }

  CheckMembers(document, "", {"program", "description", "variables", "driveVariables", "logs", "commands"},
               problems);
  ProgramImage image;
  image.name = Text(document, "program", "", true, problems);
  image.description = Text(document, "description", "", false, problems);
  if (const auto it = document.find("variables"); it != document.end()) {
    ReadVariables(*it, image, problems);
  } else {
    problems.Add("", "\"variables\" is missing");
  }
  if (const auto it = document.find("driveVariables"); it != document.end())
    ReadDriveVariables(*it, image, problems);
  image.logs = ReadTextList(document, "logs", problems);
  image.commands = ReadTextList(document, "commands", problems);

  // The kernel's polling of a run rests on it.
  const ProgramVariable* started = image.FindVariable(kStartedVariable);
  if (!started) {
    problems.Add("variables", "the program must declare its output \"STARTED\"");
  } else if (started->role != ProgramVariableRole::kOutput) {
    problems.Add("variables", "\"STARTED\" must be an output");
  }

  if (!problems.Empty()) return {std::nullopt, problems.Take()};
  return {std::move(image), {}};
}

}  // namespace kernel
