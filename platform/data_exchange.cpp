#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/dialog.h"
#include "platform/message_box.h"
#include "platform/window_state.h"

namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

void Refuse(CDataExchange* pDX, const char* prompt) {
  AfxMessageBox(prompt, MB_ICONEXCLAMATION);
  pDX->Fail();
}

}  // namespace

HWND CDataExchange::PrepareCtrl(int nIDC) {
  HWND control = m_pDlgWnd && m_pDlgWnd->m_hWnd ? m_pDlgWnd->m_hWnd->FindChild(nIDC) : nullptr;
  if (!control) Fail();
  return control;
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control) {
  if (control.m_hWnd) return;
  if (pDX->PrepareCtrl(nIDC)) control.SubclassDlgItem(static_cast<UINT>(nIDC), pDX->m_pDlgWnd);
}

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value) {
  HWND control = pDX->PrepareCtrl(nIDC);
  if (!control) return;
  if (pDX->m_bSaveAndValidate) {
    value = control->text;
  } else {
    control->text = value;
  }
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
  HWND control = pDX->PrepareCtrl(nIDC);
  if (!control) return;
  if (!pDX->m_bSaveAndValidate) {
    control->text = std::to_string(value);
    return;
  }
  const std::string text = Trimmed(control->text);
  char* end = nullptr;
  const long parsed = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0') return Refuse(pDX, "Please enter an integer.");
  value = static_cast<int>(parsed);
}

void DDX_Text(CDataExchange* pDX, int nIDC, double& value) {
  HWND control = pDX->PrepareCtrl(nIDC);
  if (!control) return;
  if (!pDX->m_bSaveAndValidate) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    control->text = buffer;
    return;
  }
  const std::string text = Trimmed(control->text);
  char* end = nullptr;
  const double parsed = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0') return Refuse(pDX, "Please enter a number.");
  value = parsed;
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
  HWND control = pDX->PrepareCtrl(nIDC);
  if (!control) return;
  if (pDX->m_bSaveAndValidate) {
    value = control->check;
  } else {
    control->check = value;
  }
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
  HWND first = pDX->PrepareCtrl(nIDC);
  if (!first) return;
  HWND dialog = first->parent;
  int found = -1;
  int index = 0;
  // The group runs from the first button to the next control that starts a
  // group; only radio buttons count.
  for (int i = dialog->IndexOf(first); i < static_cast<int>(dialog->children.size()); ++i) {
    HWND button = dialog->children[static_cast<std::size_t>(i)].get();
    if (button != first && button->groupStart) break;
    if (button->cls != platform::ControlClass::kRadioButton) continue;
    if (pDX->m_bSaveAndValidate) {
      if (button->check == BST_CHECKED && found == -1) found = index;
    } else {
      button->check = index == value ? BST_CHECKED : BST_UNCHECKED;
    }
    ++index;
  }
  if (pDX->m_bSaveAndValidate) value = found;
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index) {
  HWND control = pDX->PrepareCtrl(nIDC);
  if (!control) return;
  if (pDX->m_bSaveAndValidate) {
    index = control->selection;
    return;
  }
  CComboBox view;
  view.Attach(control);
  view.SetCurSel(index);
  view.Detach();
}
