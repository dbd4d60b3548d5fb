#include "platform/controls.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "platform/window_state.h"

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (prefix.size() > text.size()) return false;
  return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  });
}

// `position` inside the control's range, which may run downwards (a spin's
// lower end above its upper one).
int WithinRange(HWND hwnd, int position) {
  return std::clamp(position, std::min(hwnd->rangeMin, hwnd->rangeMax), std::max(hwnd->rangeMin, hwnd->rangeMax));
}

bool InRange(HWND hwnd, int index) { return hwnd && index >= 0 && index < static_cast<int>(hwnd->items.size()); }

// Searches after `startAfter`, wrapping round to the start, as the real list does.
template <class Match>
int FindItem(HWND hwnd, int startAfter, Match match) {
  if (!hwnd) return CB_ERR;
  const int count = static_cast<int>(hwnd->items.size());
  const int start = InRange(hwnd, startAfter) ? startAfter + 1 : 0;
  for (int n = 0; n < count; ++n) {
    const int i = (start + n) % count;
    if (match(hwnd->items[static_cast<std::size_t>(i)].text)) return i;
  }
  return CB_ERR;
}

}  // namespace

void CEdit::SetLimitText(UINT nMax) {
  if (m_hWnd) m_hWnd->limitText = static_cast<int>(nMax);
}

UINT CEdit::GetLimitText() const { return m_hWnd ? static_cast<UINT>(m_hWnd->limitText) : 0; }

BOOL CEdit::SetReadOnly(BOOL bReadOnly) {
  if (!m_hWnd) return FALSE;
  m_hWnd->readOnly = bReadOnly != FALSE;
  return TRUE;
}

int CButton::GetCheck() const { return m_hWnd ? m_hWnd->check : BST_UNCHECKED; }

void CButton::SetCheck(int nCheck) {
  if (m_hWnd && platform::HasCheckState(m_hWnd->cls)) m_hWnd->check = nCheck;
}

HBITMAP CButton::SetBitmap(HBITMAP hBitmap) { return m_hWnd ? std::exchange(m_hWnd->bitmap, hBitmap) : nullptr; }
HBITMAP CButton::GetBitmap() const { return m_hWnd ? m_hWnd->bitmap : nullptr; }
HBITMAP CStatic::SetBitmap(HBITMAP hBitmap) { return m_hWnd ? std::exchange(m_hWnd->bitmap, hBitmap) : nullptr; }
HBITMAP CStatic::GetBitmap() const { return m_hWnd ? m_hWnd->bitmap : nullptr; }

int CComboBox::GetCount() const { return m_hWnd ? static_cast<int>(m_hWnd->items.size()) : 0; }

int CComboBox::GetCurSel() const { return m_hWnd ? m_hWnd->selection : CB_ERR; }

int CComboBox::SetCurSel(int nSelect) {
  if (!m_hWnd) return CB_ERR;
  if (!InRange(m_hWnd, nSelect)) {
    m_hWnd->selection = -1;
    if (!m_hWnd->editableCombo) m_hWnd->text.clear();
    return CB_ERR;
  }
  m_hWnd->selection = nSelect;
  m_hWnd->text = m_hWnd->items[static_cast<std::size_t>(nSelect)].text;
  return nSelect;
}

int CComboBox::AddString(std::string_view text) { return InsertString(-1, text); }

int CComboBox::InsertString(int nIndex, std::string_view text) {
  if (!m_hWnd) return CB_ERR;
  auto& items = m_hWnd->items;
  if (nIndex == -1) nIndex = static_cast<int>(items.size());
  if (nIndex < 0 || nIndex > static_cast<int>(items.size())) return CB_ERR;
  items.insert(items.begin() + nIndex, HWND__::Item{std::string(text), 0});
  if (m_hWnd->selection >= nIndex) ++m_hWnd->selection;
  return nIndex;
}

int CComboBox::DeleteString(UINT nIndex) {
  const int index = static_cast<int>(nIndex);
  if (!InRange(m_hWnd, index)) return CB_ERR;
  m_hWnd->items.erase(m_hWnd->items.begin() + index);
  if (m_hWnd->selection == index) {
    SetCurSel(-1);
  } else if (m_hWnd->selection > index) {
    --m_hWnd->selection;
  }
  return static_cast<int>(m_hWnd->items.size());
}

void CComboBox::ResetContent() {
  if (!m_hWnd) return;
  m_hWnd->items.clear();
  SetCurSel(-1);
}

int CComboBox::GetLBText(int nIndex, std::string& text) const {
  if (!InRange(m_hWnd, nIndex)) return CB_ERR;
  text = m_hWnd->items[static_cast<std::size_t>(nIndex)].text;
  return static_cast<int>(text.size());
}

std::string CComboBox::GetLBText(int nIndex) const {
  std::string text;
  GetLBText(nIndex, text);
  return text;
}

int CComboBox::GetLBTextLen(int nIndex) const {
  return InRange(m_hWnd, nIndex) ? static_cast<int>(m_hWnd->items[static_cast<std::size_t>(nIndex)].text.size())
                                 : CB_ERR;
}

int CComboBox::SetItemData(int nIndex, DWORD_PTR data) {
  if (!InRange(m_hWnd, nIndex)) return CB_ERR;
  m_hWnd->items[static_cast<std::size_t>(nIndex)].data = data;
  return 0;
}

DWORD_PTR CComboBox::GetItemData(int nIndex) const {
  return InRange(m_hWnd, nIndex) ? m_hWnd->items[static_cast<std::size_t>(nIndex)].data
                                 : static_cast<DWORD_PTR>(CB_ERR);
}

int CComboBox::FindString(int nStartAfter, std::string_view prefix) const {
  return FindItem(m_hWnd, nStartAfter, [&](const std::string& text) { return StartsWithNoCase(text, prefix); });
}

int CComboBox::FindStringExact(int nStartAfter, std::string_view text) const {
  return FindItem(m_hWnd, nStartAfter, [&](const std::string& item) {
    return item.size() == text.size() && StartsWithNoCase(item, text);
  });
}

int CComboBox::SelectString(int nStartAfter, std::string_view prefix) {
  const int index = FindString(nStartAfter, prefix);
  if (index == CB_ERR) return CB_ERR;
  return SetCurSel(index);
}

int CTabCtrl::InsertItem(int nItem, std::string_view text) {
  if (!m_hWnd) return -1;
  auto& items = m_hWnd->items;
  nItem = std::clamp(nItem, 0, static_cast<int>(items.size()));
  items.insert(items.begin() + nItem, HWND__::Item{std::string(text), 0});
  if (m_hWnd->selection == -1) {
    m_hWnd->selection = 0;
  } else if (m_hWnd->selection >= nItem) {
    ++m_hWnd->selection;
  }
  return nItem;
}

BOOL CTabCtrl::DeleteItem(int nItem) {
  if (!InRange(m_hWnd, nItem)) return FALSE;
  m_hWnd->items.erase(m_hWnd->items.begin() + nItem);
  int& selection = m_hWnd->selection;
  if (selection > nItem) --selection;
  selection = std::min(selection, static_cast<int>(m_hWnd->items.size()) - 1);
  return TRUE;
}

BOOL CTabCtrl::DeleteAllItems() {
  if (!m_hWnd) return FALSE;
  m_hWnd->items.clear();
  m_hWnd->selection = -1;
  return TRUE;
}

int CTabCtrl::GetItemCount() const { return m_hWnd ? static_cast<int>(m_hWnd->items.size()) : 0; }

std::string CTabCtrl::GetItemText(int nItem) const {
  return InRange(m_hWnd, nItem) ? m_hWnd->items[static_cast<std::size_t>(nItem)].text : std::string();
}

int CTabCtrl::GetCurSel() const { return m_hWnd ? m_hWnd->selection : -1; }

int CTabCtrl::SetCurSel(int nItem) {
  if (!InRange(m_hWnd, nItem)) return -1;
  return std::exchange(m_hWnd->selection, nItem);
}

void CSliderCtrl::SetRange(int nMin, int nMax, BOOL) {
  if (!m_hWnd) return;
  m_hWnd->rangeMin = nMin;
  m_hWnd->rangeMax = nMax;
  m_hWnd->position = std::clamp(m_hWnd->position, nMin, std::max(nMin, nMax));
}

void CSliderCtrl::SetRangeMin(int nMin, BOOL bRedraw) { SetRange(nMin, GetRangeMax(), bRedraw); }
void CSliderCtrl::SetRangeMax(int nMax, BOOL bRedraw) { SetRange(GetRangeMin(), nMax, bRedraw); }
int CSliderCtrl::GetRangeMin() const { return m_hWnd ? m_hWnd->rangeMin : 0; }
int CSliderCtrl::GetRangeMax() const { return m_hWnd ? m_hWnd->rangeMax : 0; }

void CSliderCtrl::SetPos(int nPos) {
  if (m_hWnd) m_hWnd->position = std::clamp(nPos, m_hWnd->rangeMin, std::max(m_hWnd->rangeMin, m_hWnd->rangeMax));
}

int CSliderCtrl::GetPos() const { return m_hWnd ? m_hWnd->position : 0; }

void CSpinButtonCtrl::SetRange32(int nLower, int nUpper) {
  if (!m_hWnd) return;
  m_hWnd->rangeMin = nLower;
  m_hWnd->rangeMax = nUpper;
}

void CSpinButtonCtrl::GetRange32(int& nLower, int& nUpper) const {
  nLower = m_hWnd ? m_hWnd->rangeMin : 0;
  nUpper = m_hWnd ? m_hWnd->rangeMax : 0;
}

int CSpinButtonCtrl::SetPos(int nPos) {
  if (!m_hWnd) return 0;
  return std::exchange(m_hWnd->position, WithinRange(m_hWnd, nPos));
}

int CSpinButtonCtrl::GetPos() const { return m_hWnd ? m_hWnd->position : 0; }

CWnd* CSpinButtonCtrl::SetBuddy(CWnd* pWndBuddy) {
  if (!m_hWnd) return nullptr;
  CWnd* previous = FromHandle(m_hWnd->buddy);
  m_hWnd->buddy = pWndBuddy ? pWndBuddy->m_hWnd : nullptr;
  return previous;
}

CWnd* CSpinButtonCtrl::GetBuddy() const { return m_hWnd ? FromHandle(m_hWnd->buddy) : nullptr; }

void CProgressCtrl::SetRange32(int nLower, int nUpper) {
  if (!m_hWnd) return;
  m_hWnd->rangeMin = nLower;
  m_hWnd->rangeMax = nUpper;
  m_hWnd->position = WithinRange(m_hWnd, m_hWnd->position);
}

void CProgressCtrl::GetRange(int& nLower, int& nUpper) const {
  nLower = m_hWnd ? m_hWnd->rangeMin : 0;
  nUpper = m_hWnd ? m_hWnd->rangeMax : 0;
}

int CProgressCtrl::SetPos(int nPos) {
  if (!m_hWnd) return 0;
  return std::exchange(m_hWnd->position, WithinRange(m_hWnd, nPos));
}

int CProgressCtrl::GetPos() const { return m_hWnd ? m_hWnd->position : 0; }

namespace platform {

std::unique_ptr<CWnd> MakeControlObject(ControlClass cls) {
  switch (cls) {
    case ControlClass::kEdit:
      return std::make_unique<CEdit>();
    case ControlClass::kComboBox:
      return std::make_unique<CComboBox>();
    case ControlClass::kCheckBox:
    case ControlClass::kRadioButton:
    case ControlClass::kPushButton:
    case ControlClass::kBitmapButton:
    case ControlClass::kGroupBox:
      return std::make_unique<CButton>();
    case ControlClass::kStatic:
    case ControlClass::kPicture:
      return std::make_unique<CStatic>();
    case ControlClass::kTab:
      return std::make_unique<CTabCtrl>();
    case ControlClass::kSlider:
      return std::make_unique<CSliderCtrl>();
    case ControlClass::kSpin:
      return std::make_unique<CSpinButtonCtrl>();
    case ControlClass::kProgress:
      return std::make_unique<CProgressCtrl>();
    case ControlClass::kGraph:
    case ControlClass::kBarGraph:
    case ControlClass::kEncoderDiagram:
    case ControlClass::kPhaseDiagram:
    case ControlClass::kDialog:
      break;
  }
  return std::make_unique<CWnd>();
}

}  // namespace platform
