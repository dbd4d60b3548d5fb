#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/controls.h"
#include "platform/wnd.h"

// One exchange between a dialog's controls and its data (UpdateData).
class CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

  BOOL m_bSaveAndValidate;  // TRUE: controls to data; FALSE: data to controls
  CWnd* m_pDlgWnd;

  // The exchange did not validate; UpdateData returns FALSE.
  void Fail() { m_failed = true; }
  bool Failed() const { return m_failed; }
  // The window of control `nIDC`; a missing control fails the exchange.
  HWND PrepareCtrl(int nIDC);

 private:
  bool m_failed = false;
};

// Attaches `control` to the dialog's control `nIDC` (once; later exchanges
// leave it attached).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control);
void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);
// A text that is not a number shows "Please enter an integer." / "Please
// enter a number." and fails the exchange.
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Text(CDataExchange* pDX, int nIDC, double& value);
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// `value` is the index of the checked button in the radio group that starts
// at `nIDC` (-1: none).
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);

// A modal dialog built from a dialog template of the current resources
// (platform/resources.h).
//
// DoModal builds the windows, calls OnInitDialog, shows the dialog (sending
// WM_SHOWWINDOW) and then runs its modal loop: dispatch the posted messages
// and the timers that are due, paint, and let the current user act
// (platform/user.h), until EndDialog is called. Dialogs nest: a handler may
// open another dialog, whose DoModal returns its result to that handler.
class CDialog : public CWnd {
 public:
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  ~CDialog() override;

  // The result passed to EndDialog; -1 when the dialog could not be shown
  // (no template) or the run stopped: the user had nothing more to do while
  // the dialog was open, or gave up (the reason is the user's Stop reason).
  virtual INT_PTR DoModal();
  // Ends the modal loop with `nResult` once the current handler returns.
  void EndDialog(int nResult);

  UINT GetTemplateId() const { return m_nIDTemplate; }
  // Tells one showing of a dialog from every other in the process, also
  // from a later dialog that reuses its object or its address: a front end
  // names the dialog a person acted on by it. 0 before the first DoModal.
  std::uint64_t GetModalSerial() const { return m_modalSerial; }
  // True between the creation of the windows and the end of DoModal.
  bool IsModalRunning() const { return m_window != nullptr; }
  // True once EndDialog was called; the modal loop ends when the handler returns.
  bool EndRequested() const { return m_ended; }
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

  // The framework's steps; derived dialogs override them and call these.
  virtual BOOL OnInitDialog();  // UpdateData(FALSE)
  virtual void OnOK();          // UpdateData(TRUE), then EndDialog(IDOK)
  virtual void OnCancel();      // EndDialog(IDCANCEL)
  virtual void DoDataExchange(CDataExchange* pDX);

  // Escape cancels; Enter presses the default button (IDOK when none).
  BOOL PreTranslateMessage(MSG* pMsg) override;
  // WM_CLOSE cancels, as the title bar's close box does.
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  bool CreateFromTemplate();
  void DestroyWindows();
  void RunModalLoop();

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;
  std::unique_ptr<HWND__> m_window;
  bool m_ended = false;
  INT_PTR m_result = -1;
  std::uint64_t m_modalSerial = 0;

  DECLARE_MESSAGE_MAP()
};
