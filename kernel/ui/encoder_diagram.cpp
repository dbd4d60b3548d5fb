#include "kernel/ui/encoder_diagram.h"

#include <fmt/format.h>

#include <cmath>
#include <numbers>

#include "kernel/ui/widget_attach.h"

BOOL CEncoderDiagram::Create(CWnd* parent, int id) {
  if (!AttachWidget(*this, parent, id, platform::ControlClass::kEncoderDiagram)) return FALSE;
  SetAngle(m_angle_rad);
  return TRUE;
}

void CEncoderDiagram::SetAngle(double angle_rad) {
  if (!std::isfinite(angle_rad)) return;
  m_angle_rad = angle_rad;
  const double degrees = std::fmod(angle_rad * 180.0 / std::numbers::pi, 360.0);
  SetWindowText(fmt::format("{:.0f}°", degrees < 0 ? degrees + 360.0 : degrees));
  Invalidate();
}
