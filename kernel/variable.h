#pragma once

#include <string>
#include <string_view>

#include "kernel/value_type.h"

class CVX_Setup;

// A variable of the drive ("MER", "APOS", "CADIN"), known per axis. The
// setup knows its type and unit; its value is the last one read from the
// drive (the drive link fills it).
class CVX_Variable {
 public:
  CVX_Variable(CVX_Setup* setup, std::string name, int axis);
  // A copy of `other` that belongs to `setup`.
  CVX_Variable(CVX_Setup* setup, const CVX_Variable& other) : CVX_Variable(other) { m_setup = setup; }

  const std::string& GetName() const { return m_name; }
  int GetAxis() const { return m_axis; }

  double GetValueInInternalUnit() const { return m_internal; }
  // 1 when stored, 0 for a non-finite value (refused with an error).
  int SetValueInInternalUnit(double value);
  // (internal + offset) * factor of the unit type; NaN when that fails.
  double GetValueInBaseUnit() const;

  const std::string& GetUnitType() const { return m_unitType; }
  const std::string& GetUnitName() const;
  int ChangeUnitType(std::string_view unit);
  // Reads the value from the drive (non-zero on success; the value is kept).
  int ReadFromChip();
  // Sends the kept value to the drive (non-zero on success).
  int WriteToChip();

  int GetType() const { return static_cast<int>(m_type); }
  kernel::ValueType GetValueType() const { return m_type; }

  void InitUnit(std::string unitType, std::string unitName);
  void InitType(kernel::ValueType type) { m_type = type; }

 private:
  CVX_Setup* m_setup;
  std::string m_name;
  int m_axis;
  double m_internal = 0.0;
  std::string m_unitType;
  std::string m_unitName;
  kernel::ValueType m_type = kernel::ValueType::kInt16;
};
