#include "kernel/motor_database.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "kernel/name_key.h"
#include "kernel/program_run.h"
#include "kernel/setup_file.h"

namespace kernel {
namespace {

using Json = nlohmann::ordered_json;

constexpr std::string_view kFormatName = "drivesetup-motors";
constexpr long long kFormatVersion = 1;
constexpr int kMaxDepth = 16;

bool IsMotorParameter(std::string_view key) {
  return std::find(kMotorParameterNames.begin(), kMotorParameterNames.end(), key) != kMotorParameterNames.end();
}

// What a value must be to make sense as that motor parameter; empty when it
// does.
std::string CheckValue(std::string_view parameter, double value) {
  if (!std::isfinite(value)) return "is not a finite number";
  if (parameter == "StepperMotorType") {
    return value == 0.0 || value == 1.0 ? "" : "must be 0 (bi-phase) or 1 (tri-phase)";
  }
  if (parameter == "NoMotorSteps") {
    return value >= 1.0 && value == std::floor(value) ? "" : "must be a whole number of steps, 1 or more";
  }
  return value > 0.0 ? "" : "must be greater than 0";
}

// One entry of "motors"; nullopt (with the causes in `errors`) when broken.
std::optional<MotorEntry> ReadEntry(const Json& item, const std::string& where, std::vector<std::string>& errors) {
  if (!item.is_object()) {
    errors.push_back(fmt::format("{}: must be an object, found {}", where, item.type_name()));
    return std::nullopt;
  }
  const std::size_t before = errors.size();
  MotorEntry entry;
  const auto name = item.find("name");
  if (name == item.end() || !name->is_string() || name->get<std::string>().empty()) {
    errors.push_back(fmt::format("{}: needs a \"name\" that is a non-empty text", where));
  } else {
    entry.name = name->get<std::string>();
  }
  for (const auto& [key, value] : item.items()) {
    if (key == "name") continue;
    const std::string field = fmt::format("{} \"{}\"", where, key);
    if (!IsMotorParameter(key)) {
      // A misspelt name would otherwise lose its value without a word.
      errors.push_back(fmt::format("{}: is not a motor parameter (known: {})", field,
                                   fmt::join(kMotorParameterNames, ", ")));
    } else if (!value.is_number()) {
      errors.push_back(fmt::format("{}: must be a number, found {}", field, value.type_name()));
    } else if (std::string cause = CheckValue(key, value.get<double>()); !cause.empty()) {
      errors.push_back(fmt::format("{}: {}", field, cause));
    }
  }
  if (errors.size() != before) return std::nullopt;
  for (std::string_view parameter : kMotorParameterNames) {
    const auto value = item.find(std::string(parameter));
    if (value != item.end()) entry.values.emplace_back(std::string(parameter), value->get<double>());
  }
  return entry;
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
  Json document;
  try {
    // A database is three levels deep; a hostile nesting is refused early
    // rather than built.
    const Json::parser_callback_t depthLimit = [](int depth, Json::parse_event_t, Json&) {
      if (depth > kMaxDepth) throw std::length_error(fmt::format("nested deeper than {} levels", kMaxDepth));
      return true;
    };
    document = Json::parse(text, depthLimit);
  } catch (const std::exception& error) {
    load.errors.push_back(fmt::format("not a JSON document ({})", error.what()));
    return load;
  }
  if (!document.is_object()) {
    load.errors.push_back(fmt::format("the document must be an object, found {}", document.type_name()));
    return load;
  }
  const auto format = document.find("format");
  if (format == document.end() || *format != kFormatName) {
    load.errors.push_back(fmt::format("\"format\" must be \"{}\"", kFormatName));
    return load;
  }
  const auto version = document.find("version");
  if (version == document.end() || !version->is_number_integer() || version->get<long long>() != kFormatVersion) {
    load.errors.push_back(fmt::format("\"version\" must be {}, the version this program reads", kFormatVersion));
    return load;
  }
  const auto motors = document.find("motors");
  if (motors == document.end() || !motors->is_array()) {
    load.errors.push_back("\"motors\" must be a list of motors");
    return load;
  }
  for (std::size_t i = 0; i < motors->size(); ++i) {
    const std::string where = fmt::format("motors[{}]", i);
    std::optional<MotorEntry> entry = ReadEntry((*motors)[i], where, load.errors);
    if (!entry) continue;
    if (load.database.Find(entry->name)) {
      load.errors.push_back(fmt::format("{}: the name \"{}\" is already used by an earlier motor", where, entry->name));
      continue;
    }
    load.database.motors.push_back(std::move(*entry));
  }
  return load;
}

MotorDatabaseLoad LoadMotorDatabase(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::exists(path, error) && !error) {
    MotorDatabaseLoad load;
    load.fileMissing = true;
    return load;
  }
  std::string text;
  if (std::string cause = ReadBoundedFile(path, text); !cause.empty()) {
    MotorDatabaseLoad load;
    load.errors.push_back(std::move(cause));
    return load;
  }
  return ParseMotorDatabase(text);
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
    return WriteFileAtomically(path, SerializeMotorDatabase(database));
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
