#include "kernel/ui/widget_attach.h"

BOOL AttachWidget(CWnd& widget, CWnd* parent, int id, platform::ControlClass expected) {
  CWnd* control = parent ? parent->GetDlgItem(id) : nullptr;
  if (!control || control->GetControlClass() != expected) return FALSE;
  if (widget.m_hWnd != control->m_hWnd && !widget.SubclassDlgItem(static_cast<UINT>(id), parent)) return FALSE;
  return TRUE;
}
