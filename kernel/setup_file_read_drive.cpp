// The "drive" and "capabilities" sections: what the drive is and what it
// can do, as its description states it.

#include <charconv>
#include <set>

#include <fmt/format.h>

#include "kernel/setup_file_read.h"

namespace kernel::setup_file {
namespace {

// Sensor types are the values of "MotorSensorType" and "LoadSensorType".
constexpr int kMaxSensorType = 15;

// "0".."15" exactly as written by the save: no sign, no leading zero.
std::optional<int> SensorTypeKey(const std::string& key) {
  int type = -1;
  const char* end = key.data() + key.size();
  const auto [last, error] = std::from_chars(key.data(), end, type);
  if (error != std::errc() || last != end || type < 0 || type > kMaxSensorType) return std::nullopt;
  if (key != std::to_string(type)) return std::nullopt;
  return type;
}

std::map<int, std::string> ReadSensorNames(const Json& value, const std::string& path, ErrorList& errors) {
  std::map<int, std::string> names;
  if (!value.is_object()) {
    errors.Add(path, fmt::format("must be an object, found {}", KindOf(value)));
    return names;
  }
  for (auto it = value.begin(); it != value.end(); ++it) {
    const std::string memberPath = MemberPath(path, it.key());
    const auto type = SensorTypeKey(it.key());
    if (!type) errors.Add(memberPath, fmt::format("key must be a sensor type from 0 to {}", kMaxSensorType));
    const auto name = ReadText(it.value(), memberPath, errors);
    // A faulty name still declares the type, so its uses bring no follow-on errors.
    if (type) names[*type] = name.value_or("");
  }
  return names;
}

// A list of sensor types that an input reads; each must be named.
std::vector<int> ReadSensorTypes(const Json* value, const std::string& path, const std::map<int, std::string>& names,
                                 ErrorList& errors) {
  std::vector<int> types;
  if (!value) return types;
  if (!value->is_array()) {
    errors.Add(path, fmt::format("must be a list of sensor types, found {}", KindOf(*value)));
    return types;
  }
  std::set<int> seen;
  for (std::size_t i = 0; i < value->size(); ++i) {
    const std::string elementPath = ElementPath(path, i);
    const auto type = ReadInteger((*value)[i], elementPath, errors, 0, kMaxSensorType);
    if (!type) continue;
    if (!seen.insert(static_cast<int>(*type)).second)
      errors.Add(elementPath, fmt::format("sensor type {} is listed twice", *type));
    else if (!names.contains(static_cast<int>(*type)))
      errors.Add(elementPath, fmt::format("sensor type {} has no name in capabilities.sensorNames", *type));
    types.push_back(static_cast<int>(*type));
  }
  return types;
}

std::vector<CVX_SensorInput> ReadSensorInputs(const Json& value, const std::string& path,
                                              const std::map<int, std::string>& names, ErrorList& errors) {
  std::vector<CVX_SensorInput> inputs;
  if (!value.is_array()) {
    errors.Add(path, fmt::format("must be a list, found {}", KindOf(value)));
    return inputs;
  }
  for (std::size_t i = 0; i < value.size(); ++i) {
    Members input(value[i], ElementPath(path, i), errors, {"name", "motor", "load", "digitalReference"});
    CVX_SensorInput result;
    result.name = input.Text("name", true).value_or("");
    result.motorSensorTypes = ReadSensorTypes(input.Get("motor"), input.PathOf("motor"), names, errors);
    result.loadSensorTypes = ReadSensorTypes(input.Get("load"), input.PathOf("load"), names, errors);
    result.digitalReference = input.Flag("digitalReference", false).value_or(false);
    inputs.push_back(std::move(result));
  }
  return inputs;
}

CVX_FrequencyList ReadFrequencies(const Json& value, const std::string& path, ErrorList& errors) {
  CVX_FrequencyList list;
  if (!value.is_array()) {
    errors.Add(path, fmt::format("must be a list, found {}", KindOf(value)));
    return list;
  }
  for (std::size_t i = 0; i < value.size(); ++i) {
    Members entry(value[i], ElementPath(path, i), errors, {"kHz", "code"});
    const auto kHz = entry.Integer("kHz", true, 1);
    const auto code = entry.Integer("code", true, 0);
    if (!kHz || !code) continue;
    // The dialogs offer the list in this order and pick by position.
    if (!list.kHz.empty() && *kHz <= list.kHz.back())
      errors.Add(entry.PathOf("kHz"),
                 fmt::format("{} does not ascend from the previous {}", *kHz, list.kHz.back()));
    list.kHz.push_back(static_cast<int>(*kHz));
    list.codes.push_back(static_cast<int>(*code));
  }
  return list;
}

std::vector<CVX_IOPort> ReadIOPorts(const Json& value, const std::string& path, ErrorList& errors) {
  std::vector<CVX_IOPort> ports;
  if (!value.is_array()) {
    errors.Add(path, fmt::format("must be a list, found {}", KindOf(value)));
    return ports;
  }
  // Ports and pins map one to one (GetIOPinFromPort, GetIOPortFromPin).
  std::map<long long, std::size_t> portAt;
  std::map<long long, std::size_t> pinAt;
  for (std::size_t i = 0; i < value.size(); ++i) {
    Members entry(value[i], ElementPath(path, i), errors, {"port", "pin", "brake", "inverted"});
    const auto port = entry.Integer("port", true, 0);
    const auto pin = entry.Integer("pin", true, 0);
    const auto brake = entry.Integer("brake", false, 0);
    const auto inverted = entry.Flag("inverted", false);
    if (port && !portAt.emplace(*port, i).second)
      errors.Add(entry.PathOf("port"), fmt::format("port {} is already {}", *port, ElementPath(path, portAt[*port])));
    if (pin && !pinAt.emplace(*pin, i).second)
      errors.Add(entry.PathOf("pin"), fmt::format("pin {} is already {}", *pin, ElementPath(path, pinAt[*pin])));
    ports.push_back(CVX_IOPort{static_cast<int>(port.value_or(0)), static_cast<int>(pin.value_or(0)),
                               static_cast<int>(brake.value_or(0)), inverted.value_or(false)});
  }
  return ports;
}

}  // namespace

void ReadDrive(const Json& value, CVX_Setup& setup, ErrorList& errors) {
  Members drive(value, "drive", errors,
                {"description", "firmware", "product", "userApplication", "e2romSize", "adcMaxValue", "helpFile"});
  CVX_DriveIdentity identity;
  identity.description = drive.Text("description", true).value_or("");
  identity.firmwareId = drive.Text("firmware", true).value_or("");
  identity.productId = drive.Text("product", true).value_or("");
  identity.userAppId = drive.Text("userApplication", true).value_or("");
  identity.e2romSize = static_cast<int>(drive.Integer("e2romSize", true, 0).value_or(0));
  // The current and voltage scales divide by it.
  identity.adcMaxValue = static_cast<int>(drive.Integer("adcMaxValue", true, 1).value_or(0));
  identity.helpFile = drive.Text("helpFile", false).value_or("");
  setup.SetIdentity(identity);
}

void ReadCapabilities(const Json& value, CVX_Setup& setup, ErrorList& errors) {
  Members caps(value, "capabilities", errors,
               {"sensorNames", "sensorInputs", "ssiFrequencies", "bissFrequencies", "ssiFrequenciesLoad",
                "bissFrequenciesLoad", "ioPorts"});
  CVX_DriveCapabilities result;
  if (const Json* names = caps.Get("sensorNames"))
    result.sensorNames = ReadSensorNames(*names, caps.PathOf("sensorNames"), errors);
  if (const Json* inputs = caps.Get("sensorInputs"))
    result.sensorInputs = ReadSensorInputs(*inputs, caps.PathOf("sensorInputs"), result.sensorNames, errors);
  const std::pair<const char*, CVX_FrequencyList*> lists[] = {
      {"ssiFrequencies", &result.ssiFrequencies},
      {"bissFrequencies", &result.bissFrequencies},
      {"ssiFrequenciesLoad", &result.ssiFrequenciesLoad},
      {"bissFrequenciesLoad", &result.bissFrequenciesLoad},
  };
  for (const auto& [key, list] : lists)
    if (const Json* frequencies = caps.Get(key)) *list = ReadFrequencies(*frequencies, caps.PathOf(key), errors);
  if (const Json* ports = caps.Get("ioPorts")) result.ioPorts = ReadIOPorts(*ports, caps.PathOf("ioPorts"), errors);
  setup.SetCapabilities(result);
}

}  // namespace kernel::setup_file
