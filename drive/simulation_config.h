#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drive/analogue_input.h"
#include "drive/current_sensor.h"
#include "drive/encoder_incremental.h"
#include "drive/encoder_serial.h"
#include "drive/encoder_sincos.h"
#include "drive/motor_params.h"
#include "input/json_error.h"

class CVX_Setup;

// The world around the simulated drive: the true motor and load, the supply,
// the sensors, what a person does during a test and the faults injected.
// Read from the setup file's "simulation" object (docs/simulation.md); what
// the object leaves out is the setup's own nominal value.
namespace drive {

// A link that starts failing: every read (or write) from the N-th on, counted
// from the drive's construction, fails with `text`.
struct LinkFault {
  int from_call = 0;  // 0: never
  std::string text = "The drive does not answer.";
};

struct MerEvent {
  double time_s = 0.0;  // drive time since the drive was made
  std::uint16_t bits = 0;
};

struct SensorsConfig {
  std::optional<IncrementalEncoderParams> incremental;  // "encoder"
  std::optional<SinCosEncoderParams> sincos;            // "sincos"
  std::optional<SerialEncoderParams> serial;            // "ssi"
  SensorShaft shaft = SensorShaft::Motor;               // where the sensor above sits
};

// The limit switches of the axis: each trips while the load shaft stands at
// or beyond its angle (measured from where the axis was at power-up).
struct LimitSwitchesConfig {
  std::optional<double> positive_rad;
  std::optional<double> negative_rad;
};

// What the person around the test does.
struct PersonConfig {
  double hand_speed_rad_s = 0.0;                  // shaft turned by hand (motor shaft)
  std::optional<VoltageOverTime> analogue_input;  // voltage at the reference input
  double smooth_speed_limit_rad_s = 1e9;          // voltage-mode test: runs smoothly up to it
};

struct FaultsConfig {
  LinkFault read;
  LinkFault write;
  std::vector<MerEvent> mer;
  bool enable_input_off = false;
};

struct SimulationConfig {
  MotorParams motor;
  double supply_V = 48.0;
  // How the reference input is wired: 20 is ±10 V, 5 is 0..5 V (see
  // AnalogueRangeFor).
  double analogue_inputs_range_V = 20.0;
  CurrentSensorParams current_sensor;
  double initial_angle_rad = 0.0;
  SensorsConfig sensors;
  LimitSwitchesConfig limit_switches;
  PersonConfig person;
  FaultsConfig faults;
};

struct SimulationConfigParse {
  std::optional<SimulationConfig> config;
  // Every fault, each at its JSON path ("simulation.motor.R: ..."); and the
  // same as text, one fault per line.
  std::vector<input::JsonError> errors;
  std::string error;
};

// A setup document holds the object one level down, within its 32 levels.
inline constexpr int kMaxSimulationDepth = 31;

// A parameter of the setup in its base unit, looked up silently; `fallback`
// when the setup does not have it or holds no finite value.
double SetupValueOr(const CVX_Setup& setup, std::string_view name, double fallback);

// The nominal world of a setup: its motor ("R", "L", "K", "Jm", ...),
// supply ("Vdc") and converter ("ImaxPS" and the drive's ADC full scale).
SimulationConfig NominalSimulation(const CVX_Setup& setup);

// The nominal world with `json` (a "simulation" object as text) laid over
// it; empty text leaves the nominal world.
SimulationConfigParse ParseSimulation(const CVX_Setup& setup, std::string_view json);

}  // namespace drive
