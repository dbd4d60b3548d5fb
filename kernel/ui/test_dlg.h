#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "kernel/ui/edit_setup_dlg.h"
#include "kernel/program_run.h"

class CVX_CoffFormat;
class CVX_Logger;

// The base of every commissioning test: a setup dialog (kernel bindings and
// all) with a test run on top. It owns the Start/Stop button, the result and
// status boxes, "&Details" and the progress bar (kernel/ui/test_base_ids.h),
// and the state the tests read and write directly: the running, continuous
// and stop flags, the outcome, the stage count and index and the error text.
//
// A test overrides BeginTest, which starts its run: it sets the running
// flag, the outcome -1 and the stage index 0, shows its stage texts with
// SetInfoText and starts the programs on the drive; it ends the run with
// TestSucceeded(1) or TestFailed(1) after setting the error text.
//
// Whatever way the dialog ends, a run still going is stopped: the drive
// resets (which stops the program and switches the axis off).
class CVX_TestDlg : public CVX_EditSetupDlg {
 public:
  // `flag` as for CVX_EditSetupDlg: 1 for every dialog of a plug-in.
  CVX_TestDlg(CVX_Setup* setup, UINT nIDTemplate, int flag, CWnd* pParentWnd = nullptr);
  ~CVX_TestDlg() override;

  // A failure of the machinery (a missing variable, a program that does not
  // start, an answer the drive should not give), as opposed to a finding
  // about the motor.
  static const char* const msc_pszErrInternal;
  // The preliminary positioning measured no current.
  static const char* const msc_pszErrInZero;

  // ----- the run -----
  // The Start/Stop button (10000). With no run: BeginTest. During a
  // continuous run: the stop flag is set, and the test ends itself on its
  // next tick. During a one-shot run: the run stops at once without a
  // result (running flag 0, outcome kept at -1, the drive reset).
  void OnBtnStartStop();
  // Starts the test's run; the base has none and does nothing.
  virtual void BeginTest();
  // Shows `text` as the current stage (status box and progress bar, "stage
  // i of n" with i the index plus one) and advances the stage index.
  void SetInfoText(std::string_view text);
  // With a non-zero argument the run ends now with this outcome: running and
  // stop flags 0, timer 1 killed, the outcome shown (after a failure with
  // the error text in the status box and "&Details" enabled). With 0 only
  // the display shows that outcome again (a page of the dialog comes back).
  void TestSucceeded(int bNewResult);
  void TestFailed(int bNewResult);

  bool IsTestRunning() const { return m_bTestRunning != 0; }
  // -1: no result yet; 1: succeeded; anything else: failed.
  int GetTestOutcome() const { return m_nTestOutcome; }
  const std::string& GetErrorText() const { return m_strErrorText; }
  int GetStepIndex() const { return m_nStepIndex; }
  int GetStepCount() const { return m_nStepCount; }

  // ----- the programs on the drive (kernel/program_run.h) -----
  static std::string GetOutPathName(std::string_view testName);
  // Starts `codeName` on the drive with the setup's registers; non-zero on
  // success.
  int ExecuteCode(std::string_view codeName, CVX_CoffFormat& coff, CVX_Logger* logger,
                  kernel::ExecuteCallback callback, void* context);
  static int SetUserVariableValue(CVX_CoffFormat& coff, std::string_view name, double value, std::string& errorText);
  static int GetUserVariableValue(const CVX_CoffFormat& coff, std::string_view name, double& value,
                                  std::string& errorText);
  static int GetAxisOn(int& on);

  // ----- the dialog -----
  INT_PTR DoModal() override;
  BOOL OnInitDialog() override;
  // Both stop a run that is still going first.
  void OnOK() override;
  void OnCancel() override;

 protected:
  // Tells the host's listener (kernel/ui/test_events.h) of a measured value
  // the test offers to keep.
  void ReportMeasuredValue(std::string_view label, std::string_view oldText, std::string_view newText) const;
  // Stops a run that is still going: timer 1 is killed, the drive reset and
  // the running flag cleared; the outcome stays as it is.
  void StopRun();

  int m_bTestRunning = 0;
  int m_bContinuousTest = 0;
  int m_bStopRequested = 0;
  int m_nTestOutcome = -1;
  std::uint16_t m_nStepCount = 5;
  std::uint16_t m_nStepIndex = 0;
  std::string m_strErrorText;

 private:
  void ShowProgress(int stage);
  void ShowRunning();
  void ShowOutcome(int outcome);
  void OnDetails();

  DECLARE_MESSAGE_MAP()
};
