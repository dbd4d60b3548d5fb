#include "platform/dialog.h"

#include <algorithm>

#include <fmt/format.h>

#include "platform/message_loop.h"
#include "platform/resources.h"
#include "platform/user.h"
#include "platform/window_state.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_COMMAND(IDOK, &CDialog::OnOK)
  ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() { DestroyWindows(); }

INT_PTR CDialog::DoModal() {
  platform::User& user = platform::CurrentUser();
  if (m_window || user.Stopped()) return -1;
  if (!CreateFromTemplate()) {
    user.Stop(fmt::format("dialog template {} is not among the resources", m_nIDTemplate));
    return -1;
  }
  m_ended = false;
  m_result = -1;
  m_modalSerial = ++platform::detail::Ui().modalSerials;
  auto& stack = platform::detail::Ui().modalStack;
  stack.push_back(this);
  OnInitDialog();
  if (!m_ended) {
    m_window->visible = true;
    SendMessage(WM_SHOWWINDOW, TRUE, 0);
    RunModalLoop();
  }
  std::erase(stack, this);
  // A run that stopped ends every open dialog, whatever its handlers chose.
  const INT_PTR result = user.Stopped() ? -1 : m_result;
  DestroyWindows();
  return result;
}

void CDialog::RunModalLoop() {
  while (!m_ended) {
    platform::DispatchPendingMessages();
    if (m_ended) break;
    platform::User& user = platform::CurrentUser();
    if (user.Stopped()) break;
    platform::Paint(m_hWnd);
    if (user.Act(*this) == platform::User::Turn::kNothingLeft && !m_ended) {
      if (!user.Stopped()) {
        user.Stop(fmt::format("dialog \"{}\" (template {}) is still open and the user has nothing more to do",
                              GetWindowText(), m_nIDTemplate));
      }
      break;
    }
  }
  m_ended = true;
}

void CDialog::EndDialog(int nResult) {
  m_ended = true;
  m_result = nResult;
}

bool CDialog::CreateFromTemplate() {
  const platform::DialogTemplate* dialog = platform::CurrentResources().FindDialog(static_cast<int>(m_nIDTemplate));
  if (!dialog) return false;
  auto window = std::make_unique<HWND__>();
  window->id = dialog->id;
  window->cls = platform::ControlClass::kDialog;
  window->text = dialog->caption;
  window->rect = CRect(0, 0, dialog->w, dialog->h);
  window->visible = false;
  CDialog* top = platform::TopDialog();
  window->owner = m_pParentWnd ? m_pParentWnd->m_hWnd : (top ? top->m_hWnd : nullptr);
  for (const platform::ControlTemplate& control : dialog->controls) {
    auto child = std::make_unique<HWND__>();
    child->id = control.id;
    child->cls = control.cls;
    child->text = control.text;
    child->rect = CRect(control.x, control.y, control.x + control.w, control.y + control.h);
    child->visible = !control.hidden;
    child->enabled = !control.disabled;
    child->groupStart = control.group;
    child->readOnly = control.readOnly;
    child->multiline = control.multiline;
    child->editableCombo = control.editable;
    child->defaultButton = control.defaultButton;
    if (!control.bitmap.empty()) child->bitmap = platform::CurrentResources().FindBitmap(control.bitmap);
    for (const std::string& item : control.items) child->items.push_back(HWND__::Item{item, 0});
    if (control.cls == platform::ControlClass::kComboBox) child->text.clear();
    child->parent = window.get();
    child->frameworkObject = platform::MakeControlObject(control.cls);
    child->frameworkObject->Attach(child.get());
    child->object = child->frameworkObject.get();
    window->children.push_back(std::move(child));
  }
  m_window = std::move(window);
  Attach(m_window.get());
  m_window->object = this;
  return true;
}

void CDialog::DestroyWindows() {
  if (!m_window) return;
  platform::detail::ForgetWindowTree(m_window.get());
  m_window.reset();
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange dx(this, bSaveAndValidate);
  DoDataExchange(&dx);
  return dx.Failed() ? FALSE : TRUE;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
  if (!pMsg || pMsg->message != WM_KEYDOWN || !m_hWnd) return FALSE;
  if (pMsg->wParam == static_cast<WPARAM>(VK_ESCAPE)) {
    SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return TRUE;
  }
  if (pMsg->wParam == static_cast<WPARAM>(VK_RETURN)) {
    int button = IDOK;
    for (const auto& child : m_hWnd->children) {
      if (child->defaultButton) button = child->id;
    }
    HWND buttonWindow = m_hWnd->FindChild(button);
    if (buttonWindow && !buttonWindow->enabled) return TRUE;
    SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(button), BN_CLICKED), reinterpret_cast<LPARAM>(buttonWindow));
    return TRUE;
  }
  return FALSE;
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return 0;
  }
  return CWnd::DefWindowProc(message, wParam, lParam);
}
