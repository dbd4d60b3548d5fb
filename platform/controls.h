#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/wnd.h"

// The control classes of the dialog templates. Each is a view of its window:
// the framework makes one for every control when the dialog is built, and
// GetDlgItem returns it; a dialog may attach further objects of the same
// class (DDX_Control). Setting state from code sends no notification.

class CEdit : public CWnd {
 public:
  // The most characters a person can type; 0 lifts the limit.
  void SetLimitText(UINT nMax);
  void LimitText(int nChars = 0) { SetLimitText(static_cast<UINT>(nChars)); }
  UINT GetLimitText() const;
  BOOL SetReadOnly(BOOL bReadOnly = TRUE);
};

// Push, bitmap, check and radio buttons, and group boxes.
class CButton : public CWnd {
 public:
  int GetCheck() const;
  void SetCheck(int nCheck);
  // The image of a bitmap button; returns the previous one.
  HBITMAP SetBitmap(HBITMAP hBitmap);
  HBITMAP GetBitmap() const;
};

// Static text and pictures.
class CStatic : public CWnd {
 public:
  HBITMAP SetBitmap(HBITMAP hBitmap);
  HBITMAP GetBitmap() const;
};

class CComboBox : public CWnd {
 public:
  int GetCount() const;
  int GetCurSel() const;
  // Selects entry `nSelect` (-1: none) and shows its text; CB_ERR when out of range.
  int SetCurSel(int nSelect);
  // Appends an entry; returns its index.
  int AddString(std::string_view text);
  // Inserts before `nIndex` (-1: at the end); CB_ERR when out of range.
  int InsertString(int nIndex, std::string_view text);
  // Removes an entry; returns the number left, or CB_ERR.
  int DeleteString(UINT nIndex);
  void ResetContent();
  int GetLBText(int nIndex, std::string& text) const;
  std::string GetLBText(int nIndex) const;
  int GetLBTextLen(int nIndex) const;
  int SetItemData(int nIndex, DWORD_PTR data);
  // The data of an entry; CB_ERR for an index out of range.
  DWORD_PTR GetItemData(int nIndex) const;
  // The first entry after `nStartAfter` (-1: from the start) whose text
  // begins with `prefix`, ignoring case; CB_ERR when none.
  int FindString(int nStartAfter, std::string_view prefix) const;
  // The same for the whole text.
  int FindStringExact(int nStartAfter, std::string_view text) const;
  // Selects what FindString finds; returns its index or CB_ERR.
  int SelectString(int nStartAfter, std::string_view prefix);
};

class CTabCtrl : public CWnd {
 public:
  // Inserts a page before `nItem`; returns its index.
  int InsertItem(int nItem, std::string_view text);
  BOOL DeleteItem(int nItem);
  BOOL DeleteAllItems();
  int GetItemCount() const;
  std::string GetItemText(int nItem) const;
  int GetCurSel() const;
  // Selects a page and returns the previous one, or -1.
  int SetCurSel(int nItem);
};

class CSliderCtrl : public CWnd {
 public:
  void SetRange(int nMin, int nMax, BOOL bRedraw = FALSE);
  void SetRangeMin(int nMin, BOOL bRedraw = FALSE);
  void SetRangeMax(int nMax, BOOL bRedraw = FALSE);
  int GetRangeMin() const;
  int GetRangeMax() const;
  // Within the range.
  void SetPos(int nPos);
  int GetPos() const;
};

class CSpinButtonCtrl : public CWnd {
 public:
  void SetRange(short nLower, short nUpper) { SetRange32(nLower, nUpper); }
  void SetRange32(int nLower, int nUpper);
  void GetRange32(int& nLower, int& nUpper) const;
  // Within the range; returns the previous position.
  int SetPos(int nPos);
  int GetPos() const;
  CWnd* SetBuddy(CWnd* pWndBuddy);
  CWnd* GetBuddy() const;
};

// A progress bar: a position within a range, as a running test shows how far
// it has come.
class CProgressCtrl : public CWnd {
 public:
  void SetRange(short nLower, short nUpper) { SetRange32(nLower, nUpper); }
  void SetRange32(int nLower, int nUpper);
  void GetRange(int& nLower, int& nUpper) const;
  // Within the range; returns the previous position.
  int SetPos(int nPos);
  int GetPos() const;
};

namespace platform {

// The object the framework makes for a control of class `cls`. The kernel's
// widgets (graphs, bar graphs, diagrams) get a plain CWnd, which the widget
// object replaces when it subclasses the control.
std::unique_ptr<CWnd> MakeControlObject(ControlClass cls);

}  // namespace platform
