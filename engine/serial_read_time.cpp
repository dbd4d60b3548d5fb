#include "engine/serial_read_time.h"

#include <cmath>

#include "engine/feedback_sensors.h"
#include "engine/serial_encoder.h"
#include "engine/serial_encoder_clock.h"
#include "engine/setup_access.h"

namespace engine {
namespace {

// The serial sensor the check is for: true for the load, false for the motor.
std::optional<bool> CheckedSensor(CVX_Setup& setup) {
  const auto load = ReadChoice(setup, "LoadSensorType");
  const auto motor = ReadChoice(setup, "MotorSensorType");
  if (load && IsSerialSensor(*load)) return true;
  if (motor && IsSerialSensor(*motor)) return false;
  return std::nullopt;
}

}  // namespace

std::optional<std::string> CheckSerialEncoderReadTime(CVX_Setup& setup) {
  const auto load = CheckedSensor(setup);
  if (!load) return std::nullopt;
  const SerialSensorNames& names = *load ? kLoadSerialSensor : kMotorSerialSensor;
  const std::string message(*load ? kLoadReadTimeMessage : kMotorReadTimeMessage);
  CVX_Parameter* clock = Find(setup, names.clock_Hz);
  const auto rate_Hz = Base(setup, names.clock_Hz);
  const auto floor = MinimumSerialClock(setup);
  if (!clock || !rate_Hz || !floor) return std::nullopt;
  if (!floor->reachable) return message;
  if (!(floor->rate_Hz > *rate_Hz)) return std::nullopt;

  WidenClockParameter(*clock);
  WriteBase(clock, std::ceil(floor->rate_Hz / kReadTimeRateStep_Hz) * kReadTimeRateStep_Hz);
  ComputeSSIBR(setup);
  ComputeAEI_CLKDIV(setup);
  ComputeAEI_PER(setup);
  ComputeAEI_CMPTIME(setup);
  RecoverSerialClock(setup, *load);
  return message;
}

}  // namespace engine
