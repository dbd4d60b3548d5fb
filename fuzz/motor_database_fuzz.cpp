// libFuzzer target for the motor database reader: any text loads the entries
// that are sound and names the others; what loads has unique names and
// values the setup can take, and saves to a text that reads back the same.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "kernel/motor_database.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const kernel::MotorDatabaseLoad load = kernel::ParseMotorDatabase(text);
  for (const std::string& error : load.errors)
    if (error.empty()) std::abort();
  const kernel::MotorDatabase& database = load.database;
  for (const kernel::MotorEntry& motor : database.motors) {
    if (motor.name.empty() || database.Find(motor.name) != &motor) std::abort();
    for (const auto& [name, value] : motor.values)
      if (!std::isfinite(value)) std::abort();
  }
  const kernel::MotorDatabaseLoad again = kernel::ParseMotorDatabase(kernel::SerializeMotorDatabase(database));
  if (!again.errors.empty() || again.database.motors.size() != database.motors.size()) std::abort();
  // The reader takes only UTF-8, so every name saves as it was read.
  for (std::size_t i = 0; i < database.motors.size(); ++i) {
    if (again.database.motors[i].name != database.motors[i].name) std::abort();
    if (again.database.motors[i].values != database.motors[i].values) std::abort();
  }
  return 0;
}
