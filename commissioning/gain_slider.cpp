#include "commissioning/gain_slider.h"

#include <algorithm>
#include <cmath>

#include "commissioning/current_gain_design.h"
#include "kernel/errors.h"
#include "kernel/parameter.h"
#include "kernel/setup.h"
#include "kernel/ui/edit_setup_dlg.h"

bool CGainSlider::Attach(CVX_EditSetupDlg& dialog) {
  {
    const kernel::QuietErrors quiet;
    m_parameter = dialog.GetSetup() ? dialog.GetSetup()->FindParameter(m_name) : nullptr;
  }
  if (!m_parameter || !m_slider.SubclassDlgItem(m_ids.slider, &dialog)) {
    m_parameter = nullptr;
    return false;
  }
  m_slider.SetRange(0, kSteps);
  Rearm();
  return true;
}

void CGainSlider::Rearm() {
  if (!m_parameter) return;
  const auto range = commissioning::GainSliderRange(m_parameter->GetValueInBaseUnit(), m_parameter->GetMinimum(),
                                                    m_parameter->GetMaximum());
  m_low = range.low;
  m_high = range.high;
  ShowValue();
}

void CGainSlider::ShowValue() {
  if (m_parameter) m_slider.SetPos(PositionOf(m_parameter->GetValueInBaseUnit()));
}

void CGainSlider::Enable(CVX_EditSetupDlg& dialog, bool enable) {
  dialog.EnableChildren({m_ids.down, m_ids.slider, m_ids.up}, enable);
}

bool CGainSlider::OnSliderMoved(const CWnd* control) {
  if (!m_parameter || !control || control->m_hWnd != m_slider.m_hWnd) return false;
  return Store(ValueAt(m_slider.GetPos()));
}

bool CGainSlider::OnSpin(int controlId, int delta) {
  if (!m_parameter || (controlId != m_ids.down && controlId != m_ids.up) || delta == 0) return false;
  const double step = (m_high - m_low) / kSteps;
  const double value = m_parameter->GetValueInBaseUnit() + (delta > 0 ? step : -step);
  if (!Store(std::clamp(value, m_low, m_high))) return false;
  ShowValue();
  return true;
}

double CGainSlider::ValueAt(int position) const {
  return m_low + (m_high - m_low) * std::clamp(position, 0, kSteps) / kSteps;
}

int CGainSlider::PositionOf(double value) const {
  if (!(m_high > m_low) || !std::isfinite(value)) return 0;
  return static_cast<int>(std::lround(std::clamp((value - m_low) / (m_high - m_low), 0.0, 1.0) * kSteps));
}

bool CGainSlider::Store(double value) { return m_parameter && m_parameter->SetValueInBaseUnit(value) != 0; }

void CGainSliders::AttachAll(CVX_EditSetupDlg& dialog) {
  for (CGainSlider& slider : m_sliders) slider.Attach(dialog);
}

void CGainSliders::RearmAll() {
  for (CGainSlider& slider : m_sliders) slider.Rearm();
}

CGainSlider* CGainSliders::Find(const std::string& name) {
  for (CGainSlider& slider : m_sliders)
    if (slider.Name() == name) return &slider;
  return nullptr;
}

std::optional<std::string> CGainSliders::OnSliderMoved(const CWnd* control) {
  for (CGainSlider& slider : m_sliders)
    if (slider.OnSliderMoved(control)) return slider.Name();
  return std::nullopt;
}

std::optional<std::string> CGainSliders::OnSpin(const NMHDR* header, int delta) {
  if (!header) return std::nullopt;
  for (CGainSlider& slider : m_sliders)
    if (slider.OnSpin(static_cast<int>(header->idFrom), delta)) return slider.Name();
  return std::nullopt;
}
