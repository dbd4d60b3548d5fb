#include "drive/simulation_config.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "kernel/missing_value.h"
#include "kernel/probe.h"
#include "kernel/setup.h"

namespace drive {
namespace {

using nlohmann::json;

// A problem in the object; `what` starts with the JSON path.
struct ConfigError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& path, std::string_view what) {
  throw ConfigError(fmt::format("simulation{}: {}", path, what));
}

void CheckMembers(const json& object, const std::string& path, std::initializer_list<std::string_view> known) {
  if (!object.is_object()) Fail(path, "must be an object");
  for (const auto& [key, value] : object.items()) {
    bool found = false;
    for (const auto name : known) found = found || key == name;
    if (!found) Fail(path + "." + key, "is not a known member");
  }
}

double Number(const json& object, const std::string& path, std::string_view key, double fallback,
              double low = -1e300, double high = 1e300) {
  const auto it = object.find(key);
  if (it == object.end()) return fallback;
  const std::string where = fmt::format("{}.{}", path, key);
  if (!it->is_number()) Fail(where, "must be a number");
  const double value = it->get<double>();
  if (!std::isfinite(value) || value < low || value > high) {
    Fail(where, fmt::format("must lie in [{:g}, {:g}]", low, high));
  }
  return value;
}

int Integer(const json& object, const std::string& path, std::string_view key, int fallback, int low, int high) {
  const auto it = object.find(key);
  if (it == object.end()) return fallback;
  const std::string where = fmt::format("{}.{}", path, key);
  if (!it->is_number_integer()) Fail(where, "must be an integer");
  const auto value = it->get<std::int64_t>();
  if (value < low || value > high) Fail(where, fmt::format("must lie in [{}, {}]", low, high));
  return static_cast<int>(value);
}

bool Flag(const json& object, const std::string& path, std::string_view key, bool fallback) {
  const auto it = object.find(key);
  if (it == object.end()) return fallback;
  if (!it->is_boolean()) Fail(fmt::format("{}.{}", path, key), "must be true or false");
  return it->get<bool>();
}

std::string Text(const json& object, const std::string& path, std::string_view key, std::string fallback) {
  const auto it = object.find(key);
  if (it == object.end()) return fallback;
  if (!it->is_string() || it->get<std::string>().empty()) {
    Fail(fmt::format("{}.{}", path, key), "must be a non-empty string");
  }
  return it->get<std::string>();
}

template <typename E>
E Choice(const json& object, const std::string& path, std::string_view key, E fallback,
         std::initializer_list<std::pair<std::string_view, E>> choices) {
  const auto it = object.find(key);
  if (it == object.end()) return fallback;
  std::string names;
  for (const auto& [name, value] : choices) {
    if (it->is_string() && it->get<std::string>() == name) return value;
    names += fmt::format("{}\"{}\"", names.empty() ? "" : ", ", name);
  }
  Fail(fmt::format("{}.{}", path, key), "must be one of " + names);
}

void ReadMotor(const json& j, const std::string& path, MotorParams& m) {
  CheckMembers(j, path, {"winding", "R", "L", "K", "detent", "pole_pairs", "Jm", "Jload", "transmission",
                         "viscous_friction", "coulomb_friction", "phases"});
  m.winding = Choice(j, path, "winding", m.winding,
                     {{"two-phase", Winding::TwoPhase}, {"star", Winding::ThreeStar}, {"delta", Winding::ThreeDelta}});
  m.resistance_ohm = Number(j, path, "R", m.resistance_ohm, 0.0);
  m.inductance_H = Number(j, path, "L", m.inductance_H, 1e-7);
  m.torque_constant_Nm_per_A = Number(j, path, "K", m.torque_constant_Nm_per_A, 0.0);
  m.detent_torque_Nm = Number(j, path, "detent", m.detent_torque_Nm, 0.0);
  m.pole_pairs = Integer(j, path, "pole_pairs", m.pole_pairs, 1, 10000);
  m.rotor_inertia_kgm2 = Number(j, path, "Jm", m.rotor_inertia_kgm2, 1e-12);
  m.load_inertia_kgm2 = Number(j, path, "Jload", m.load_inertia_kgm2, 0.0);
  m.transmission_ratio = Number(j, path, "transmission", m.transmission_ratio, 1e-6);
  m.viscous_friction_Nm_s_per_rad = Number(j, path, "viscous_friction", m.viscous_friction_Nm_s_per_rad, 0.0);
  m.coulomb_friction_Nm = Number(j, path, "coulomb_friction", m.coulomb_friction_Nm, 0.0);
  if (const auto it = j.find("phases"); it != j.end()) {
    const std::string phases_path = path + ".phases";
    if (!it->is_array() || it->size() != static_cast<size_t>(WindingCount(m.winding))) {
      Fail(phases_path, fmt::format("must list the {} windings", WindingCount(m.winding)));
    }
    for (size_t k = 0; k < it->size(); ++k) {
      const json& phase = (*it)[k];
      const std::string p = fmt::format("{}[{}]", phases_path, k);
      CheckMembers(phase, p, {"R", "L", "disconnected"});
      m.winding_resistance_ohm[k] = Number(phase, p, "R", 0.0, 0.0);
      m.winding_inductance_H[k] = Number(phase, p, "L", 0.0, 0.0);
      m.winding_open[k] = Flag(phase, p, "disconnected", false);
    }
  }
}

QuadratureFault ReadQuadratureFault(const json& j, const std::string& path) {
  return Choice(j, path, "fault", QuadratureFault::None,
                {{"none", QuadratureFault::None},
                 {"no-pulses", QuadratureFault::NoPulses},
                 {"missing-channel", QuadratureFault::MissingChannel}});
}

void ReadSensors(const json& j, const std::string& path, SensorsConfig& s) {
  CheckMembers(j, path, {"shaft", "encoder", "sincos", "ssi"});
  s.shaft = Choice(j, path, "shaft", s.shaft, {{"motor", SensorShaft::Motor}, {"load", SensorShaft::Load}});
  if (const auto it = j.find("encoder"); it != j.end()) {
    const std::string p = path + ".encoder";
    CheckMembers(*it, p, {"lines", "reversed", "index", "index_angle_rad", "fault"});
    IncrementalEncoderParams e;
    e.lines = Integer(*it, p, "lines", e.lines, 1, 1 << 24);
    e.reversed = Flag(*it, p, "reversed", e.reversed);
    e.has_index = Flag(*it, p, "index", e.has_index);
    e.index_angle_rad = Number(*it, p, "index_angle_rad", e.index_angle_rad);
    e.fault = ReadQuadratureFault(*it, p);
    s.incremental = e;
  }
  if (const auto it = j.find("sincos"); it != j.end()) {
    const std::string p = path + ".sincos";
    CheckMembers(*it, p, {"lines", "reversed", "index", "index_angle_rad", "fault", "amplitude_mismatch"});
    SinCosEncoderParams e;
    e.lines = Integer(*it, p, "lines", e.lines, 1, 1 << 24);
    e.reversed = Flag(*it, p, "reversed", e.reversed);
    e.has_index = Flag(*it, p, "index", e.has_index);
    e.index_angle_rad = Number(*it, p, "index_angle_rad", e.index_angle_rad);
    e.fault = ReadQuadratureFault(*it, p);
    e.amplitude_mismatch = Number(*it, p, "amplitude_mismatch", e.amplitude_mismatch, -0.5, 0.5);
    s.sincos = e;
  }
  if (const auto it = j.find("ssi"); it != j.end()) {
    const std::string p = path + ".ssi";
    CheckMembers(*it, p, {"protocol", "bits", "multi_turn_bits", "offset", "gray", "reversed", "fault"});
    SerialEncoderParams e;
    e.protocol = Choice(*it, p, "protocol", e.protocol, {{"ssi", SerialProtocol::SSI}, {"biss", SerialProtocol::BiSS}});
    e.single_turn_bits = Integer(*it, p, "bits", e.single_turn_bits, 1, 32);
    e.multi_turn_bits = Integer(*it, p, "multi_turn_bits", e.multi_turn_bits, 0, 31);
    const double offset = Number(*it, p, "offset", 0.0, 0.0, std::ldexp(1.0, e.single_turn_bits) - 1);
    if (offset != std::floor(offset)) Fail(p + ".offset", "must be an integer");
    e.offset_counts = static_cast<std::uint64_t>(offset);
    e.gray = Flag(*it, p, "gray", e.gray);
    e.reversed = Flag(*it, p, "reversed", e.reversed);
    e.fault = Choice(*it, p, "fault", SerialFault::None,
                     {{"none", SerialFault::None},
                      {"no-response", SerialFault::NoResponse},
                      {"corrupt-frame", SerialFault::CorruptFrame}});
    s.serial = e;
  }
}

void ReadLimitSwitches(const json& j, const std::string& path, LimitSwitchesConfig& switches) {
  CheckMembers(j, path, {"positive_rad", "negative_rad"});
  if (j.contains("positive_rad")) switches.positive_rad = Number(j, path, "positive_rad", 0.0);
  if (j.contains("negative_rad")) switches.negative_rad = Number(j, path, "negative_rad", 0.0);
  if (switches.positive_rad && switches.negative_rad && *switches.negative_rad >= *switches.positive_rad)
    Fail(path + ".negative_rad", "must lie below positive_rad");
}

void ReadPerson(const json& j, const std::string& path, PersonConfig& person) {
  CheckMembers(j, path, {"hand_speed_rad_s", "analogue_input", "smooth_speed_limit_rad_s"});
  person.hand_speed_rad_s = Number(j, path, "hand_speed_rad_s", person.hand_speed_rad_s);
  person.smooth_speed_limit_rad_s = Number(j, path, "smooth_speed_limit_rad_s", person.smooth_speed_limit_rad_s, 0.0);
  if (const auto it = j.find("analogue_input"); it != j.end()) {
    const std::string p = path + ".analogue_input";
    if (!it->is_array() || it->empty()) Fail(p, "must be a non-empty list of [time_s, voltage_V] pairs");
    std::vector<VoltagePoint> points;
    for (size_t k = 0; k < it->size(); ++k) {
      const json& point = (*it)[k];
      if (!point.is_array() || point.size() != 2 || !point[0].is_number() || !point[1].is_number()) {
        Fail(fmt::format("{}[{}]", p, k), "must be a pair [time_s, voltage_V]");
      }
      points.push_back({point[0].get<double>(), point[1].get<double>()});
    }
    person.analogue_input = VoltageOverTime(std::move(points));
  }
}

LinkFault ReadLinkFault(const json& j, const std::string& path) {
  CheckMembers(j, path, {"from_call", "text"});
  LinkFault fault;
  fault.from_call = Integer(j, path, "from_call", 1, 1, 1 << 30);
  fault.text = Text(j, path, "text", fault.text);
  return fault;
}

void ReadFaults(const json& j, const std::string& path, FaultsConfig& faults) {
  CheckMembers(j, path, {"read", "write", "mer", "enable_input_off"});
  if (const auto it = j.find("read"); it != j.end()) faults.read = ReadLinkFault(*it, path + ".read");
  if (const auto it = j.find("write"); it != j.end()) faults.write = ReadLinkFault(*it, path + ".write");
  faults.enable_input_off = Flag(j, path, "enable_input_off", faults.enable_input_off);
  if (const auto it = j.find("mer"); it != j.end()) {
    const std::string p = path + ".mer";
    if (!it->is_array()) Fail(p, "must be a list of {\"time_s\", \"bits\"}");
    for (size_t k = 0; k < it->size(); ++k) {
      const std::string e = fmt::format("{}[{}]", p, k);
      CheckMembers((*it)[k], e, {"time_s", "bits"});
      faults.mer.push_back({Number((*it)[k], e, "time_s", 0.0, 0.0),
                            static_cast<std::uint16_t>(Integer((*it)[k], e, "bits", 0, 0, 0xFFFF))});
    }
  }
}

}  // namespace

double SetupValueOr(const CVX_Setup& setup, std::string_view name, double fallback) {
  if (!kernel::HasParameter(setup, name)) return fallback;
  const double value = setup.GetParameterValueInBaseUnit(name);
  return std::isfinite(value) && value != kMissingValue ? value : fallback;
}

SimulationConfig NominalSimulation(const CVX_Setup& setup) {
  SimulationConfig config;
  MotorParams& m = config.motor;
  const bool three_phase = SetupValueOr(setup, "StepperMotorType", 0) == 1;
  const bool delta = SetupValueOr(setup, "MotorPhaseConnectionType", 0) == 1;
  m.winding = !three_phase ? Winding::TwoPhase : delta ? Winding::ThreeDelta : Winding::ThreeStar;
  m.resistance_ohm = SetupValueOr(setup, "R", m.resistance_ohm);
  m.inductance_H = SetupValueOr(setup, "L", m.inductance_H);
  m.torque_constant_Nm_per_A = SetupValueOr(setup, "K", m.torque_constant_Nm_per_A);
  m.rotor_inertia_kgm2 = SetupValueOr(setup, "Jm", m.rotor_inertia_kgm2);
  m.load_inertia_kgm2 = m.rotor_inertia_kgm2 * SetupValueOr(setup, "Jload_over_J", 0.0);
  // Hybrid steppers of either kind make four full steps per electrical
  // turn (200 steps: 50 pole pairs).
  const double steps = SetupValueOr(setup, "NoMotorSteps", 200);
  m.pole_pairs = std::max(1, static_cast<int>(std::lround(steps / 4.0)));
  config.supply_V = SetupValueOr(setup, "Vdc", config.supply_V);
  config.analogue_inputs_range_V = SetupValueOr(setup, "AnalogueInputsRange", config.analogue_inputs_range_V);
  config.current_sensor.full_scale_A = SetupValueOr(setup, "ImaxPS", config.current_sensor.full_scale_A);
  if (setup.GetIdentity().adcMaxValue > 0) config.current_sensor.adc_max_counts = setup.GetIdentity().adcMaxValue;
  // A motor at rest stays there once the power stage is off: 2 % of the
  // rated torque as bearing friction, since the setup names none. "In" is
  // kept in current counts.
  const double counts_per_A = config.current_sensor.adc_max_counts / (2.0 * config.current_sensor.full_scale_A);
  const double rated_A = kernel::HasParameter(setup, "In") ? setup.GetParameterValueInInternalUnit("In") / counts_per_A : 1.0;
  m.coulomb_friction_Nm = 0.02 * m.torque_constant_Nm_per_A * rated_A;
  // Default noise: a third of a converter step, enough to dither the
  // quantisation as the real converter's own noise does.
  config.current_sensor.noise_rms_A =
      2.0 * config.current_sensor.full_scale_A / std::ldexp(1.0, config.current_sensor.converter_bits) / 3.0;
  return config;
}

namespace {

// "K", in the setup and in the simulation object alike, is the torque per
// ampere of the current vector. Three windings at 120° each add their share,
// so together they give 3/2 of one winding's constant: each winding of the
// model carries 2/3 of "K".
void ToWindingTorqueConstant(MotorParams& m) {
  if (m.winding != Winding::TwoPhase) m.torque_constant_Nm_per_A *= 2.0 / 3.0;
}

}  // namespace

SimulationConfigParse ParseSimulation(const CVX_Setup& setup, std::string_view text) {
  SimulationConfigParse result;
  SimulationConfig config = NominalSimulation(setup);
  if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) {
    ToWindingTorqueConstant(config.motor);
    result.config = config;
    return result;
  }
  try {
    const json j = json::parse(text);
    const std::string path;
    CheckMembers(j, path, {"seed", "motor", "supply_V", "analogue_inputs_range_V", "current_sensor",
                           "initial_angle_rad", "sensors", "limit_switches", "person", "faults"});
    config.current_sensor.seed = static_cast<std::uint64_t>(Integer(j, path, "seed", 1, 0, 1 << 30));
    if (const auto it = j.find("motor"); it != j.end()) ReadMotor(*it, ".motor", config.motor);
    config.supply_V = Number(j, path, "supply_V", config.supply_V, 0.0);
    config.analogue_inputs_range_V = Number(j, path, "analogue_inputs_range_V", config.analogue_inputs_range_V, 0.0);
    if (const auto it = j.find("current_sensor"); it != j.end()) {
      CheckMembers(*it, ".current_sensor", {"full_scale_A", "bits", "noise_A"});
      auto& c = config.current_sensor;
      c.full_scale_A = Number(*it, ".current_sensor", "full_scale_A", c.full_scale_A, 1e-6);
      c.converter_bits = Integer(*it, ".current_sensor", "bits", c.converter_bits, 1, 16);
      c.noise_rms_A = Number(*it, ".current_sensor", "noise_A", c.noise_rms_A, 0.0);
    }
    config.initial_angle_rad = Number(j, path, "initial_angle_rad", config.initial_angle_rad);
    if (const auto it = j.find("sensors"); it != j.end()) ReadSensors(*it, ".sensors", config.sensors);
    if (const auto it = j.find("limit_switches"); it != j.end())
      ReadLimitSwitches(*it, ".limit_switches", config.limit_switches);
    if (const auto it = j.find("person"); it != j.end()) ReadPerson(*it, ".person", config.person);
    if (const auto it = j.find("faults"); it != j.end()) ReadFaults(*it, ".faults", config.faults);
    ToWindingTorqueConstant(config.motor);
    result.config = config;
  } catch (const json::parse_error& e) {
    result.error = fmt::format("simulation: not valid JSON ({})", e.what());
  } catch (const ConfigError& e) {
    result.error = e.what();
  }
  return result;
}

}  // namespace drive
