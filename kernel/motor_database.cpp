#include "kernel/motor_database.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <system_error>

#include <fmt/format.h>

#include "input/bounded_file.h"
#include "input/json_read.h"
#include "kernel/name_key.h"
#include "kernel/program_run.h"
#include "kernel/setup_file.h"

namespace kernel {
namespace {

using input::ErrorList;
using input::Json;
using input::Members;

constexpr std::string_view kFormatName = "drivesetup-motors";
constexpr long long kFormatVersion = 1;
// A database is three levels deep; a hostile nesting is refused early
// rather than built.
constexpr int kMaxDepth = 16;

// What a value must be to make sense as that motor parameter; empty when it
// does. The values are doubles, as the setup holds them: a motor type may be
// written 1.0.
std::string CheckValue(std::string_view parameter, double value) {
  if (parameter == "StepperMotorType") {
    return value == 0.0 || value == 1.0 ? "" : "must be 0 (bi-phase) or 1 (tri-phase)";
  }
  if (parameter == "NoMotorSteps") {
    return value >= 1.0 && value == std::floor(value) ? "" : "must be a whole number of steps, 1 or more";
  }
  return value > 0.0 ? "" : "must be greater than 0";
}

std::vector<std::string_view> EntryKeys() {
  std::vector<std::string_view> keys = {"name"};
  keys.insert(keys.end(), kMotorParameterNames.begin(), kMotorParameterNames.end());
  return keys;
}

// One entry of "motors"; nullopt (with the causes in `errors`) when broken.
std::optional<MotorEntry> ReadEntry(const Json& item, const std::string& path, ErrorList& errors) {
  const std::size_t before = errors.Count();
  Members fields(item, path, errors, EntryKeys());
  MotorEntry entry;
  entry.name = fields.Text("name", true, false).value_or("");
  for (std::string_view parameter : kMotorParameterNames) {
    const auto value = fields.Number(parameter, false);
    if (!value) continue;
    if (std::string cause = CheckValue(parameter, *value); !cause.empty())
      errors.Add(fields.PathOf(parameter), std::move(cause));
    entry.values.emplace_back(std::string(parameter), *value);
  }
  if (errors.Count() != before) return std::nullopt;
  return entry;
}

// Reads the motors unless the document is not a database of this version:
// the entries of another format would only bring a flood of faults.
void ReadDocument(const Json& document, MotorDatabase& database, ErrorList& errors) {
  Members top(document, "", errors, {"format", "version", "motors"});
  if (!top.IsObject()) return;
  const auto format = top.Text("format", true);
  if (format && *format != kFormatName)
    errors.Add(top.PathOf("format"),
               fmt::format("must be \"{}\", found {}", kFormatName, input::Quoted(*format)));
  const auto version = top.Integer("version", true);
  if (version && *version != kFormatVersion)
    errors.Add(top.PathOf("version"),
               fmt::format("version {} is not one this program reads (it reads {})", *version, kFormatVersion));
  const Json* motors = top.Require("motors");
  if (!errors.Empty() || !motors || !input::ReadList(*motors, "motors", errors, "a list of motors")) return;
  for (std::size_t i = 0; i < motors->size(); ++i) {
    const std::string path = input::ElementPath("motors", i);
    std::optional<MotorEntry> entry = ReadEntry((*motors)[i], path, errors);
    if (!entry) continue;
    if (database.Find(entry->name)) {
      errors.Add(path, fmt::format("the name {} is already used by an earlier motor", input::Quoted(entry->name)));
      continue;
    }
    database.motors.push_back(std::move(*entry));
  }
}

std::vector<std::string> Texts(std::vector<input::JsonError> errors) {
  std::vector<std::string> texts;
  for (const input::JsonError& error : errors) texts.push_back(error.Text());
  return texts;
}

}  // namespace

std::optional<double> MotorEntry::Value(std::string_view parameter) const {
  for (const auto& [name, value] : values)
    if (name == parameter) return value;
  return std::nullopt;
}

const MotorEntry* MotorDatabase::Find(std::string_view name) const {
  for (const MotorEntry& motor : motors)
    if (SameName(motor.name, name)) return &motor;
  return nullptr;
}

void MotorDatabase::Put(MotorEntry entry) {
  for (MotorEntry& motor : motors) {
    if (SameName(motor.name, entry.name)) {
      motor = std::move(entry);
      return;
    }
  }
  motors.push_back(std::move(entry));
}

bool MotorDatabase::Remove(std::string_view name) {
  const auto it = std::find_if(motors.begin(), motors.end(),
                               [&](const MotorEntry& motor) { return SameName(motor.name, name); });
  if (it == motors.end()) return false;
  motors.erase(it);
  return true;
}

MotorDatabaseLoad ParseMotorDatabase(std::string_view text) {
  MotorDatabaseLoad load;
  input::ParsedJson parsed = input::ParseJson(text, {.maxDepth = kMaxDepth});
  ErrorList errors;
  errors.Append(std::move(parsed.errors));
  if (parsed.value) ReadDocument(*parsed.value, load.database, errors);
  load.errors = Texts(errors.Take());
  return load;
}

MotorDatabaseLoad LoadMotorDatabase(const std::string& path) {
  input::FileText file = input::ReadBoundedFile(path);
  if (path.empty() || file.notFound) {
    MotorDatabaseLoad load;
    load.fileMissing = true;
    return load;
  }
  if (!file.ok()) {
    MotorDatabaseLoad load;
    load.errors.push_back(std::move(file.error));
    return load;
  }
  return ParseMotorDatabase(file.text);
}

std::string SerializeMotorDatabase(const MotorDatabase& database) {
  Json motors = Json::array();
  for (const MotorEntry& motor : database.motors) {
    Json entry = Json::object();
    entry["name"] = motor.name;
    for (const auto& [name, value] : motor.values) entry[name] = value;
    motors.push_back(std::move(entry));
  }
  Json document = Json::object();
  document["format"] = kFormatName;
  document["version"] = kFormatVersion;
  document["motors"] = std::move(motors);
  // Names come from a person's typing; a text that is not UTF-8 is written
  // with replacement characters rather than refused.
  return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string SaveMotorDatabase(const MotorDatabase& database, const std::string& path) {
  if (path.empty()) return "there is no place for the file: set DRIVESETUP_USER_MOTORS or HOME";
  try {
    const std::filesystem::path directory = std::filesystem::path(path).parent_path();
    std::error_code error;
    if (!directory.empty()) std::filesystem::create_directories(directory, error);
    if (error) return fmt::format("cannot create the directory \"{}\": {}", directory.string(), error.message());
    if (std::string cause = WriteFileAtomically(path, SerializeMotorDatabase(database)); !cause.empty())
      return fmt::format("\"{}\": {}", path, cause);
    return {};
  } catch (const std::exception& error) {
    return fmt::format("cannot write \"{}\": {}", path, error.what());
  }
}

std::string StandardMotorDatabasePath() {
  return (std::filesystem::path(ResourcesDirectory()) / "motors.json").string();
}

std::string UserMotorDatabasePath() {
  if (const char* path = std::getenv("DRIVESETUP_USER_MOTORS"); path && *path) return path;
  const char* home = std::getenv("HOME");
  if (!home || !*home) return {};
  return (std::filesystem::path(home) / ".config" / "drivesetup" / "user_motors.json").string();
}

}  // namespace kernel
