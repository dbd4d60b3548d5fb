#pragma once

// Motor databases: named sets of motor data that the motor editor of the
// setup dialogs writes into a setup, or fills from one. The file format is
// described in docs/motor-database.md.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kernel {

// The setup parameters a motor entry may hold, in the order they are written
// into a setup. Values are in base units (A, N*m/A, Ohm, H, kg*m^2).
inline constexpr std::array<std::string_view, 8> kMotorParameterNames = {
    "StepperMotorType", "NoMotorSteps", "In", "ImaxM", "K", "R", "L", "Jm"};

struct MotorEntry {
  std::string name;
  // (parameter name as listed above, value in base units), in that order.
  std::vector<std::pair<std::string, double>> values;

  std::optional<double> Value(std::string_view parameter) const;
};

struct MotorDatabase {
  std::vector<MotorEntry> motors;

  // Motor names are matched without regard to letter case, as parameter
  // names are, so that "nema 17" cannot sit beside "NEMA 17".
  const MotorEntry* Find(std::string_view name) const;
  // Replaces the entry of the same name or appends `entry`.
  void Put(MotorEntry entry);
  // False when there is no such motor.
  bool Remove(std::string_view name);
};

struct MotorDatabaseLoad {
  MotorDatabase database;           // every entry that read correctly
  std::vector<std::string> errors;  // one per problem, each saying where
  bool fileMissing = false;         // the file does not exist (not an error)
};

// Reads a database document. A broken entry is left out and named in the
// errors; the other entries still load.
MotorDatabaseLoad ParseMotorDatabase(std::string_view text);
// A missing file gives an empty database with `fileMissing` set.
MotorDatabaseLoad LoadMotorDatabase(const std::string& path);

std::string SerializeMotorDatabase(const MotorDatabase& database);
// Creates the file's directory when needed and writes the file in one step
// (never half-written). Empty on success, else the cause, naming the file.
std::string SaveMotorDatabase(const MotorDatabase& database, const std::string& path);

// <ResourcesDirectory()>/motors.json.
std::string StandardMotorDatabasePath();
// $DRIVESETUP_USER_MOTORS when set and not empty, else
// $HOME/.config/drivesetup/user_motors.json; empty when neither is set.
std::string UserMotorDatabasePath();

// A database as the motor editor holds it.
struct MotorDatabaseFile {
  std::string name;  // as listed in the editor: "Standard", "USER"
  std::string path;
  bool readOnly = false;
  MotorDatabase database;
  // What went wrong reading the file; empty when it read cleanly.
  std::vector<std::string> errors;
};

}  // namespace kernel
