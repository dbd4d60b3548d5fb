#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "kernel/drive_description.h"
#include "kernel/parameter.h"
#include "kernel/unit_scale.h"
#include "kernel/units.h"
#include "kernel/variable.h"

// The setup document: parameters in index order, options, unit families,
// drive variables, and the description of the drive it is for. Every
// look-up by name ignores letter case and costs O(1).
//
// A failed look-up reports an error through the kernel error channel unless
// g_bShowErrors is 0 (see kernel/errors.h and kernel/probe.h).
class CVX_Setup {
 public:
  CVX_Setup();
  ~CVX_Setup();
  // A copy is a separate document: its parameters and variables belong to it.
  CVX_Setup(const CVX_Setup& other);
  CVX_Setup& operator=(const CVX_Setup& other);

  // ----- parameters -----
  CVX_Parameter* FindParameter(std::string_view name);
  const CVX_Parameter* FindParameter(std::string_view name) const;
  // Appends a parameter; nullptr (with an error) when the name is taken.
  CVX_Parameter* AddParameter(std::string_view name);
  const std::vector<CVX_Parameter*>& GetParameters() const { return m_parameterOrder; }
  int GetParametersCount() const { return static_cast<int>(m_parameterOrder.size()); }

  // kMissingValue when the parameter does not exist.
  double GetParameterValueInBaseUnit(std::string_view name) const;
  double GetParameterValueInInternalUnit(std::string_view name) const;
  // 1 when stored, 0 when the parameter is missing or the value refused.
  int SetParameterValueInBaseUnit(std::string_view name, double value);
  int SetParameterValueInInternalUnit(std::string_view name, double value);

  // ----- options -----
  // The option's integer value; 0 when absent or not a number.
  int GetIntOption(std::string_view name) const;
  // The option's text; empty when absent (never an error).
  std::string GetOptionNoError(std::string_view name) const;
  bool HasOption(std::string_view name) const;
  void SetOption(std::string_view name, std::string_view text);
  void ClearOption(std::string_view name);
  // Options in the order they were first set.
  std::vector<std::pair<std::string, std::string>> GetOptions() const;

  // ----- units -----
  const CVX_Unit* FindUnit(std::string_view name) const;
  bool AddUnitFamily(std::string_view baseUnit);
  // Removes a family and its derived units; the caller sees that no
  // parameter or variable is left in it.
  bool RemoveUnitFamily(std::string_view baseUnit);
  bool MergeDerivedUnit(std::string_view name, std::string_view baseUnit, double factor, double offset);
  bool RemoveUnit(std::string_view name);
  const std::vector<CVX_UnitFamily>& GetUnits() const { return m_units.Families(); }

  // ----- drive variables -----
  CVX_Variable* FindVariable(std::string_view name, int axis);
  const CVX_Variable* FindVariable(std::string_view name, int axis) const;
  CVX_Variable* AddVariable(std::string_view name, int axis);
  const std::vector<CVX_Variable*>& GetVariables() const { return m_variableOrder; }

  // ----- the drive: identity -----
  const CVX_DriveIdentity& GetIdentity() const { return m_identity; }
  void SetIdentity(const CVX_DriveIdentity& identity) { m_identity = identity; }
  const std::string& GetDescription() const { return m_identity.description; }
  void SetDescription(std::string_view text) { m_identity.description = text; }
  const std::string& GetFirmwareID() const { return m_identity.firmwareId; }
  // false, keeping the present identifier, for a text that names no
  // firmware: empty, or with a character outside printable ASCII.
  bool SetFirmwareID(std::string_view text);
  const std::string& GetProductID() const { return m_identity.productId; }
  void SetProductID(std::string_view text) { m_identity.productId = text; }
  const std::string& GetUserAppID() const { return m_identity.userAppId; }
  void SetUserAppID(std::string_view text) { m_identity.userAppId = text; }
  int GetE2ROMSize() const { return m_identity.e2romSize; }
  void SetE2ROMSize(int bytes) { m_identity.e2romSize = bytes; }

  // ----- the drive: capabilities -----
  const CVX_DriveCapabilities& GetCapabilities() const { return m_capabilities; }
  void SetCapabilities(const CVX_DriveCapabilities& caps) { m_capabilities = caps; }
  // Whether the drive reads a sensor of `type` on the motor (load) side on
  // any of its inputs; a capability, not what the setup has configured.
  bool HasDLMotorSensor(int type) const;
  bool HasDLLoadSensor(int type) const;
  // Empty for an unknown type or connector.
  std::string GetSensorName(int type) const;
  std::string GetFeedbackName(int connector) const;
  int GetDLMaxSensorValue() const;
  int GetDLMaxConnectorValue() const;
  const std::vector<CVX_SensorInput>& GetDLSensorsArray() const { return m_capabilities.sensorInputs; }
  const CVX_FrequencyList& GetSSIFreqList() const { return m_capabilities.ssiFrequencies; }
  const CVX_FrequencyList& GetBiSSFreqList() const { return m_capabilities.bissFrequencies; }
  const CVX_FrequencyList& GetSSIFreqList_LD() const { return m_capabilities.ssiFrequenciesLoad; }
  const CVX_FrequencyList& GetBiSSFreqList_LD() const { return m_capabilities.bissFrequenciesLoad; }
  // -1 for a port (pin) the drive does not have.
  int GetIOPinFromPort(int port) const;
  int GetIOPortFromPin(int pin) const;
  // The port's brake flags; 0 when it cannot drive a brake or is unknown.
  int IsBrakePortEnable(int port) const;
  bool IsIOVX3PortInverted(int port) const;
  int GetNumberOfBrakeOutputs() const;

  // ----- the simulated drive's description, kept as JSON text -----
  const std::string& GetSimulationDocument() const { return m_simulation; }
  void SetSimulationDocument(std::string json) { m_simulation = std::move(json); }

  // Sends command text to the drive (non-zero on success).
  int ExecuteString(std::string_view command);

  // ----- unit conversion -----
  // The factor and offset of `unitType` for the quantity `name`, through the
  // installed scale functions. Dimensionless quantities need no call. A
  // conversion that re-enters itself (the factor of X reads X) is reported
  // as an error naming the quantities involved and gives nullopt.
  std::optional<kernel::Scale> ScaleOf(const std::string& unitType, const std::string& name) const;

 private:
  void CopyFrom(const CVX_Setup& other);

  std::vector<std::unique_ptr<CVX_Parameter>> m_parameters;
  std::vector<CVX_Parameter*> m_parameterOrder;
  std::unordered_map<std::string, CVX_Parameter*> m_parameterIndex;

  std::vector<std::pair<std::string, std::string>> m_options;
  std::unordered_map<std::string, size_t> m_optionIndex;

  kernel::UnitTable m_units;

  std::vector<std::unique_ptr<CVX_Variable>> m_variables;
  std::vector<CVX_Variable*> m_variableOrder;
  std::unordered_map<std::string, CVX_Variable*> m_variableIndex;  // key: axis '\n' name

  CVX_DriveIdentity m_identity;
  CVX_DriveCapabilities m_capabilities;
  std::string m_simulation;

  // Quantities whose conversion is under way, innermost last.
  mutable std::vector<std::string> m_converting;
};
