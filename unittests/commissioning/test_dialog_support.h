#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drive/simulated_drive.h"
#include "kernel/drive_interface.h"
#include "kernel/ui/test_base_ids.h"
#include "kernel/ui/test_events.h"
#include "platform/user_script.h"
#include "unittests/dialogs/dialog_test_support.h"

// The fixture of the commissioning dialog tests: the dialog fixture (the
// project's resources, virtual time, the engine's unit scales, an example
// setup) with the simulated drive of that setup attached, and a record of
// what the test dialogs reported while they ran.
namespace commissioningtest {

// What test dialogs told the host's listener, in order.
struct TestEvents final : kernel::TestListener {
  struct Measured {
    std::string label;
    std::string oldText;
    std::string newText;
  };

  std::vector<std::string> stages;    // the stage texts shown
  std::vector<int> outcomes;          // each run's end: 1, -1, or 0 (failed)
  std::vector<std::string> errors;    // the error text of each failed run
  std::vector<Measured> measured;     // the values offered for keeping
  std::vector<INT_PTR> closed;        // each dialog's result

  void OnTestOpened(const CVX_TestDlg&) override {}
  void OnStageText(const CVX_TestDlg&, std::string_view text, int, int) override;
  void OnTestEnded(const CVX_TestDlg&, int outcome, std::string_view errorText) override;
  void OnMeasuredValue(const CVX_TestDlg&, std::string_view label, std::string_view oldText,
                       std::string_view newText) override;
  void OnTestClosed(const CVX_TestDlg&, INT_PTR result) override;
};

class TestDialogTest : public dialogtest::DialogTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Adds a dialog template (JSON text) to the resources, for a test dialog
  // that only a test case builds.
  void AddTemplate(std::string_view json);

  // Makes the simulated drive of `setup` with `simulation` (a "simulation"
  // object as JSON text; empty: the setup's own) and installs it as the
  // active drive. Call after choosing the example and its values.
  void AttachDrive(std::string_view simulation = "");
  drive::SimulatedDrive& Drive() { return *drive_; }

  // Loads the example `example` and attaches its simulated drive in the
  // world `simulation` describes, for a case that changes nothing between.
  void UseDrive(std::string_view example, std::string_view simulation = "");

  // Plays `script` while `test` is the outermost dialog; the script must run
  // as written. Returns the dialog's result.
  INT_PTR RunTest(CDialog& test, platform::UserScript& script);
  // Plays `script` while `open` shows the dialog, with the questions whether
  // to keep measured values answered in turn from `answers` (IDYES, IDNO,
  // IDCANCEL), whatever values they list, since their texts hold values a
  // script cannot know; a question beyond the answers stops the run. The
  // questions asked are kept in `questions`.
  platform::ScriptRun RunAnsweringKeep(platform::UserScript& script, std::vector<int> answers,
                                       const std::function<INT_PTR()>& open,
                                       std::vector<std::string>* questions = nullptr);

  // Plays `script` while `open` shows the dialog, with a person who watches
  // the simulated motor: "Is the motor running smoothly?" is answered from
  // what the shaft does (SimulatedDrive::MotorRunsSmoothly), the question
  // whether to keep measured values with Yes.
  platform::ScriptRun RunWatchingTheMotor(platform::UserScript& script, const std::function<INT_PTR()>& open);

  // Plays `script` in the dialog `open` makes (a test that fails or is
  // stopped), with no question whether to keep values answered (one stops
  // the run); fails the case unless the script ran, the dialog ended with
  // Cancel and the setup is as it was when the dialog opened.
  void ExpectEndsKeepingNothing(platform::UserScript& script, const std::function<std::unique_ptr<CDialog>()>& open);

  // The setup as a setup file holds it, to tell whether a dialog left it as
  // it was.
  std::string Saved() const;
  // Fails the case, naming the first line that differs, when the setup is
  // not as `saved` holds it.
  void ExpectUnchangedSince(const std::string& saved) const;

  // What a person does for one run: Start, then wait until the Start/Stop
  // button reads "&Start" again (the run ended), for at most `maxMs`.
  static platform::UserScript& StartAndWait(platform::UserScript& script, int maxMs = 60000);
  // In a tuning test's "Test" page (`tabs` page 1), the scope's settings
  // changed to `points` and `divider`, back in `caption`.
  static platform::UserScript& ChangeScopeSettings(platform::UserScript& script, const std::string& caption,
                                                   int tabs, int points, int divider);
  // One run and out: Start, wait for the run's end, Close. The dialog's
  // result; what the run reported is in `events`.
  INT_PTR RunOnceAndClose(CDialog& test);

  // What a person does to see a tuning test's designed gains at work: the
  // "Test" page (`tabs` page 1), "Tune", one run, then Close. Returns every
  // point the run logged.
  template <class TuningTest>
  std::vector<std::vector<double>> TuneAndRun(TuningTest& test, std::string_view caption, int tabs, int tune) {
    std::vector<std::vector<double>> points;
    platform::UserScript script;
    script.ExpectDialog(std::string(caption)).Tab(tabs, 1).Click(tune);
    StartAndWait(script)
        .Call([&](CDialog&) {
          const auto& log = test.GetGraphDocument();
          for (std::size_t k = 0; k < log.GetPointCount(); ++k) points.push_back(log.GetPoint(k));
        })
        .Click(testdlg::kCloseButton);
    EXPECT_EQ(RunTest(test, script), IDCANCEL);
    return points;
  }

  TestEvents events;

 private:
  std::unique_ptr<drive::SimulatedDrive> drive_;
  std::optional<kernel::ScopedActiveDrive> active_;
  std::optional<kernel::ScopedTestListener> listening_;
};

}  // namespace commissioningtest
