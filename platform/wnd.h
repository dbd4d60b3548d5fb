#pragma once

#include <string>
#include <string_view>

#include "platform/control_class.h"
#include "platform/message_map.h"
#include "platform/win_types.h"

// The drawing state a WM_CTLCOLOR handler sets for a control's text.
class CDC {
 public:
  COLORREF SetTextColor(COLORREF color);
  COLORREF GetTextColor() const { return m_textColor; }
  COLORREF SetBkColor(COLORREF color);
  COLORREF GetBkColor() const { return m_bkColor; }
  int SetBkMode(int mode);

 private:
  COLORREF m_textColor = RGB(0, 0, 0);
  COLORREF m_bkColor = RGB(255, 255, 255);
  int m_bkMode = 2;
};

inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// A window: a dialog or one of its controls. A CWnd is an object attached to
// a window (its HWND); the framework creates one object per control when a
// dialog is built from its template, and a dialog may attach its own members
// too (DDX_Control). Every operation on an object that is not attached to a
// window does nothing and returns 0, an empty text or FALSE.
//
// Text set by code sends no notification; only a person's actions do
// (platform/user_actions.h), as with the real controls.
class CWnd {
 public:
  CWnd();
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }
  // The object that receives the messages of `hwnd`.
  static CWnd* FromHandle(HWND hwnd);
  // Attaches this object to an existing window; it then reads and changes
  // that window. FALSE when already attached or `hwnd` is null.
  BOOL Attach(HWND hwnd);
  HWND Detach();
  // Attaches to the control `nID` of `pParent` and becomes the object that
  // receives its messages (GetDlgItem then returns this object).
  BOOL SubclassDlgItem(UINT nID, CWnd* pParent);

  // ----- identity -----
  int GetDlgCtrlID() const;
  platform::ControlClass GetControlClass() const;
  CWnd* GetParent() const;
  CWnd* GetDlgItem(int nID) const;

  // ----- text -----
  void SetWindowText(std::string_view text);
  std::string GetWindowText() const;
  int GetWindowText(std::string& text) const;
  int GetWindowTextLength() const;
  void SetDlgItemText(int nID, std::string_view text);
  std::string GetDlgItemText(int nID) const;
  void SetDlgItemInt(int nID, UINT value, BOOL bSigned = TRUE);
  UINT GetDlgItemInt(int nID, BOOL* pTranslated = nullptr, BOOL bSigned = TRUE) const;

  // ----- visibility, enabled and check state -----
  // Returns whether the window was visible before.
  BOOL ShowWindow(int nCmdShow);
  // Visible when the window and every window that holds it are.
  BOOL IsWindowVisible() const;
  // Returns TRUE when the window was disabled before.
  BOOL EnableWindow(BOOL bEnable = TRUE);
  BOOL IsWindowEnabled() const;
  void CheckDlgButton(int nIDButton, UINT nCheck);
  UINT IsDlgButtonChecked(int nIDButton) const;
  // Checks `nIDCheckButton` and clears the other buttons of the range.
  void CheckRadioButton(int nIDFirstButton, int nIDLastButton, int nIDCheckButton);
  // The checked button of the range, or 0.
  int GetCheckedRadioButton(int nIDFirstButton, int nIDLastButton) const;

  // ----- geometry (dialog units of the template) -----
  void GetWindowRect(RECT* rect) const;
  void GetClientRect(RECT* rect) const;
  void MoveWindow(int x, int y, int width, int height, BOOL bRepaint = TRUE);
  void CenterWindow(CWnd* pAlternateOwner = nullptr);

  // ----- painting -----
  // A control is painted when the dialog waits for the person; its text
  // colour is then what the dialog's WM_CTLCOLOR handler chose.
  void Invalidate(BOOL bErase = TRUE);
  BOOL RedrawWindow();
  void UpdateWindow();
  COLORREF GetTextColor() const;

  // ----- focus -----
  CWnd* SetFocus();
  static CWnd* GetFocus();

  // ----- messages -----
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // Sees a key or other input message before it is dispatched; TRUE when
  // the message was handled and must not be dispatched.
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // The default handling of the message being dispatched.
  LRESULT Default();
  virtual const platform::MessageMap* GetMessageMap() const;

  // ----- timers (on timebase::CurrentClock()) -----
  // Starts or restarts timer `nIDEvent`: WM_TIMER every `nElapse` ms until
  // killed or the window is destroyed. 0 when the window does not exist.
  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, void* lpfnTimer = nullptr);
  BOOL KillTimer(UINT_PTR nIDEvent);

  int MessageBox(std::string_view text, LPCTSTR lpszCaption = nullptr, UINT nType = MB_OK);

  // ----- the framework's handlers; a class's message map names its own -----
  void OnTimer(UINT_PTR nIDEvent);
  void OnShowWindow(BOOL bShow, UINT nStatus);
  HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
  void OnClose();
  void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);

 protected:
  static const platform::MessageMap* GetThisMessageMap();
};

namespace platform {

// Sends a message to the object of a window; 0 when the window is null.
LRESULT SendTo(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Paints a window's visible controls: asks the dialog for each control's
// text colour (WM_CTLCOLOR) and keeps it.
void Paint(HWND hwnd);

}  // namespace platform
