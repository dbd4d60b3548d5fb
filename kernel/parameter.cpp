#include "kernel/parameter.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <fmt/format.h>

#include "kernel/errors.h"
#include "kernel/name_key.h"
#include "kernel/setup.h"
#include "kernel/unit_choice.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool Usable(const kernel::Scale& s) {
  return std::isfinite(s.factor) && s.factor != 0.0 && std::isfinite(s.offset);
}

// A value recovered from a register comes back through the unit scale or
// the recovery's own arithmetic with the rounding of a multiplication and a
// division, a few units in the last place: a whole number the setup stored
// (a count, a register's value) must come back whole, not as
// 26783.999999999996.
double WholeIfNoise(double internal) {
  constexpr double kNoise = 16 * std::numeric_limits<double>::epsilon();
  const double whole = std::round(internal);
  return std::abs(internal - whole) <= kNoise * std::max(1.0, std::abs(internal)) ? whole : internal;
}

}  // namespace

CVX_Parameter::CVX_Parameter(CVX_Setup* setup, std::string name, int index)
    : m_setup(setup), m_name(std::move(name)), m_index(index) {}

double CVX_Parameter::GetValueInBaseUnit() const {
  if (m_unitType.empty()) return m_internal;
  const auto scale = m_setup->ScaleOf(m_unitType, m_name);
  if (!scale) return kNaN;
  return (m_internal + scale->offset) * scale->factor;
}

int CVX_Parameter::SetValueInBaseUnit(double value) {
  if (!std::isfinite(value)) {
    kernel::ReportError(fmt::format("parameter \"{}\": the value {} is not a finite number", m_name, value));
    return 0;
  }
  value = std::clamp(value, m_min, std::max(m_min, m_max));
  kernel::Scale scale;
  if (!m_unitType.empty()) {
    const auto found = m_setup->ScaleOf(m_unitType, m_name);
    if (!found) return 0;
    scale = *found;
    if (!Usable(scale)) {
      kernel::ReportError(fmt::format("parameter \"{}\": unit \"{}\" cannot convert now (factor {}, offset {})",
                                      m_name, m_unitType, scale.factor, scale.offset));
      return 0;
    }
  }
  const double internal = value / scale.factor - scale.offset;
  if (!std::isfinite(internal)) {
    kernel::ReportError(fmt::format("parameter \"{}\": {} {} is out of the drive's range", m_name, value, m_unitType));
    return 0;
  }
  return StoreInternal(internal);
}

int CVX_Parameter::SetValueInInternalUnit(double value) {
  if (!std::isfinite(value)) {
    kernel::ReportError(fmt::format("parameter \"{}\": the internal value {} is not a finite number", m_name, value));
    return 0;
  }
  return StoreInternal(value);
}

// Fits the internal value to the type, then to the limits where the present
// scale can express them.
int CVX_Parameter::StoreInternal(double internal) {
  double fitted = kernel::FitToType(m_type, WholeIfNoise(internal));
  if (HasMinimum() || HasMaximum()) {
    kernel::Scale scale;
    bool comparable = true;
    if (!m_unitType.empty()) {
      const auto found = m_setup->ScaleOf(m_unitType, m_name);
      comparable = found && Usable(*found);
      if (comparable) scale = *found;
    }
    if (comparable) {
      const double base = (fitted + scale.offset) * scale.factor;
      const double clipped = std::clamp(base, m_min, std::max(m_min, m_max));
      if (clipped != base) fitted = kernel::FitToType(m_type, WholeIfNoise(clipped / scale.factor - scale.offset));
    }
  }
  if (!std::isfinite(fitted)) return 0;
  m_internal = fitted;
  return 1;
}

double CVX_Parameter::GetValueInUnit(std::string_view unit) const {
  if (unit.empty() || kernel::SameName(unit, m_unitType)) return GetValueInBaseUnit();
  const CVX_Unit* u = m_setup->FindUnit(unit);
  if (!u || !kernel::SameName(u->family, m_unitType)) return kNaN;
  return u->FromBase(GetValueInBaseUnit());
}

int CVX_Parameter::SetValueInUnit(double value, std::string_view unit) {
  if (unit.empty() || kernel::SameName(unit, m_unitType)) return SetValueInBaseUnit(value);
  const CVX_Unit* u = m_setup->FindUnit(unit);
  if (!u || !kernel::SameName(u->family, m_unitType)) {
    kernel::ReportError(fmt::format("parameter \"{}\": \"{}\" is not a unit of \"{}\"", m_name, unit, m_unitType));
    return 0;
  }
  return SetValueInBaseUnit(u->ToBase(value));
}

int CVX_Parameter::SetMinimum(double value) {
  if (std::isnan(value)) {
    kernel::ReportError(fmt::format("parameter \"{}\": the minimum is not a number", m_name));
    return 0;
  }
  m_min = value;
  return 1;
}

int CVX_Parameter::SetMaximum(double value) {
  if (std::isnan(value)) {
    kernel::ReportError(fmt::format("parameter \"{}\": the maximum is not a number", m_name));
    return 0;
  }
  m_max = value;
  return 1;
}

const std::string& CVX_Parameter::GetUnitName() const {
  return kernel::ShownUnitName(*m_setup, m_unitType, m_unitName);
}

int CVX_Parameter::ChangeUnitType(std::string_view unit) {
  if (kernel::ChooseUnit(*m_setup, unit, m_unitType, m_unitName)) return 1;
  kernel::ReportError(fmt::format("parameter \"{}\": unknown unit \"{}\"", m_name, unit));
  return 0;
}

int CVX_Parameter::SetUnitName(std::string_view unit) {
  const CVX_Unit* u = m_setup->FindUnit(unit);
  if (!u || !kernel::SameName(u->family, m_unitType)) {
    kernel::ReportError(fmt::format("parameter \"{}\": \"{}\" is not a unit of \"{}\"", m_name, unit, m_unitType));
    return 0;
  }
  m_unitName = u->name;
  return 1;
}

int CVX_Parameter::ChangeType(int type) {
  const auto t = kernel::ValueTypeFromNumber(type);
  if (!t) {
    kernel::ReportError(fmt::format("parameter \"{}\": unknown value type {}", m_name, type));
    return 0;
  }
  m_type = *t;
  m_internal = kernel::FitToType(m_type, m_internal);
  return 1;
}

int CVX_Parameter::GetSizeInWords() const { return kernel::SizeInWords(m_type); }

void CVX_Parameter::InitUnit(std::string unitType, std::string unitName) {
  m_unitType = std::move(unitType);
  m_unitName = std::move(unitName);
}
