#include "platform/wnd.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <utility>

#include "platform/window_state.h"

COLORREF CDC::SetTextColor(COLORREF color) { return std::exchange(m_textColor, color); }
COLORREF CDC::SetBkColor(COLORREF color) { return std::exchange(m_bkColor, color); }
int CDC::SetBkMode(int mode) { return std::exchange(m_bkMode, mode); }

HWND HWND__::FindChild(int childId) const {
  for (const auto& child : children) {
    if (child->id == childId) return child.get();
  }
  return nullptr;
}

int HWND__::IndexOf(HWND child) const {
  for (std::size_t i = 0; i < children.size(); ++i) {
    if (children[i].get() == child) return static_cast<int>(i);
  }
  return -1;
}

CWnd::CWnd() = default;

CWnd::~CWnd() { Detach(); }

CWnd* CWnd::FromHandle(HWND hwnd) { return hwnd ? hwnd->object : nullptr; }

BOOL CWnd::Attach(HWND hwnd) {
  if (m_hWnd || !hwnd) return FALSE;
  m_hWnd = hwnd;
  hwnd->attached.push_back(this);
  return TRUE;
}

HWND CWnd::Detach() {
  HWND hwnd = std::exchange(m_hWnd, nullptr);
  if (!hwnd) return nullptr;
  std::erase(hwnd->attached, this);
  if (hwnd->object == this) hwnd->object = hwnd->frameworkObject.get();
  return hwnd;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
  HWND child = pParent && pParent->m_hWnd ? pParent->m_hWnd->FindChild(static_cast<int>(nID)) : nullptr;
  if (!child) return FALSE;
  if (m_hWnd != child && !Attach(child)) return FALSE;
  child->object = this;
  return TRUE;
}

int CWnd::GetDlgCtrlID() const { return m_hWnd ? m_hWnd->id : 0; }

platform::ControlClass CWnd::GetControlClass() const {
  return m_hWnd ? m_hWnd->cls : platform::ControlClass::kStatic;
}

CWnd* CWnd::GetParent() const {
  if (!m_hWnd) return nullptr;
  return FromHandle(m_hWnd->parent ? m_hWnd->parent : m_hWnd->owner);
}

CWnd* CWnd::GetDlgItem(int nID) const { return m_hWnd ? FromHandle(m_hWnd->FindChild(nID)) : nullptr; }

void CWnd::SetWindowText(std::string_view text) {
  if (!m_hWnd) return;
  // A drop-down list shows its selected entry; only an editable combo box
  // takes a free text.
  if (m_hWnd->cls == platform::ControlClass::kComboBox && !m_hWnd->editableCombo) return;
  m_hWnd->text = text;
}

std::string CWnd::GetWindowText() const { return m_hWnd ? m_hWnd->text : std::string(); }

int CWnd::GetWindowText(std::string& text) const {
  text = GetWindowText();
  return static_cast<int>(text.size());
}

int CWnd::GetWindowTextLength() const { return m_hWnd ? static_cast<int>(m_hWnd->text.size()) : 0; }

void CWnd::SetDlgItemText(int nID, std::string_view text) {
  if (CWnd* item = GetDlgItem(nID)) item->SetWindowText(text);
}

std::string CWnd::GetDlgItemText(int nID) const {
  const CWnd* item = GetDlgItem(nID);
  return item ? item->GetWindowText() : std::string();
}

void CWnd::SetDlgItemInt(int nID, UINT value, BOOL bSigned) {
  SetDlgItemText(nID, bSigned ? std::to_string(static_cast<int>(value)) : std::to_string(value));
}

UINT CWnd::GetDlgItemInt(int nID, BOOL* pTranslated, BOOL bSigned) const {
  std::string text = GetDlgItemText(nID);
  const auto first = text.find_first_not_of(' ');
  const auto last = text.find_last_not_of(' ');
  long long value = 0;
  bool ok = first != std::string::npos;
  if (ok) {
    const char* begin = text.data() + first;
    const char* end = text.data() + last + 1;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    ok = ec == std::errc() && ptr == end && (bSigned || value >= 0);
  }
  if (pTranslated) *pTranslated = ok ? TRUE : FALSE;
  return ok ? static_cast<UINT>(value) : 0;
}

BOOL CWnd::ShowWindow(int nCmdShow) {
  if (!m_hWnd) return FALSE;
  const bool was = m_hWnd->visible;
  m_hWnd->visible = nCmdShow != SW_HIDE;
  return was ? TRUE : FALSE;
}

BOOL CWnd::IsWindowVisible() const {
  for (HWND w = m_hWnd; w; w = w->parent) {
    if (!w->visible) return FALSE;
  }
  return m_hWnd ? TRUE : FALSE;
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
  if (!m_hWnd) return FALSE;
  const bool wasEnabled = m_hWnd->enabled;
  m_hWnd->enabled = bEnable != FALSE;
  return wasEnabled ? FALSE : TRUE;
}

BOOL CWnd::IsWindowEnabled() const { return m_hWnd && m_hWnd->enabled ? TRUE : FALSE; }

void CWnd::CheckDlgButton(int nIDButton, UINT nCheck) {
  HWND button = m_hWnd ? m_hWnd->FindChild(nIDButton) : nullptr;
  if (button && platform::HasCheckState(button->cls)) button->check = static_cast<int>(nCheck);
}

UINT CWnd::IsDlgButtonChecked(int nIDButton) const {
  HWND button = m_hWnd ? m_hWnd->FindChild(nIDButton) : nullptr;
  return button ? static_cast<UINT>(button->check) : 0;
}

void CWnd::CheckRadioButton(int nIDFirstButton, int nIDLastButton, int nIDCheckButton) {
  if (!m_hWnd) return;
  for (const auto& child : m_hWnd->children) {
    if (child->id >= nIDFirstButton && child->id <= nIDLastButton && platform::HasCheckState(child->cls)) {
      child->check = child->id == nIDCheckButton ? BST_CHECKED : BST_UNCHECKED;
    }
  }
}

int CWnd::GetCheckedRadioButton(int nIDFirstButton, int nIDLastButton) const {
  if (!m_hWnd) return 0;
  for (const auto& child : m_hWnd->children) {
    if (child->id >= nIDFirstButton && child->id <= nIDLastButton && child->check == BST_CHECKED) return child->id;
  }
  return 0;
}

void CWnd::GetWindowRect(RECT* rect) const {
  if (rect) *rect = m_hWnd ? static_cast<RECT>(m_hWnd->rect) : RECT{};
}

void CWnd::GetClientRect(RECT* rect) const {
  if (rect) *rect = m_hWnd ? RECT{0, 0, m_hWnd->rect.Width(), m_hWnd->rect.Height()} : RECT{};
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL) {
  if (m_hWnd) m_hWnd->rect = CRect(x, y, x + width, y + height);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
  CWnd* parent = GetParent();
  HWND owner = pAlternateOwner ? pAlternateOwner->m_hWnd : (parent ? parent->m_hWnd : nullptr);
  if (!m_hWnd || !owner) return;
  const CRect& o = owner->rect;
  const LONG w = m_hWnd->rect.Width();
  const LONG h = m_hWnd->rect.Height();
  const LONG left = o.left + (o.Width() - w) / 2;
  const LONG top = o.top + (o.Height() - h) / 2;
  m_hWnd->rect = CRect(left, top, left + w, top + h);
}

void CWnd::Invalidate(BOOL) {}

BOOL CWnd::RedrawWindow() {
  UpdateWindow();
  return m_hWnd ? TRUE : FALSE;
}

void CWnd::UpdateWindow() { platform::Paint(m_hWnd); }

COLORREF CWnd::GetTextColor() const { return m_hWnd ? m_hWnd->textColor : RGB(0, 0, 0); }

CWnd* CWnd::SetFocus() {
  auto& ui = platform::detail::Ui();
  CWnd* previous = FromHandle(ui.focus);
  if (m_hWnd) ui.focus = m_hWnd;
  return previous;
}

CWnd* CWnd::GetFocus() { return FromHandle(platform::detail::Ui().focus); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return platform::SendTo(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!m_hWnd) return FALSE;
  platform::detail::Ui().posted.push_back(MSG{m_hWnd, message, wParam, lParam, 0});
  return TRUE;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  auto& dispatching = platform::detail::Ui().dispatching;
  dispatching.push_back(MSG{m_hWnd, message, wParam, lParam, 0});
  const platform::MessageMapEntry* entry = platform::FindHandler(GetMessageMap(), message, wParam, lParam);
  const LRESULT result = entry ? entry->call(*this, wParam, lParam) : DefWindowProc(message, wParam, lParam);
  dispatching.pop_back();
  return result;
}

LRESULT CWnd::DefWindowProc(UINT, WPARAM, LPARAM) { return 0; }

LRESULT CWnd::Default() {
  const auto& dispatching = platform::detail::Ui().dispatching;
  if (dispatching.empty()) return 0;
  const MSG current = dispatching.back();
  return DefWindowProc(current.message, current.wParam, current.lParam);
}

const platform::MessageMap* CWnd::GetThisMessageMap() {
  static const platform::MessageMap map{nullptr, {}};
  return &map;
}

const platform::MessageMap* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT) { return reinterpret_cast<HBRUSH>(Default()); }
void CWnd::OnClose() { Default(); }
void CWnd::OnHScroll(UINT, UINT, CScrollBar*) { Default(); }
void CWnd::OnVScroll(UINT, UINT, CScrollBar*) { Default(); }

namespace platform {

LRESULT SendTo(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* object = CWnd::FromHandle(hwnd);
  return object ? object->WindowProc(message, wParam, lParam) : 0;
}

CWnd* WindowObject(HWND hwnd) { return CWnd::FromHandle(hwnd); }

UINT CtlColorKind(HWND hwnd) {
  if (!hwnd) return CTLCOLOR_STATIC;
  switch (hwnd->cls) {
    case ControlClass::kEdit:
      return hwnd->readOnly ? CTLCOLOR_STATIC : CTLCOLOR_EDIT;
    case ControlClass::kComboBox:
      return CTLCOLOR_EDIT;
    case ControlClass::kPushButton:
    case ControlClass::kBitmapButton:
      return CTLCOLOR_BTN;
    case ControlClass::kDialog:
      return CTLCOLOR_DLG;
    default:
      return CTLCOLOR_STATIC;
  }
}

namespace {

bool ShownOnScreen(HWND hwnd) {
  for (HWND w = hwnd; w; w = w->parent) {
    if (!w->visible) return false;
  }
  return true;
}

void PaintControl(HWND control) {
  CDC dc;
  SendTo(control->parent, WM_CTLCOLOR, reinterpret_cast<WPARAM>(&dc), reinterpret_cast<LPARAM>(control));
  control->textColor = dc.GetTextColor();
}

}  // namespace

void Paint(HWND hwnd) {
  if (!hwnd || !ShownOnScreen(hwnd)) return;
  if (hwnd->cls != ControlClass::kDialog) {
    if (hwnd->parent) PaintControl(hwnd);
    return;
  }
  for (const auto& child : hwnd->children) {
    if (child->visible) PaintControl(child.get());
  }
}

}  // namespace platform
