#include "kernel/variable.h"

#include <cmath>
#include <fmt/format.h>
#include <limits>

#include "kernel/errors.h"
#include "kernel/name_key.h"
#include "kernel/setup.h"
#include "kernel/unit_choice.h"

CVX_Variable::CVX_Variable(CVX_Setup* setup, std::string name, int axis)
    : m_setup(setup), m_name(std::move(name)), m_axis(axis) {}

int CVX_Variable::SetValueInInternalUnit(double value) {
  if (!std::isfinite(value)) {
    kernel::ReportError(fmt::format("variable \"{}\": the value {} is not a finite number", m_name, value));
    return 0;
  }
  m_internal = kernel::FitToType(m_type, value);
  return 1;
}

double CVX_Variable::GetValueInBaseUnit() const {
  if (m_unitType.empty()) return m_internal;
  const auto scale = m_setup->ScaleOf(m_unitType, m_name);
  if (!scale) return std::numeric_limits<double>::quiet_NaN();
  return (m_internal + scale->offset) * scale->factor;
}

const std::string& CVX_Variable::GetUnitName() const {
  return kernel::ShownUnitName(*m_setup, m_unitType, m_unitName);
}

int CVX_Variable::ChangeUnitType(std::string_view unit) {
  if (kernel::ChooseUnit(*m_setup, unit, m_unitType, m_unitName)) return 1;
  kernel::ReportError(fmt::format("variable \"{}\": unknown unit \"{}\"", m_name, unit));
  return 0;
}

void CVX_Variable::InitUnit(std::string unitType, std::string unitName) {
  m_unitType = std::move(unitType);
  m_unitName = std::move(unitName);
}
