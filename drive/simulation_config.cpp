#include "drive/simulation_config.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "input/json_read.h"
#include "kernel/missing_value.h"
#include "kernel/probe.h"
#include "kernel/setup.h"

namespace drive {
namespace {

using input::ErrorList;
using input::Json;
using input::Members;

// Bounds of what the simulation can stand for: far beyond any real drive,
// yet small enough that products of them stay finite in the physics (a
// supply of 1e300 V would give infinite currents, and the converters would
// then be asked to hold them).
constexpr double kMaxVoltage_V = 1e4;
constexpr double kMaxResistance_ohm = 1e6;
constexpr double kMaxInductance_H = 1e3;
constexpr double kMaxTorque_Nm = 1e4;
constexpr double kMaxInertia_kgm2 = 1e3;
constexpr double kMaxRatio = 1e6;
constexpr double kMaxCurrent_A = 1e4;
constexpr double kMaxAngle_rad = 1e6;
constexpr double kMaxHandSpeed_rad_s = 1e5;
// A smooth-running limit at or above this is no limit.
constexpr double kUnlimitedSpeed_rad_s = 1e9;
constexpr double kMaxTime_s = 1e9;
constexpr int kMaxLines = 1 << 24;
constexpr int kMaxCall = 1 << 30;

// Where the object sits in a setup document, and so in every error text.
constexpr std::string_view kRoot = "simulation";

int IntegerOr(Members& members, std::string_view key, int fallback, int low, int high) {
  return static_cast<int>(members.Integer(key, false, low, high).value_or(fallback));
}

void ReadPhases(const Json& value, const std::string& path, MotorParams& m, ErrorList& errors) {
  const std::size_t count = static_cast<std::size_t>(WindingCount(m.winding));
  if (!value.is_array() || value.size() != count) {
    errors.Add(path, fmt::format("must list the {} windings, found {}", count, input::Found(value)));
    return;
  }
  for (std::size_t k = 0; k < count; ++k) {
    Members phase(value[k], input::ElementPath(path, k), errors, {"R", "L", "disconnected"});
    m.winding_resistance_ohm[k] = phase.Number("R", false, 0.0, kMaxResistance_ohm).value_or(0.0);
    m.winding_inductance_H[k] = phase.Number("L", false, 0.0, kMaxInductance_H).value_or(0.0);
    m.winding_open[k] = phase.Flag("disconnected", false).value_or(false);
  }
}

void ReadMotor(const Json& value, const std::string& path, MotorParams& m, ErrorList& errors) {
  Members motor(value, path, errors,
                {"winding", "R", "L", "K", "detent", "pole_pairs", "Jm", "Jload", "transmission", "viscous_friction",
                 "coulomb_friction", "phases"});
  m.winding = motor.Pick("winding", m.winding,
                         {{"two-phase", Winding::TwoPhase}, {"star", Winding::ThreeStar}, {"delta", Winding::ThreeDelta}});
  m.resistance_ohm = motor.Number("R", false, 0.0, kMaxResistance_ohm).value_or(m.resistance_ohm);
  m.inductance_H = motor.Number("L", false, 1e-7, kMaxInductance_H).value_or(m.inductance_H);
  m.torque_constant_Nm_per_A = motor.Number("K", false, 0.0, kMaxTorque_Nm).value_or(m.torque_constant_Nm_per_A);
  m.detent_torque_Nm = motor.Number("detent", false, 0.0, kMaxTorque_Nm).value_or(m.detent_torque_Nm);
  m.pole_pairs = IntegerOr(motor, "pole_pairs", m.pole_pairs, 1, 10000);
  m.rotor_inertia_kgm2 = motor.Number("Jm", false, 1e-12, kMaxInertia_kgm2).value_or(m.rotor_inertia_kgm2);
  m.load_inertia_kgm2 = motor.Number("Jload", false, 0.0, kMaxInertia_kgm2).value_or(m.load_inertia_kgm2);
  m.transmission_ratio = motor.Number("transmission", false, 1e-6, kMaxRatio).value_or(m.transmission_ratio);
  m.viscous_friction_Nm_s_per_rad =
      motor.Number("viscous_friction", false, 0.0, kMaxTorque_Nm).value_or(m.viscous_friction_Nm_s_per_rad);
  m.coulomb_friction_Nm = motor.Number("coulomb_friction", false, 0.0, kMaxTorque_Nm).value_or(m.coulomb_friction_Nm);
  if (const Json* phases = motor.Get("phases")) ReadPhases(*phases, motor.PathOf("phases"), m, errors);
}

QuadratureFault ReadQuadratureFault(Members& encoder) {
  return encoder.Pick("fault", QuadratureFault::None,
                      {{"none", QuadratureFault::None},
                       {"no-pulses", QuadratureFault::NoPulses},
                       {"missing-channel", QuadratureFault::MissingChannel}});
}

// The members an incremental and a sine/cosine encoder share.
template <typename Params>
Params ReadLineEncoder(Members& encoder) {
  Params e;
  e.lines = IntegerOr(encoder, "lines", e.lines, 1, kMaxLines);
  e.reversed = encoder.Flag("reversed", false).value_or(e.reversed);
  e.has_index = encoder.Flag("index", false).value_or(e.has_index);
  e.index_angle_rad = encoder.Number("index_angle_rad", false, -kMaxAngle_rad, kMaxAngle_rad).value_or(e.index_angle_rad);
  e.fault = ReadQuadratureFault(encoder);
  return e;
}

SerialEncoderParams ReadSerialEncoder(const Json& value, const std::string& path, ErrorList& errors) {
  Members ssi(value, path, errors, {"protocol", "bits", "multi_turn_bits", "offset", "gray", "reversed", "fault"});
  SerialEncoderParams e;
  e.protocol = ssi.Pick("protocol", e.protocol, {{"ssi", SerialProtocol::SSI}, {"biss", SerialProtocol::BiSS}});
  // A frame holds at most 63 data bits: 32 of position in a turn and 31 of
  // turns.
  e.single_turn_bits = IntegerOr(ssi, "bits", e.single_turn_bits, 1, kMaxSingleTurnBits);
  e.multi_turn_bits = IntegerOr(ssi, "multi_turn_bits", e.multi_turn_bits, 0, kMaxMultiTurnBits);
  const long long last_count = (1LL << e.single_turn_bits) - 1;
  e.offset_counts = static_cast<std::uint64_t>(ssi.Integer("offset", false, 0, last_count).value_or(0));
  e.gray = ssi.Flag("gray", false).value_or(e.gray);
  e.reversed = ssi.Flag("reversed", false).value_or(e.reversed);
  e.fault = ssi.Pick("fault", SerialFault::None,
                     {{"none", SerialFault::None},
                      {"no-response", SerialFault::NoResponse},
                      {"corrupt-frame", SerialFault::CorruptFrame}});
  return e;
}

void ReadSensors(const Json& value, const std::string& path, SensorsConfig& s, ErrorList& errors) {
  Members sensors(value, path, errors, {"shaft", "encoder", "sincos", "ssi"});
  s.shaft = sensors.Pick("shaft", s.shaft, {{"motor", SensorShaft::Motor}, {"load", SensorShaft::Load}});
  if (const Json* encoder = sensors.Get("encoder")) {
    Members fields(*encoder, sensors.PathOf("encoder"), errors, {"lines", "reversed", "index", "index_angle_rad", "fault"});
    s.incremental = ReadLineEncoder<IncrementalEncoderParams>(fields);
  }
  if (const Json* sincos = sensors.Get("sincos")) {
    Members fields(*sincos, sensors.PathOf("sincos"), errors,
                   {"lines", "reversed", "index", "index_angle_rad", "fault", "amplitude_mismatch"});
    SinCosEncoderParams e = ReadLineEncoder<SinCosEncoderParams>(fields);
    e.amplitude_mismatch = fields.Number("amplitude_mismatch", false, -0.5, 0.5).value_or(e.amplitude_mismatch);
    s.sincos = e;
  }
  if (const Json* ssi = sensors.Get("ssi")) s.serial = ReadSerialEncoder(*ssi, sensors.PathOf("ssi"), errors);
}

void ReadLimitSwitches(const Json& value, const std::string& path, LimitSwitchesConfig& switches, ErrorList& errors) {
  Members limits(value, path, errors, {"positive_rad", "negative_rad"});
  switches.positive_rad = limits.Number("positive_rad", false, -kMaxAngle_rad, kMaxAngle_rad);
  switches.negative_rad = limits.Number("negative_rad", false, -kMaxAngle_rad, kMaxAngle_rad);
  if (switches.positive_rad && switches.negative_rad && *switches.negative_rad >= *switches.positive_rad)
    errors.Add(limits.PathOf("negative_rad"), "must lie below positive_rad");
}

std::optional<VoltageOverTime> ReadVoltageOverTime(const Json& value, const std::string& path, ErrorList& errors) {
  if (!value.is_array() || value.empty()) {
    errors.Add(path, fmt::format("must be a non-empty list of [time_s, voltage_V] pairs, found {}", input::Found(value)));
    return std::nullopt;
  }
  std::vector<VoltagePoint> points;
  for (std::size_t k = 0; k < value.size(); ++k) {
    const Json& point = value[k];
    const std::string at = input::ElementPath(path, k);
    if (!point.is_array() || point.size() != 2) {
      errors.Add(at, fmt::format("must be a pair [time_s, voltage_V], found {}", input::Found(point)));
      continue;
    }
    const auto time_s = input::ReadNumber(point[0], input::ElementPath(at, 0), errors, 0.0, kMaxTime_s);
    const auto voltage_V = input::ReadNumber(point[1], input::ElementPath(at, 1), errors, -kMaxVoltage_V, kMaxVoltage_V);
    if (time_s && voltage_V) points.push_back({*time_s, *voltage_V});
  }
  return VoltageOverTime(std::move(points));
}

void ReadPerson(const Json& value, const std::string& path, PersonConfig& person, ErrorList& errors) {
  Members fields(value, path, errors, {"hand_speed_rad_s", "analogue_input", "smooth_speed_limit_rad_s"});
  person.hand_speed_rad_s =
      fields.Number("hand_speed_rad_s", false, -kMaxHandSpeed_rad_s, kMaxHandSpeed_rad_s).value_or(person.hand_speed_rad_s);
  person.smooth_speed_limit_rad_s = fields.Number("smooth_speed_limit_rad_s", false, 0.0, kUnlimitedSpeed_rad_s)
                                        .value_or(person.smooth_speed_limit_rad_s);
  if (const Json* input = fields.Get("analogue_input"))
    person.analogue_input = ReadVoltageOverTime(*input, fields.PathOf("analogue_input"), errors);
}

LinkFault ReadLinkFault(const Json& value, const std::string& path, ErrorList& errors) {
  Members fields(value, path, errors, {"from_call", "text"});
  LinkFault fault;
  fault.from_call = IntegerOr(fields, "from_call", 1, 1, kMaxCall);
  fault.text = fields.Text("text", false, false).value_or(fault.text);
  return fault;
}

void ReadFaults(const Json& value, const std::string& path, FaultsConfig& faults, ErrorList& errors) {
  Members fields(value, path, errors, {"read", "write", "mer", "enable_input_off"});
  if (const Json* read = fields.Get("read")) faults.read = ReadLinkFault(*read, fields.PathOf("read"), errors);
  if (const Json* write = fields.Get("write")) faults.write = ReadLinkFault(*write, fields.PathOf("write"), errors);
  faults.enable_input_off = fields.Flag("enable_input_off", false).value_or(faults.enable_input_off);
  const Json* mer = fields.Get("mer");
  if (!mer || !input::ReadList(*mer, fields.PathOf("mer"), errors, "a list of {\"time_s\", \"bits\"}")) return;
  for (std::size_t k = 0; k < mer->size(); ++k) {
    Members event((*mer)[k], input::ElementPath(fields.PathOf("mer"), k), errors, {"time_s", "bits"});
    faults.mer.push_back({event.Number("time_s", false, 0.0, kMaxTime_s).value_or(0.0),
                          static_cast<std::uint16_t>(event.Integer("bits", false, 0, 0xFFFF).value_or(0))});
  }
}

void ReadSimulation(const Json& value, SimulationConfig& config, ErrorList& errors) {
  Members top(value, std::string(kRoot), errors,
              {"seed", "motor", "supply_V", "analogue_inputs_range_V", "current_sensor", "initial_angle_rad", "sensors",
               "limit_switches", "person", "faults"});
  config.current_sensor.seed = static_cast<std::uint64_t>(top.Integer("seed", false, 0, 1 << 30).value_or(1));
  if (const Json* motor = top.Get("motor")) ReadMotor(*motor, top.PathOf("motor"), config.motor, errors);
  config.supply_V = top.Number("supply_V", false, 0.0, kMaxVoltage_V).value_or(config.supply_V);
  config.analogue_inputs_range_V =
      top.Number("analogue_inputs_range_V", false, 0.0, kMaxVoltage_V).value_or(config.analogue_inputs_range_V);
  if (const Json* sensor = top.Get("current_sensor")) {
    Members fields(*sensor, top.PathOf("current_sensor"), errors, {"full_scale_A", "bits", "noise_A"});
    auto& c = config.current_sensor;
    c.full_scale_A = fields.Number("full_scale_A", false, 1e-6, kMaxCurrent_A).value_or(c.full_scale_A);
    c.converter_bits = IntegerOr(fields, "bits", c.converter_bits, 1, 16);
    c.noise_rms_A = fields.Number("noise_A", false, 0.0, kMaxCurrent_A).value_or(c.noise_rms_A);
  }
  config.initial_angle_rad =
      top.Number("initial_angle_rad", false, -kMaxAngle_rad, kMaxAngle_rad).value_or(config.initial_angle_rad);
  if (const Json* sensors = top.Get("sensors")) ReadSensors(*sensors, top.PathOf("sensors"), config.sensors, errors);
  if (const Json* limits = top.Get("limit_switches"))
    ReadLimitSwitches(*limits, top.PathOf("limit_switches"), config.limit_switches, errors);
  if (const Json* person = top.Get("person")) ReadPerson(*person, top.PathOf("person"), config.person, errors);
  if (const Json* faults = top.Get("faults")) ReadFaults(*faults, top.PathOf("faults"), config.faults, errors);
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
// ampere of the drive's current vector, the line currents. Three windings at
// 120° each add their share, so together they give 3/2 of one winding's
// constant: each winding of a star carries 2/3 of "K". A delta's windings
// carry the line current vector divided by sqrt(3), so each of them carries
// sqrt(3) times that.
void ToWindingTorqueConstant(MotorParams& m) {
  if (m.winding == Winding::ThreeStar) m.torque_constant_Nm_per_A *= 2.0 / 3.0;
  if (m.winding == Winding::ThreeDelta) m.torque_constant_Nm_per_A *= 2.0 / std::numbers::sqrt3;
}

}  // namespace

SimulationConfigParse ParseSimulation(const CVX_Setup& setup, std::string_view text) {
  SimulationConfigParse result;
  SimulationConfig config = NominalSimulation(setup);
  if (text.find_first_not_of(" \t\r\n") != std::string_view::npos) {
    // The object sits one level down in a setup document, and must fit there.
    input::ParsedJson parsed = input::ParseJson(text, {.maxDepth = kMaxSimulationDepth, .root = kRoot});
    ErrorList errors;
    errors.Append(std::move(parsed.errors));
    if (parsed.value) ReadSimulation(*parsed.value, config, errors);
    if (!errors.Empty()) {
      result.errors = errors.Take();
      result.error = input::ErrorLines(result.errors);
      return result;
    }
  }
  ToWindingTorqueConstant(config.motor);
  result.config = config;
  return result;
}

}  // namespace drive
