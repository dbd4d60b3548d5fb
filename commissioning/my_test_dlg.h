#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commissioning/measured_values.h"
#include "kernel/setup_snapshot.h"
#include "kernel/ui/test_dlg.h"

class CGraphWindow;
class CVX_CoffFormat;
class CVX_SingleAxisLogger;

// The base of the plug-in's commissioning tests, on the kernel's test base.
// It holds the steps every test takes the same way, so that a test states
// only its own stages, variables, formulas and messages:
//
//   BeginTest:  StartRun(), SetInfoText(stage 0), write the inputs
//               (SetUserVariableValue), RunProgram(...), SetInfoText(stage 1),
//               PollAgain().
//   OnPollTick: switch on m_nStepIndex; WaitForProgram(...) says whether the
//               program still runs (the tick is re-armed), has finished, or
//               the test has failed; a finished positioning program gives
//               its reference through ReadPositioningResult; a logging
//               program's points come through UploadResults.
//   OnCancel:   AskToKeepMeasuredValues, then the test's scheme.
//
// Every failing step sets the error text and calls TestFailed(1) itself;
// the caller only returns.
//
// Whatever way the dialog ends, the setup keeps what the test changed only
// when it ends with OK: any other end puts back every parameter and option
// as they were when the dialog opened (after the construction rule below,
// which holds on purpose). The open-loop "OSR" override never outlives the
// dialog.
class CMyTestDlg : public CVX_TestDlg {
 public:
  // Unless the template is 102 or 103 (speed and position tuning), a setup
  // with "ABSTART_MINMOVE" gets 0 there: a test must not wait for the start
  // mode's minimum move.
  CMyTestDlg(CVX_Setup* setup, UINT nIDTemplate, int flag, CWnd* pParentWnd = nullptr);
  ~CMyTestDlg() override;

  // Reads "MER" and looks at the bits `mask` selects (commissioning/
  // drive_errors.h). 1 when none is set. Otherwise the error text names the
  // first one set, the test fails when `failTest` is non-zero, and 0 is
  // returned. A setup without "MER" or a failed read gives the internal-error
  // text and 0, whatever the mask.
  int CheckDriveErrors(int failTest, std::uint16_t mask);

  INT_PTR DoModal() override;

 protected:
  // ----- starting a run -----
  // The first step of every BeginTest: running flag 1, outcome -1, stage
  // index 0, stop flag 0. The drive's latched errors are acknowledged (a
  // write of "MER" := 0), so an error left by an earlier run (a limit switch,
  // a control error) cannot fail this one with a stale text; a cause still
  // present raises its bit again at once and is reported afresh. False, with
  // the test failed, when the drive cannot be told.
  bool StartRun();
  // ExecuteCode with the setup's registers; a program that does not start
  // fails the test with the internal-error text.
  bool RunProgram(std::string_view codeName, CVX_CoffFormat& coff, CVX_Logger* logger = nullptr);

  // ----- polling -----
  // Arms timer 1 for one tick 20 ms from now (the tick kills it first, so
  // one tick at most is pending). A timer that cannot be made fails the
  // test.
  bool PollAgain();
  // Each tick of timer 1 while the running flag is set, with the timer
  // already killed. The base fails the test as an unknown stage would.
  virtual void OnPollTick();

  enum class ProgramState { kRunning, kFinished, kFailed };
  // One look at the program of `coff`: kRunning while "STARTED" is 0 or the
  // axis is on (the drive errors of `mask` checked and the tick re-armed),
  // kFinished once it started and the axis is off. A read that fails, a
  // protection bit of `mask`, or a program that has not started within
  // kStartTimeout of RunProgram fail the test (kFailed). With
  // `checkWhileRunning` false the errors are checked only before the start.
  ProgramState WaitForProgram(const CVX_CoffFormat& coff, std::uint16_t mask, bool checkWhileRunning = true);
  // WaitForProgram, and once the program has ended, a check that no
  // protection of `stoppedMask` (commissioning/drive_errors.h) cut it
  // short, since such a run has no result. True when the program ended with
  // its results to read.
  bool ProgramEnded(const CVX_CoffFormat& coff, std::uint16_t mask, std::uint16_t stoppedMask);
  // The drive starts a program at its next slow-loop sample; one that has
  // not started after this long will not.
  static constexpr std::chrono::seconds kStartTimeout{5};

  // ----- the positioning program -----
  // "Initial_Positioning_Test_SOL3" for a three-phase motor in open loop,
  // "Initial_Positioning_Test" otherwise.
  static std::string PositioningProgramName(const CVX_Setup& setup);
  // After the positioning program has finished: "In1" read back (the missing
  // value is an internal error; 0 or below, or only exactly 0 when
  // `onlyZeroFails`, is the zero-input text) and then "REFTST_V", the
  // reference the next program takes as "RefTest". Nothing when the test
  // has failed.
  std::optional<double> ReadPositioningResult(const CVX_CoffFormat& coff, bool onlyZeroFails = false);

  // A drive variable of axis 1 read from the drive, in internal units or
  // base units. A variable the setup lacks gives the internal-error text, a
  // failed read the link's text; the test fails and nothing is returned.
  std::optional<double> ReadDriveVariable(std::string_view name, bool inBaseUnit = false);

  // ----- the result upload -----
  enum class UploadEnd { kComplete, kStoppedByPerson, kFailed };
  // Uploads what `logger` recorded, showing `stageText`: the graph (if any)
  // is zoomed out, each point redrawn as it comes and pending window
  // messages are dispatched between points. A continuous test whose stop
  // flag rises ends the loop as complete; a one-shot test the person
  // stopped returns kStoppedByPerson without a result. On completion the
  // graph is zoomed out again and the test succeeds. A failed upload fails
  // the test.
  // With `succeed` false a complete upload leaves the outcome to the
  // caller (a test that judges the run by what the program reports).
  UploadEnd UploadResults(CVX_SingleAxisLogger& logger, CGraphWindow* graph, std::string_view stageText,
                          bool succeed = true);

  // ----- the open-loop "OSR" override -----
  // For a two-phase motor in open loop: keeps "OSR" and sets its bit 14 for
  // the dialog's life. Call from OnInitDialog.
  void OverrideOpenLoopOSR();
  // Puts "OSR" back; does nothing when it was not overridden.
  void RestoreOpenLoopOSR();

  // ----- measured values -----
  // After a successful run, the values whose old and new texts differ are
  // reported to the host's listener and put to the person in the question
  // of commissioning/measured_values.h (Yes, No, Cancel, question icon);
  // returns IDYES, IDNO or IDCANCEL. 0, without asking, when the run did not
  // succeed or nothing differs.
  int AskToKeepMeasuredValues(const std::vector<commissioning::MeasuredValue>& values);
  // Ends the dialog after that question in the keep-on-Yes scheme where No
  // gives the values up: Yes ends with OK (the measured values are in the
  // setup already), No with Cancel (which puts the setup back), Cancel
  // leaves the dialog open; with nothing asked (0) the kernel's cancel runs.
  void EndKeepingOnYes(int answer);

  // ----- failing -----
  void Fail(std::string_view text);
  void FailInternal();
  // Resets the active board, as the serial tests leave the drive at the end
  // of a run. A reset the link refuses fails the run with the link's text
  // (unless it has failed already): the drive is not as the test leaves it,
  // so the run must not pass. Call it before declaring success.
  bool ResetBoard();

  // ----- help -----
  // The topic the Help button (10024) opens; 0: the button does nothing.
  void SetHelpContext(unsigned long context) { m_helpContext = context; }

 private:
  void OnTimer(UINT_PTR nIDEvent);
  void OnHelp();

  std::optional<kernel::SetupSnapshot> m_openedAs;
  std::optional<double> m_savedOSR;
  std::chrono::nanoseconds m_programStarted{};
  unsigned long m_helpContext = 0;

  DECLARE_MESSAGE_MAP()
};
