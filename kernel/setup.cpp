#include "kernel/setup.h"

#include <algorithm>
#include <charconv>
#include <fmt/format.h>

#include "kernel/errors.h"
#include "kernel/missing_value.h"
#include "kernel/name_key.h"

namespace {

std::string VariableKey(std::string_view name, int axis) {
  return std::to_string(axis) + '\n' + kernel::NameKey(name);
}

bool Contains(const std::vector<int>& values, int value) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

// A conversion nests when a scale factor reads other values; a chain this
// deep is a loop the name check missed, not a real setup.
constexpr size_t kMaxConversionDepth = 64;

}  // namespace

CVX_Setup::CVX_Setup() = default;
CVX_Setup::~CVX_Setup() = default;

CVX_Setup::CVX_Setup(const CVX_Setup& other) { CopyFrom(other); }

CVX_Setup& CVX_Setup::operator=(const CVX_Setup& other) {
  if (this != &other) CopyFrom(other);
  return *this;
}

bool CVX_Setup::SetFirmwareID(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < ' ' || c > '~') return false;
  m_identity.firmwareId = text;
  return true;
}

void CVX_Setup::CopyFrom(const CVX_Setup& other) {
  m_parameters.clear();
  m_parameterOrder.clear();
  m_parameterIndex.clear();
  for (const CVX_Parameter* p : other.m_parameterOrder) {
    m_parameters.push_back(std::make_unique<CVX_Parameter>(this, *p));
    m_parameterOrder.push_back(m_parameters.back().get());
    m_parameterIndex.emplace(kernel::NameKey(p->GetName()), m_parameters.back().get());
  }
  m_variables.clear();
  m_variableOrder.clear();
  m_variableIndex.clear();
  for (const CVX_Variable* v : other.m_variableOrder) {
    m_variables.push_back(std::make_unique<CVX_Variable>(this, *v));
    m_variableOrder.push_back(m_variables.back().get());
    m_variableIndex.emplace(VariableKey(v->GetName(), v->GetAxis()), m_variables.back().get());
  }
  m_options = other.m_options;
  m_optionIndex = other.m_optionIndex;
  m_units = other.m_units;
  m_identity = other.m_identity;
  m_capabilities = other.m_capabilities;
  m_simulation = other.m_simulation;
  m_converting.clear();
}

// ----- parameters -----

CVX_Parameter* CVX_Setup::FindParameter(std::string_view name) {
  return const_cast<CVX_Parameter*>(std::as_const(*this).FindParameter(name));
}

const CVX_Parameter* CVX_Setup::FindParameter(std::string_view name) const {
  auto it = m_parameterIndex.find(kernel::NameKey(name));
  if (it != m_parameterIndex.end()) return it->second;
  kernel::ReportError(fmt::format("parameter \"{}\" not found", name));
  return nullptr;
}

CVX_Parameter* CVX_Setup::AddParameter(std::string_view name) {
  std::string key = kernel::NameKey(name);
  if (name.empty() || m_parameterIndex.count(key)) {
    kernel::ReportError(fmt::format("parameter \"{}\" cannot be added: the name is empty or taken", name));
    return nullptr;
  }
  m_parameters.push_back(std::make_unique<CVX_Parameter>(this, std::string(name), GetParametersCount()));
  CVX_Parameter* added = m_parameters.back().get();
  m_parameterOrder.push_back(added);
  m_parameterIndex.emplace(std::move(key), added);
  return added;
}

double CVX_Setup::GetParameterValueInBaseUnit(std::string_view name) const {
  const CVX_Parameter* p = FindParameter(name);
  return p ? p->GetValueInBaseUnit() : kMissingValue;
}

double CVX_Setup::GetParameterValueInInternalUnit(std::string_view name) const {
  const CVX_Parameter* p = FindParameter(name);
  return p ? p->GetValueInInternalUnit() : kMissingValue;
}

int CVX_Setup::SetParameterValueInBaseUnit(std::string_view name, double value) {
  CVX_Parameter* p = FindParameter(name);
  return p ? p->SetValueInBaseUnit(value) : 0;
}

int CVX_Setup::SetParameterValueInInternalUnit(std::string_view name, double value) {
  CVX_Parameter* p = FindParameter(name);
  return p ? p->SetValueInInternalUnit(value) : 0;
}

// ----- options -----

int CVX_Setup::GetIntOption(std::string_view name) const {
  const std::string text = GetOptionNoError(name);
  const char* first = text.data();
  const char* last = text.data() + text.size();
  while (first < last && (*first == ' ' || *first == '\t')) ++first;
  if (first < last && *first == '+') ++first;
  int value = 0;
  const auto [ptr, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || ptr == first) return 0;
  return value;
}

std::string CVX_Setup::GetOptionNoError(std::string_view name) const {
  auto it = m_optionIndex.find(kernel::NameKey(name));
  return it == m_optionIndex.end() ? std::string() : m_options[it->second].second;
}

bool CVX_Setup::HasOption(std::string_view name) const { return m_optionIndex.count(kernel::NameKey(name)) != 0; }

void CVX_Setup::SetOption(std::string_view name, std::string_view text) {
  std::string key = kernel::NameKey(name);
  auto it = m_optionIndex.find(key);
  if (it != m_optionIndex.end()) {
    m_options[it->second].second = std::string(text);
    return;
  }
  m_options.emplace_back(std::string(name), std::string(text));
  m_optionIndex.emplace(std::move(key), m_options.size() - 1);
}

void CVX_Setup::ClearOption(std::string_view name) {
  auto it = m_optionIndex.find(kernel::NameKey(name));
  if (it == m_optionIndex.end()) return;
  m_options.erase(m_options.begin() + static_cast<std::ptrdiff_t>(it->second));
  m_optionIndex.clear();
  for (size_t i = 0; i < m_options.size(); ++i) m_optionIndex.emplace(kernel::NameKey(m_options[i].first), i);
}

std::vector<std::pair<std::string, std::string>> CVX_Setup::GetOptions() const { return m_options; }

// ----- units -----

const CVX_Unit* CVX_Setup::FindUnit(std::string_view name) const { return m_units.Find(name); }

bool CVX_Setup::AddUnitFamily(std::string_view baseUnit) { return m_units.AddFamily(baseUnit); }

bool CVX_Setup::RemoveUnitFamily(std::string_view baseUnit) { return m_units.RemoveFamily(baseUnit); }

bool CVX_Setup::MergeDerivedUnit(std::string_view name, std::string_view baseUnit, double factor, double offset) {
  if (m_units.MergeDerived(name, baseUnit, factor, offset)) return true;
  kernel::ReportError(fmt::format("unit \"{}\" cannot be merged into \"{}\" (factor {}, offset {})", name, baseUnit,
                                  factor, offset));
  return false;
}

bool CVX_Setup::RemoveUnit(std::string_view name) {
  if (m_units.RemoveDerived(name)) return true;
  kernel::ReportError(fmt::format("unit \"{}\" cannot be removed: it is not a derived unit of this setup", name));
  return false;
}

// ----- drive variables -----

CVX_Variable* CVX_Setup::FindVariable(std::string_view name, int axis) {
  return const_cast<CVX_Variable*>(std::as_const(*this).FindVariable(name, axis));
}

const CVX_Variable* CVX_Setup::FindVariable(std::string_view name, int axis) const {
  auto it = m_variableIndex.find(VariableKey(name, axis));
  if (it != m_variableIndex.end()) return it->second;
  kernel::ReportError(fmt::format("variable \"{}\" of axis {} not found", name, axis));
  return nullptr;
}

CVX_Variable* CVX_Setup::AddVariable(std::string_view name, int axis) {
  std::string key = VariableKey(name, axis);
  if (name.empty() || m_variableIndex.count(key)) {
    kernel::ReportError(fmt::format("variable \"{}\" of axis {} cannot be added: the name is empty or taken", name, axis));
    return nullptr;
  }
  m_variables.push_back(std::make_unique<CVX_Variable>(this, std::string(name), axis));
  CVX_Variable* added = m_variables.back().get();
  m_variableOrder.push_back(added);
  m_variableIndex.emplace(std::move(key), added);
  return added;
}

// ----- capabilities -----

bool CVX_Setup::HasDLMotorSensor(int type) const {
  for (const CVX_SensorInput& input : m_capabilities.sensorInputs)
    if (Contains(input.motorSensorTypes, type)) return true;
  return false;
}

bool CVX_Setup::HasDLLoadSensor(int type) const {
  for (const CVX_SensorInput& input : m_capabilities.sensorInputs)
    if (Contains(input.loadSensorTypes, type)) return true;
  return false;
}

std::string CVX_Setup::GetSensorName(int type) const {
  auto it = m_capabilities.sensorNames.find(type);
  return it == m_capabilities.sensorNames.end() ? std::string() : it->second;
}

std::string CVX_Setup::GetFeedbackName(int connector) const {
  if (connector < 0 || connector >= static_cast<int>(m_capabilities.sensorInputs.size())) return {};
  return m_capabilities.sensorInputs[connector].name;
}

int CVX_Setup::GetDLMaxSensorValue() const {
  return m_capabilities.sensorNames.empty() ? 0 : m_capabilities.sensorNames.rbegin()->first;
}

int CVX_Setup::GetDLMaxConnectorValue() const {
  return std::max(0, static_cast<int>(m_capabilities.sensorInputs.size()) - 1);
}

int CVX_Setup::GetIOPinFromPort(int port) const {
  for (const CVX_IOPort& p : m_capabilities.ioPorts)
    if (p.port == port) return p.pin;
  return -1;
}

int CVX_Setup::GetIOPortFromPin(int pin) const {
  for (const CVX_IOPort& p : m_capabilities.ioPorts)
    if (p.pin == pin) return p.port;
  return -1;
}

int CVX_Setup::IsBrakePortEnable(int port) const {
  for (const CVX_IOPort& p : m_capabilities.ioPorts)
    if (p.port == port) return p.brakeFlags;
  return 0;
}

bool CVX_Setup::IsIOVX3PortInverted(int port) const {
  for (const CVX_IOPort& p : m_capabilities.ioPorts)
    if (p.port == port) return p.inverted;
  return false;
}

int CVX_Setup::GetNumberOfBrakeOutputs() const {
  return static_cast<int>(std::count_if(m_capabilities.ioPorts.begin(), m_capabilities.ioPorts.end(),
                                        [](const CVX_IOPort& p) { return p.brakeFlags != 0; }));
}

// ----- unit conversion -----

std::optional<kernel::Scale> CVX_Setup::ScaleOf(const std::string& unitType, const std::string& name) const {
  if (unitType.empty()) return kernel::Scale{};
  const kernel::ScaleFactorFn factorFn = kernel::InstalledScaleFactor();
  const kernel::ScaleOffsetFn offsetFn = kernel::InstalledScaleOffset();
  if (!factorFn && !offsetFn) return kernel::Scale{};

  const bool reentered = std::any_of(m_converting.begin(), m_converting.end(),
                                     [&](const std::string& n) { return kernel::SameName(n, name); });
  if (reentered || m_converting.size() >= kMaxConversionDepth) {
    std::string chain;
    for (const std::string& n : m_converting) chain += "\"" + n + "\" -> ";
    kernel::ReportError(fmt::format("the unit conversion of \"{}\" ({}) depends on itself: {}\"{}\"", name, unitType,
                                    chain, name));
    return std::nullopt;
  }
  m_converting.push_back(name);
  CVX_Setup* self = const_cast<CVX_Setup*>(this);  // the scale functions only read
  kernel::Scale scale;
  if (factorFn) scale.factor = factorFn(self, unitType.c_str(), name.c_str());
  if (offsetFn) scale.offset = offsetFn(self, unitType.c_str());
  m_converting.pop_back();
  return scale;
}
