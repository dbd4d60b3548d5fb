#include "kernel/ui/bar_graph.h"

#include <fmt/printf.h>

#include <cmath>
#include <utility>

#include "kernel/ui/widget_attach.h"

BOOL CBarGraph::Create(CWnd* parent, int id) {
  if (!AttachWidget(*this, parent, id, platform::ControlClass::kBarGraph)) return FALSE;
  ShowLabel();
  return TRUE;
}

BOOL CBarGraph::SetLimits(double low, double high) {
  if (!std::isfinite(low) || !std::isfinite(high) || !(low < high)) return FALSE;
  m_low = low;
  m_high = high;
  Invalidate();
  return TRUE;
}

void CBarGraph::SetValue(double value) {
  if (!std::isfinite(value)) return;
  m_value = value;
  ShowLabel();
}

void CBarGraph::SetDrawingReference(double reference) {
  if (!std::isfinite(reference)) return;
  m_reference = reference;
  Invalidate();
}

void CBarGraph::SetLabelFormat(std::string format) {
  m_format = std::move(format);
  ShowLabel();
}

std::string CBarGraph::GetLabel() const {
  // The format comes from the dialog's code; one that does not take a
  // double still leaves a readable label.
  try {
    return fmt::sprintf(m_format, m_value);
  } catch (const fmt::format_error&) {
    return fmt::sprintf("%g", m_value);
  }
}

void CBarGraph::ShowLabel() {
  if (m_hWnd) SetWindowText(GetLabel());
  Invalidate();
}
