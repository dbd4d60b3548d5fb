#pragma once

#include <limits>
#include <string>
#include <string_view>

#include "kernel/value_type.h"

class CVX_Setup;

// A named numeric value of a setup. The kernel stores the internal value
// (the drive's representation); the base value is derived on every read as
// (internal + offset) * factor with the factor and offset that the plug-in's
// unit scale functions give for the parameter's unit type now. So a time
// parameter keeps its tick count when the loop period changes.
//
// Limits are in base units. Setting a value clips it to the limits and fits
// it to the value type; reading it back shows what was kept. A non-finite
// value is refused with an error and the old value stays.
class CVX_Parameter {
 public:
  static constexpr double kNoMinimum = -std::numeric_limits<double>::infinity();
  static constexpr double kNoMaximum = std::numeric_limits<double>::infinity();

  CVX_Parameter(CVX_Setup* setup, std::string name, int index);
  // A copy of `other` that belongs to `setup`.
  CVX_Parameter(CVX_Setup* setup, const CVX_Parameter& other) : CVX_Parameter(other) { m_setup = setup; }

  const std::string& GetName() const { return m_name; }
  int GetIndex() const { return m_index; }
  CVX_Setup* GetSetup() const { return m_setup; }

  // NaN when the unit conversion fails (it reports the error).
  double GetValueInBaseUnit() const;
  // 1 when stored (possibly clipped and rounded), 0 when refused.
  int SetValueInBaseUnit(double value);
  double GetValueInInternalUnit() const { return m_internal; }
  int SetValueInInternalUnit(double value);

  // The value in a display unit of the parameter's family (NaN when `unit`
  // is not of that family or the conversion fails).
  double GetValueInUnit(std::string_view unit) const;
  int SetValueInUnit(double value, std::string_view unit);

  double GetMinimum() const { return m_min; }
  double GetMaximum() const { return m_max; }
  // 1 when set; 0 for a NaN (refused with an error). The stored value is not
  // clipped by a change of limits: the next write is.
  int SetMinimum(double value);
  int SetMaximum(double value);
  bool HasMinimum() const { return m_min != kNoMinimum; }
  bool HasMaximum() const { return m_max != kNoMaximum; }

  // The unit family ("rad/s"); empty for a dimensionless value.
  const std::string& GetUnitType() const { return m_unitType; }
  // The display unit ("rpm"): a unit of the family, the base unit by default.
  const std::string& GetUnitName() const;
  // Accepts a family's base unit or one of its derived units: the unit type
  // becomes that family and the display unit that unit. The internal value
  // stays. 1 on success, 0 (with an error) for an unknown unit.
  int ChangeUnitType(std::string_view unit);
  // Chooses the display unit within the present family.
  int SetUnitName(std::string_view unit);

  int GetType() const { return static_cast<int>(m_type); }
  kernel::ValueType GetValueType() const { return m_type; }
  // 1 on success (the stored value is fitted to the new type), 0 for an
  // unknown type number.
  int ChangeType(int type);
  int GetSizeInWords() const;

  // Sends a register's internal value to the drive (non-zero on success).
  int WriteToChip();

  int GetDecimals() const { return m_decimals; }
  void SetDecimals(int decimals) { m_decimals = decimals; }

  // Loader use: sets unit type and display unit without checks.
  void InitUnit(std::string unitType, std::string unitName);
  void InitType(kernel::ValueType type) { m_type = type; }
  void InitInternal(double value) { m_internal = value; }
  void InitLimits(double min, double max) { m_min = min; m_max = max; }

 private:
  int StoreInternal(double internal);

  CVX_Setup* m_setup;
  std::string m_name;
  int m_index;
  double m_internal = 0.0;
  double m_min = kNoMinimum;
  double m_max = kNoMaximum;
  std::string m_unitType;
  std::string m_unitName;
  kernel::ValueType m_type = kernel::ValueType::kDouble;
  int m_decimals = 3;
};
