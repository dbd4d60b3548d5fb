#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/drive_link_fake.h"
#include "kernel/setup.h"
#include "kernel/ui/test_base_ids.h"
#include "kernel/ui/test_dlg.h"
#include "kernel/ui/test_events.h"
#include "platform/user_actions.h"
#include "platform/user_script.h"
#include "timebase/clock.h"
#include "unittests/support/environment.h"
#include "unittests/support/ui_resources.h"

namespace {

constexpr const char* kTemplate = R"({
  "id": 9100, "caption": "Sample Test", "w": 300, "h": 160,
  "controls": [
    {"id": 10014, "class": "static", "text": "Purpose:", "x": 5, "y": 5, "w": 40, "h": 10},
    {"id": 10015, "class": "static", "text": "Measures something.", "x": 50, "y": 5, "w": 200, "h": 10},
    {"id": 10000, "class": "button", "text": "&Start", "x": 5, "y": 60, "w": 50, "h": 14},
    {"id": 10001, "class": "static", "x": 60, "y": 60, "w": 100, "h": 10},
    {"id": 10002, "class": "static", "x": 60, "y": 75, "w": 200, "h": 30},
    {"id": 10003, "class": "button", "text": "&Details", "x": 5, "y": 80, "w": 50, "h": 14},
    {"id": 10004, "class": "progress", "x": 60, "y": 110, "w": 200, "h": 10},
    {"id": 1, "class": "button", "text": "OK", "x": 180, "y": 140, "w": 50, "h": 14},
    {"id": 2, "class": "button", "text": "Close", "x": 240, "y": 140, "w": 50, "h": 14}
  ]})";

// The same with the stage shown as text.
constexpr const char* kTextProgressTemplate = R"({
  "id": 9102, "caption": "Sample Test", "w": 300, "h": 160,
  "controls": [
    {"id": 10000, "class": "button", "text": "&Start", "x": 5, "y": 60, "w": 50, "h": 14},
    {"id": 10004, "class": "static", "text": "Ready", "x": 60, "y": 110, "w": 200, "h": 10},
    {"id": 2, "class": "button", "text": "Close", "x": 240, "y": 140, "w": 50, "h": 14}
  ]})";

// A test whose run the test case scripts: BeginTest starts it with two
// stages and a 20 ms timer that the case leaves alone.
class SampleTest final : public CVX_TestDlg {
 public:
  SampleTest(CVX_Setup* setup, bool continuous, UINT templateId = 9100) : CVX_TestDlg(setup, templateId, 1) {
    m_nStepCount = 2;
    m_bContinuousTest = continuous ? 1 : 0;
  }
  void BeginTest() override {
    ++begun;
    m_bTestRunning = 1;
    m_nTestOutcome = -1;
    m_nStepIndex = 0;
    SetInfoText("Launching test");
    SetInfoText("Running test");
    SetTimer(1, 20);
  }
  void Fail(std::string text) {
    m_strErrorText = std::move(text);
    TestFailed(1);
  }
  bool StopRequested() const { return m_bStopRequested != 0; }
  using CVX_TestDlg::TestSucceeded;

  int begun = 0;
};

struct Recorder final : kernel::TestListener {
  void OnTestOpened(const CVX_TestDlg& test) override { events.push_back("opened " + test.GetWindowText()); }
  void OnStageText(const CVX_TestDlg&, std::string_view text, int stage, int count) override {
    events.push_back("stage " + std::to_string(stage) + "/" + std::to_string(count) + " " + std::string(text));
  }
  void OnTestEnded(const CVX_TestDlg&, int outcome, std::string_view error) override {
    events.push_back("ended " + std::to_string(outcome) + " " + std::string(error));
  }
  void OnMeasuredValue(const CVX_TestDlg&, std::string_view, std::string_view, std::string_view) override {}
  void OnTestClosed(const CVX_TestDlg&, INT_PTR result) override {
    events.push_back("closed " + std::to_string(result));
  }
  std::vector<std::string> events;
};

class TestDialogBase : public ::testing::Test {
 protected:
  std::string Text(CDialog& dialog, int id) { return platform::ReadControl(dialog, id).value().text; }
  bool Enabled(CDialog& dialog, int id) { return platform::ReadControl(dialog, id).value().enabled; }

  INT_PTR Run(SampleTest& test, platform::UserScript& script) {
    const platform::ScriptRun run = platform::RunUserScript(script, [&] { return test.DoModal(); });
    EXPECT_TRUE(run.ok) << run.failure;
    return run.result;
  }

  testsupport::ScopedTemplates templates{kTemplate, kTextProgressTemplate};
  timebase::ScopedVirtualClock time;
  FakeDriveInstalled link;
  CVX_Setup setup;
  Recorder recorder;
  kernel::ScopedTestListener listening{recorder};
};

TEST_F(TestDialogBase, StartRunsTheTestAndTheStagesShowTheirProgress) {
  SampleTest test(&setup, false);
  platform::UserScript script;
  script.Call([&](CDialog& d) {
    EXPECT_EQ(Text(d, testdlg::kStartStopButton), "&Start");
    EXPECT_FALSE(Enabled(d, testdlg::kDetailsButton));
  });
  script.Click(testdlg::kStartStopButton);
  script.Call([&](CDialog& d) {
    EXPECT_EQ(test.begun, 1);
    EXPECT_EQ(Text(d, testdlg::kStartStopButton), "&Stop");
    EXPECT_EQ(Text(d, testdlg::kResultBox), "Test running");
    EXPECT_EQ(Text(d, testdlg::kStatusBox), "Running test");
    EXPECT_EQ(Text(d, testdlg::kProgressBar), "2") << "stage 2 of 2";
    EXPECT_EQ(test.GetStepIndex(), 2);
    test.TestSucceeded(1);
    EXPECT_EQ(Text(d, testdlg::kResultBox), "Test succeeded");
    EXPECT_EQ(Text(d, testdlg::kStatusBox), "") << "no stage of a run in progress after its end";
    EXPECT_EQ(Text(d, testdlg::kStartStopButton), "&Start");
    EXPECT_FALSE(test.IsTestRunning());
    EXPECT_EQ(test.GetTestOutcome(), 1);
    EXPECT_EQ(platform::RunningTimerCount(), 0) << "the poll timer ends with the run";
  });
  script.Click(testdlg::kOkButton);
  EXPECT_EQ(Run(test, script), IDOK);
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"opened Sample Test", "stage 1/2 Launching test",
                                                       "stage 2/2 Running test", "ended 1 ", "closed 1"}));
  EXPECT_EQ(link.drive.calls.reset, 0) << "a run that ended needs no reset";
}

TEST_F(TestDialogBase, AStaticProgressDisplayReadsTheStageAsText) {
  SampleTest test(&setup, false, 9102);
  platform::UserScript script;
  script.Expect(testdlg::kProgressBar, {.text = "Ready"});
  script.Click(testdlg::kStartStopButton);
  script.Expect(testdlg::kProgressBar, {.text = "Stage 2 of 2"});
  script.Click(testdlg::kCloseButton);
  EXPECT_EQ(Run(test, script), IDCANCEL);
}

TEST_F(TestDialogBase, AFailureShowsItsTextAndDetailsRepeatsIt) {
  SampleTest test(&setup, false);
  platform::UserScript script;
  script.Click(testdlg::kStartStopButton);
  script.Call([&](CDialog&) { test.Fail("Feedback error."); });
  script.Expect(testdlg::kResultBox, {.text = "Test failed"});
  script.Expect(testdlg::kStatusBox, {.text = "Feedback error."});
  script.Expect(testdlg::kDetailsButton, {.enabled = true});
  script.Answer("Feedback error.", IDOK);
  script.Click(testdlg::kDetailsButton);
  // Showing the outcome again changes nothing of the run's state.
  script.Call([&](CDialog& d) {
    test.TestSucceeded(0);
    EXPECT_EQ(Text(d, testdlg::kResultBox), "Test succeeded");
    EXPECT_EQ(test.GetTestOutcome(), 0);
  });
  script.Click(testdlg::kCloseButton);
  EXPECT_EQ(Run(test, script), IDCANCEL);
  EXPECT_EQ(recorder.events[3], "ended 0 Feedback error.");
}

TEST_F(TestDialogBase, StoppingAOneShotRunEndsItWithoutAResultAndStopsTheDrive) {
  SampleTest test(&setup, false);
  platform::UserScript script;
  script.Click(testdlg::kStartStopButton);
  script.Click(testdlg::kStartStopButton);
  script.Expect(testdlg::kResultBox, {.text = "Test stopped"});
  script.Expect(testdlg::kStartStopButton, {.text = "&Start"});
  script.Call([&](CDialog&) {
    EXPECT_FALSE(test.IsTestRunning());
    EXPECT_EQ(test.GetTestOutcome(), -1);
    EXPECT_EQ(link.drive.calls.reset, 1);
    EXPECT_EQ(platform::RunningTimerCount(), 0);
  });
  script.Click(testdlg::kCloseButton);
  EXPECT_EQ(Run(test, script), IDCANCEL);
  EXPECT_EQ(recorder.events[3], "ended -1 ");
}

TEST_F(TestDialogBase, StoppingAContinuousRunLeavesItsEndToTheTest) {
  SampleTest test(&setup, true);
  platform::UserScript script;
  script.Click(testdlg::kStartStopButton);
  script.Click(testdlg::kStartStopButton);
  script.Call([&](CDialog&) {
    EXPECT_TRUE(test.IsTestRunning());
    EXPECT_TRUE(test.StopRequested());
    EXPECT_EQ(link.drive.calls.reset, 0);
    test.TestSucceeded(1);
    EXPECT_FALSE(test.StopRequested()) << "the end of a run clears the request";
  });
  script.Click(testdlg::kCloseButton);
  EXPECT_EQ(Run(test, script), IDCANCEL);
}

TEST_F(TestDialogBase, ClosingTheDialogDuringARunStopsTheDrive) {
  for (int button : {testdlg::kOkButton, testdlg::kCloseButton}) {
    SCOPED_TRACE(button);
    link.drive.calls.reset = 0;
    SampleTest test(&setup, false);
    platform::UserScript script;
    script.Click(testdlg::kStartStopButton);
    script.Click(button);
    Run(test, script);
    EXPECT_EQ(link.drive.calls.reset, 1);
    EXPECT_FALSE(test.IsTestRunning());
  }
}

TEST_F(TestDialogBase, ADialogEndedByAStoppedRunStopsTheDriveToo) {
  SampleTest test(&setup, false);
  platform::UserScript script;
  script.Click(testdlg::kStartStopButton);
  script.Expect(testdlg::kResultBox, {.text = "nothing like this"});
  const platform::ScriptRun run = platform::RunUserScript(script, [&] { return test.DoModal(); });
  EXPECT_FALSE(run.ok);
  EXPECT_EQ(run.result, -1);
  EXPECT_EQ(link.drive.calls.reset, 1);
  EXPECT_EQ(recorder.events.back(), "closed -1");
}

}  // namespace
