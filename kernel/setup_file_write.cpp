// The document of a setup, and its layout as text.

#include <cmath>
#include <cstdint>

#include <fmt/format.h>

#include "kernel/setup_file_json.h"
#include "kernel/value_type.h"

namespace kernel::setup_file {
namespace {

constexpr int kDefaultDecimals = 3;
// Every integer below 2^53 is a double exactly.
constexpr double kExactIntegers = 9007199254740992.0;

// Whole numbers are written without a fraction ("1200", not "1200.0"): both
// read back as the same double. Other values get the shortest text that
// reads back bit for bit; -0.0 keeps its sign that way.
Json NumberJson(double value) {
  if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < kExactIntegers &&
      !(value == 0.0 && std::signbit(value)))
    return Json(static_cast<std::int64_t>(value));
  return Json(value);
}

Json DriveJson(const CVX_DriveIdentity& identity) {
  Json drive = Json::object();
  Append(drive, "description", identity.description);
  Append(drive, "firmware", identity.firmwareId);
  Append(drive, "product", identity.productId);
  Append(drive, "userApplication", identity.userAppId);
  Append(drive, "e2romSize", identity.e2romSize);
  Append(drive, "adcMaxValue", identity.adcMaxValue);
  Append(drive, "helpFile", identity.helpFile);
  return drive;
}

Json FrequenciesJson(const CVX_FrequencyList& list, std::string_view key, std::vector<std::string>& problems) {
  if (list.kHz.size() != list.codes.size())
    problems.push_back(fmt::format("capabilities.{}: {} frequencies but {} codes", key, list.kHz.size(),
                                   list.codes.size()));
  Json entries = Json::array();
  for (std::size_t i = 0; i < list.kHz.size() && i < list.codes.size(); ++i) {
    Json entry = Json::object();
    Append(entry, "kHz", list.kHz[i]);
    Append(entry, "code", list.codes[i]);
    entries.push_back(std::move(entry));
  }
  return entries;
}

Json CapabilitiesJson(const CVX_DriveCapabilities& caps, std::vector<std::string>& problems) {
  Json result = Json::object();
  Json& names = Append(result, "sensorNames", Json::object());
  for (const auto& [type, name] : caps.sensorNames) Append(names, std::to_string(type), name);
  Json& inputs = Append(result, "sensorInputs", Json::array());
  for (const CVX_SensorInput& input : caps.sensorInputs) {
    Json entry = Json::object();
    Append(entry, "name", input.name);
    Append(entry, "motor", input.motorSensorTypes);
    Append(entry, "load", input.loadSensorTypes);
    Append(entry, "digitalReference", input.digitalReference);
    inputs.push_back(std::move(entry));
  }
  Append(result, "ssiFrequencies", FrequenciesJson(caps.ssiFrequencies, "ssiFrequencies", problems));
  Append(result, "bissFrequencies", FrequenciesJson(caps.bissFrequencies, "bissFrequencies", problems));
  Append(result, "ssiFrequenciesLoad", FrequenciesJson(caps.ssiFrequenciesLoad, "ssiFrequenciesLoad", problems));
  Append(result, "bissFrequenciesLoad", FrequenciesJson(caps.bissFrequenciesLoad, "bissFrequenciesLoad", problems));
  Json& ports = Append(result, "ioPorts", Json::array());
  for (const CVX_IOPort& port : caps.ioPorts) {
    Json entry = Json::object();
    Append(entry, "port", port.port);
    Append(entry, "pin", port.pin);
    Append(entry, "brake", port.brakeFlags);
    Append(entry, "inverted", port.inverted);
    ports.push_back(std::move(entry));
  }
  return result;
}

Json UnitsJson(const std::vector<CVX_UnitFamily>& families) {
  Json units = Json::object();
  for (const CVX_UnitFamily& family : families) {
    Json& derived = Append(units, family.base.name, Json::object());
    for (const CVX_Unit& unit : family.derived) {
      Json entry = Json::object();
      Append(entry, "factor", NumberJson(unit.factor));
      if (unit.offset != 0.0 || std::signbit(unit.offset)) Append(entry, "offset", NumberJson(unit.offset));
      Append(derived, unit.name, std::move(entry));
    }
  }
  return units;
}

Json VariablesJson(const std::vector<CVX_Variable*>& variables) {
  Json list = Json::array();
  for (const CVX_Variable* variable : variables) {
    Json entry = Json::object();
    Append(entry, "name", variable->GetName());
    Append(entry, "axis", variable->GetAxis());
    Append(entry, "type", std::string(ValueTypeName(variable->GetValueType())));
    Append(entry, "unit", variable->GetUnitType());
    const std::string& display = variable->GetUnitName();
    if (!display.empty() && display != variable->GetUnitType()) Append(entry, "display", display);
    list.push_back(std::move(entry));
  }
  return list;
}

Json ParameterJson(const CVX_Parameter& parameter, std::vector<std::string>& problems) {
  const double internal = parameter.GetValueInInternalUnit();
  const std::string path = MemberPath("parameters", parameter.GetName());
  if (!std::isfinite(internal)) problems.push_back(path + ": the internal value " + NumberText(internal) + " is not finite");
  const double min = parameter.GetMinimum();
  const double max = parameter.GetMaximum();
  // No limit is written by leaving it out, so only those two infinities can be.
  if (!std::isfinite(min) && min != CVX_Parameter::kNoMinimum)
    problems.push_back(path + ": the minimum " + NumberText(min) + " cannot be written");
  if (!std::isfinite(max) && max != CVX_Parameter::kNoMaximum)
    problems.push_back(path + ": the maximum " + NumberText(max) + " cannot be written");

  const bool bare = parameter.GetValueType() == ValueType::kDouble && parameter.GetUnitType().empty() &&
                    !std::isfinite(min) && !std::isfinite(max) && parameter.GetDecimals() == kDefaultDecimals;
  if (bare) return NumberJson(internal);

  Json entry = Json::object();
  Append(entry, "internal", NumberJson(internal));
  if (parameter.GetValueType() != ValueType::kDouble)
    Append(entry, "type", std::string(ValueTypeName(parameter.GetValueType())));
  const std::string& unitType = parameter.GetUnitType();
  if (!unitType.empty()) {
    Append(entry, "unit", unitType);
    const std::string& display = parameter.GetUnitName();
    if (!display.empty() && display != unitType) Append(entry, "display", display);
  }
  if (std::isfinite(min)) Append(entry, "min", NumberJson(min));
  if (std::isfinite(max)) Append(entry, "max", NumberJson(max));
  if (parameter.GetDecimals() != kDefaultDecimals) Append(entry, "decimals", parameter.GetDecimals());
  return entry;
}

// A container is laid out one member per line near the top, where a reader
// scans the sections and their entries; deeper ones stay on one line.
bool Expanded(const Json& value, int depth) {
  if (!value.is_structured() || value.empty()) return false;
  if (depth < 2) return true;
  if (depth > 2) return false;
  for (const Json& member : value)
    if (member.is_structured()) return true;
  return false;
}

void WriteValue(const Json& value, int depth, Json::error_handler_t handler, std::string& out) {
  if (!value.is_structured()) {
    out += value.dump(-1, ' ', false, handler);
    return;
  }
  const bool object = value.is_object();
  const bool expanded = Expanded(value, depth);
  out += object ? '{' : '[';
  bool first = true;
  for (auto it = value.begin(); it != value.end(); ++it) {
    if (!first) out += expanded ? "," : ", ";
    first = false;
    if (expanded) {
      out += '\n';
      out.append(2 * (depth + 1), ' ');
    }
    if (object) {
      out += Json(it.key()).dump(-1, ' ', false, handler);
      out += ": ";
    }
    WriteValue(it.value(), depth + 1, handler, out);
  }
  if (expanded) {
    out += '\n';
    out.append(2 * depth, ' ');
  }
  out += object ? '}' : ']';
}

}  // namespace

Json BuildDocument(const CVX_Setup& setup, std::vector<std::string>& problems) {
  Json document = Json::object();
  Append(document, "format", "drivesetup-setup");
  Append(document, "version", 1);
  Append(document, "drive", DriveJson(setup.GetIdentity()));
  Append(document, "capabilities", CapabilitiesJson(setup.GetCapabilities(), problems));
  Json& options = Append(document, "options", Json::object());
  for (const auto& [name, text] : setup.GetOptions()) Append(options, name, text);
  Append(document, "units", UnitsJson(setup.GetUnits()));
  Append(document, "variables", VariablesJson(setup.GetVariables()));
  Json& parameters = Append(document, "parameters", Json::object());
  for (const CVX_Parameter* parameter : setup.GetParameters())
    Append(parameters, parameter->GetName(), ParameterJson(*parameter, problems));

  const std::string& simulation = setup.GetSimulationDocument();
  if (!simulation.empty()) {
    // It sits one level down in the document.
    ParsedJson parsed = ParseSimulationJson(simulation);
    if (parsed.value) Append(document, "simulation", std::move(*parsed.value));
    else problems.push_back("simulation: the stored description is not valid JSON: " + parsed.errors.front().Text());
  }
  return document;
}

std::string WriteDocument(const Json& document, Json::error_handler_t handler) {
  std::string text;
  WriteValue(document, 0, handler, text);
  text += '\n';
  return text;
}

}  // namespace kernel::setup_file
