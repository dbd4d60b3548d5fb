#include "kernel/ui/graph_window.h"

#include <fmt/format.h>

#include <algorithm>

#include "kernel/graph_render.h"
#include "kernel/plot_files.h"

BOOL CGraphWindow::Create(CWnd* parent, int id, CGraphFilter& filter) {
  CWnd* control = parent ? parent->GetDlgItem(id) : nullptr;
  if (!control || control->GetControlClass() != platform::ControlClass::kGraph) return FALSE;
  if (m_hWnd != control->m_hWnd && !SubclassDlgItem(static_cast<UINT>(id), parent)) return FALSE;
  m_filter = &filter;
  Redraw();
  return TRUE;
}

void CGraphWindow::ShowCount() { SetWindowText(fmt::format("{} points", m_shown)); }

void CGraphWindow::UpdateLastPoint() {
  if (!m_filter) return;
  m_shown = m_filter->GetDocument().GetPointCount();
  ShowCount();
}

void CGraphWindow::UpdatePoint(std::size_t index) {
  if (!m_filter) return;
  m_shown = std::max(m_shown, std::min(index + 1, m_filter->GetDocument().GetPointCount()));
  ShowCount();
}

void CGraphWindow::ZoomOut() {
  if (!m_filter) return;
  m_filter->ZoomOut();
  Redraw();
}

void CGraphWindow::Redraw() {
  m_shown = m_filter ? m_filter->GetDocument().GetPointCount() : 0;
  ShowCount();
  Invalidate();
}

int CGraphWindow::CreateWMF(std::string_view name) const {
  if (!m_filter) return 0;
  return kernel::WritePlotFile(name, ".svg", kernel::RenderGraphSvg(*m_filter)) ? 1 : 0;
}
