#include "kernel/ui/test_dlg.h"

#include <algorithm>

#include <fmt/format.h>

#include "kernel/comm.h"
#include "kernel/ui/test_base_ids.h"
#include "kernel/ui/test_events.h"

namespace {

constexpr UINT_PTR kPollTimer = 1;
constexpr const char* kStartCaption = "&Start";
constexpr const char* kStopCaption = "&Stop";

}  // namespace

const char* const CVX_TestDlg::msc_pszErrInternal =
    "Internal error: the test could not start its program on the drive or read what the program left there. "
    "Check that the drive's firmware matches the setup and that the drive is connected.";
const char* const CVX_TestDlg::msc_pszErrInZero =
    "No current flowed during the preliminary positioning. Check the motor connections and the power supply, or "
    "increase the test current.";

BEGIN_MESSAGE_MAP(CVX_TestDlg, CVX_EditSetupDlg)
  ON_BN_CLICKED(testdlg::kStartStopButton, &CVX_TestDlg::OnBtnStartStop)
  ON_BN_CLICKED(testdlg::kDetailsButton, &CVX_TestDlg::OnDetails)
END_MESSAGE_MAP()

CVX_TestDlg::CVX_TestDlg(CVX_Setup* setup, UINT nIDTemplate, int flag, CWnd* pParentWnd)
    : CVX_EditSetupDlg(setup, nIDTemplate, flag, {}, pParentWnd) {}

CVX_TestDlg::~CVX_TestDlg() = default;

INT_PTR CVX_TestDlg::DoModal() {
  const INT_PTR result = CVX_EditSetupDlg::DoModal();
  // The dialog may end while a program still runs (a run of the dialogs
  // that stopped); the drive must not go on driving the motor.
  if (m_bTestRunning) StopRun();
  if (kernel::TestListener* listener = kernel::CurrentTestListener()) listener->OnTestClosed(*this, result);
  return result;
}

BOOL CVX_TestDlg::OnInitDialog() {
  const BOOL result = CVX_EditSetupDlg::OnInitDialog();
  SetDlgItemText(testdlg::kStartStopButton, kStartCaption);
  SetDlgItemText(testdlg::kResultBox, "");
  SetDlgItemText(testdlg::kStatusBox, "");
  EnableChild(testdlg::kDetailsButton, false);
  ShowProgress(0);
  if (kernel::TestListener* listener = kernel::CurrentTestListener()) listener->OnTestOpened(*this);
  return result;
}

void CVX_TestDlg::BeginTest() {}

void CVX_TestDlg::OnBtnStartStop() {
  if (!m_bTestRunning) {
    BeginTest();
    if (m_bTestRunning) ShowRunning();
    return;
  }
  if (m_bContinuousTest) {
    m_bStopRequested = 1;
    return;
  }
  StopRun();
  SetDlgItemText(testdlg::kResultBox, "Test stopped");
  SetDlgItemText(testdlg::kStartStopButton, kStartCaption);
  if (kernel::TestListener* listener = kernel::CurrentTestListener()) listener->OnTestEnded(*this, -1, "");
}

void CVX_TestDlg::StopRun() {
  KillTimer(kPollTimer);
  m_bTestRunning = 0;
  // A reset stops the program and switches the axis off; a failed reset
  // leaves its text in CVX_Comm::GetLastErrorText and there is nothing more
  // the dialog can do.
  CVX_Comm::ResetActiveBoard();
}

void CVX_TestDlg::ShowProgress(int stage) {
  CWnd* display = GetDlgItem(testdlg::kProgressBar);
  if (auto* progress = dynamic_cast<CProgressCtrl*>(display)) {
    progress->SetRange32(0, m_nStepCount);
    progress->SetPos(stage);
  } else if (display && display->GetControlClass() == platform::ControlClass::kStatic) {
    display->SetWindowText(stage == 0 ? "Ready" : fmt::format("Stage {} of {}", stage, m_nStepCount));
  }
}

void CVX_TestDlg::ShowRunning() {
  SetDlgItemText(testdlg::kStartStopButton, kStopCaption);
  SetDlgItemText(testdlg::kResultBox, "Test running");
  EnableChild(testdlg::kDetailsButton, false);
}

void CVX_TestDlg::SetInfoText(std::string_view text) {
  if (m_bTestRunning && m_nStepIndex == 0) ShowRunning();
  SetDlgItemText(testdlg::kStatusBox, text);
  const int stage = std::min<int>(m_nStepIndex + 1, m_nStepCount);
  ShowProgress(stage);
  ++m_nStepIndex;
  if (kernel::TestListener* listener = kernel::CurrentTestListener()) {
    listener->OnStageText(*this, text, stage, m_nStepCount);
  }
}

void CVX_TestDlg::TestSucceeded(int bNewResult) {
  if (bNewResult) {
    KillTimer(kPollTimer);
    m_bTestRunning = 0;
    m_bStopRequested = 0;
    m_nTestOutcome = 1;
    ShowProgress(m_nStepCount);
    if (kernel::TestListener* listener = kernel::CurrentTestListener()) listener->OnTestEnded(*this, 1, "");
  }
  ShowOutcome(1);
}

void CVX_TestDlg::TestFailed(int bNewResult) {
  if (bNewResult) {
    KillTimer(kPollTimer);
    m_bTestRunning = 0;
    m_bStopRequested = 0;
    m_nTestOutcome = 0;
    if (kernel::TestListener* listener = kernel::CurrentTestListener()) {
      listener->OnTestEnded(*this, 0, m_strErrorText);
    }
  }
  ShowOutcome(0);
}

void CVX_TestDlg::ShowOutcome(int outcome) {
  SetDlgItemText(testdlg::kStartStopButton, kStartCaption);
  if (outcome == 1) {
    SetDlgItemText(testdlg::kResultBox, "Test succeeded");
    // The last stage text is one of a test in progress ("Running test",
    // "Uploading results"); the result says how it ended.
    SetDlgItemText(testdlg::kStatusBox, "");
    EnableChild(testdlg::kDetailsButton, false);
    return;
  }
  SetDlgItemText(testdlg::kResultBox, "Test failed");
  SetDlgItemText(testdlg::kStatusBox, m_strErrorText.empty() ? "The test failed." : m_strErrorText);
  ShowChild(testdlg::kDetailsButton, true);
  EnableChild(testdlg::kDetailsButton, !m_strErrorText.empty());
}

void CVX_TestDlg::OnDetails() {
  if (!m_strErrorText.empty()) AfxMessageBox(m_strErrorText, MB_OK | MB_ICONERROR);
}

void CVX_TestDlg::ReportMeasuredValue(std::string_view label, std::string_view oldText,
                                      std::string_view newText) const {
  if (kernel::TestListener* listener = kernel::CurrentTestListener()) {
    listener->OnMeasuredValue(*this, label, oldText, newText);
  }
}

void CVX_TestDlg::OnOK() {
  if (m_bTestRunning) StopRun();
  CVX_EditSetupDlg::OnOK();
}

void CVX_TestDlg::OnCancel() {
  if (m_bTestRunning) StopRun();
  CVX_EditSetupDlg::OnCancel();
}

std::string CVX_TestDlg::GetOutPathName(std::string_view testName) { return kernel::GetOutPathName(testName); }

int CVX_TestDlg::ExecuteCode(std::string_view codeName, CVX_CoffFormat& coff, CVX_Logger* logger,
                             kernel::ExecuteCallback callback, void* context) {
  if (!GetSetup()) return 0;
  return kernel::ExecuteCode(*GetSetup(), codeName, coff, logger, callback, context);
}

int CVX_TestDlg::SetUserVariableValue(CVX_CoffFormat& coff, std::string_view name, double value,
                                      std::string& errorText) {
  return kernel::SetUserVariableValue(coff, name, value, errorText);
}

int CVX_TestDlg::GetUserVariableValue(const CVX_CoffFormat& coff, std::string_view name, double& value,
                                      std::string& errorText) {
  return kernel::GetUserVariableValue(coff, name, value, errorText);
}

int CVX_TestDlg::GetAxisOn(int& on) { return kernel::GetAxisOn(on); }
