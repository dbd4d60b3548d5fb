#include "kernel/ui/phase_diagram.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "kernel/ui/widget_attach.h"

BOOL CPhaseDiagram::Create(CWnd* parent, int id) {
  if (!AttachWidget(*this, parent, id, platform::ControlClass::kPhaseDiagram)) return FALSE;
  ShowCaption();
  return TRUE;
}

BOOL CPhaseDiagram::SetPhaseCount(int phases) {
  if (phases != 2 && phases != 3) return FALSE;
  m_phases = phases;
  m_values.assign(static_cast<std::size_t>(phases), 0.0);
  ShowCaption();
  return TRUE;
}

BOOL CPhaseDiagram::SetPhaseValues(const std::vector<double>& values) {
  if (values.size() != static_cast<std::size_t>(m_phases)) return FALSE;
  if (!std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); })) return FALSE;
  m_values = values;
  ShowCaption();
  return TRUE;
}

BOOL CPhaseDiagram::SetFullScale(double full) {
  if (!std::isfinite(full) || !(full > 0.0)) return FALSE;
  m_full = full;
  Invalidate();
  return TRUE;
}

// Two phases stand at right angles; three at 120 degrees, where the
// amplitude-keeping transform gives a balanced set's peak as the length.
double CPhaseDiagram::Alpha() const {
  if (m_phases == 2) return m_values[0];
  return (2.0 * m_values[0] - m_values[1] - m_values[2]) / 3.0;
}

double CPhaseDiagram::Beta() const {
  if (m_phases == 2) return m_values[1];
  return (m_values[1] - m_values[2]) / std::numbers::sqrt3;
}

double CPhaseDiagram::GetMagnitude() const { return std::hypot(Alpha(), Beta()); }

double CPhaseDiagram::GetAngle() const { return std::atan2(Beta(), Alpha()); }

void CPhaseDiagram::ShowCaption() {
  // Whole degrees within one turn, 0 to 359.
  const double degrees = std::fmod(std::round(GetAngle() * 180.0 / std::numbers::pi) + 360.0, 360.0);
  if (m_hWnd) SetWindowText(fmt::format("{:.3g} at {:.0f}°", GetMagnitude(), degrees));
  Invalidate();
}
