#include <gtest/gtest.h>

#include <string>

#include "platform/ui_test_support.h"
#include "platform/user_actions.h"

namespace uitest {
namespace {

using platform::UserScript;

// The sample template with a slow job: the timer button starts it, and
// after five 20 ms ticks the warning text shows "Done" and Apply is enabled.
class SlowJobDialog : public CDialog {
 public:
  SlowJobDialog() : CDialog(kSampleDialogId) {}
  int ticks = 0;
  bool closeWhenDone = false;

 private:
  void OnStart() { SetTimer(1, 20); }
  void OnTimer(UINT_PTR) {
    if (++ticks < 5) return;
    KillTimer(1);
    if (closeWhenDone) {
      EndDialog(IDOK);
      return;
    }
    SetDlgItemText(kWarningText, "Done");
    GetDlgItem(kWarningText)->ShowWindow(SW_SHOW);
    GetDlgItem(kApplyButton)->EnableWindow(TRUE);
  }
  void OnAsk() { EndDialog(IDCANCEL); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(SlowJobDialog, CDialog)
  ON_BN_CLICKED(kTimerButton, &SlowJobDialog::OnStart)
  ON_BN_CLICKED(kAskButton, &SlowJobDialog::OnAsk)
  ON_WM_TIMER()
END_MESSAGE_MAP()

using WaitUntil = UiTest;

TEST_F(WaitUntil, WaitsOnlyAsLongAsTheConditionTakes) {
  SlowJobDialog dialog;
  UserScript script;
  script.Click(kTimerButton)
      .WaitUntil(kWarningText, {.text = "Done", .visible = true}, 10000)
      .Call([&](CDialog&) { EXPECT_EQ(clock.Now(), std::chrono::milliseconds(100)); })
      .WaitUntil(kApplyButton, {.enabled = true}, 0)
      .Click(kApplyButton)
      .Click(IDCANCEL);
  const platform::ScriptRun run = platform::RunUserScript(script, [&] { return dialog.DoModal(); });
  EXPECT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(dialog.ticks, 5);
}

TEST_F(WaitUntil, AConditionThatNeverHoldsNamesItAndWhatTheControlShowed) {
  SlowJobDialog dialog;
  UserScript script;
  script.Click(kTimerButton).WaitUntil(kWarningText, {.text = "Finished"}, 300).Click(IDCANCEL);
  const platform::ScriptRun run = platform::RunUserScript(script, [&] { return dialog.DoModal(); });
  EXPECT_FALSE(run.ok);
  EXPECT_EQ(run.failure,
            "step 2 (wait-until) in dialog \"Sample Test Dialog\", control 150: after 300 ms text is \"Done\", "
            "expected \"Finished\"");
  EXPECT_EQ(clock.Now(), std::chrono::milliseconds(300)) << "the whole maximum passed";
}

TEST_F(WaitUntil, AMissingControlOrADialogThatClosesFirstStopsTheRun) {
  {
    SlowJobDialog dialog;
    UserScript script;
    script.WaitUntil(999, {.enabled = true}, 100);
    const platform::ScriptRun run = platform::RunUserScript(script, [&] { return dialog.DoModal(); });
    EXPECT_EQ(run.failure, "step 1 (wait-until) in dialog \"Sample Test Dialog\", control 999: the control does not exist");
  }
  {
    SlowJobDialog dialog;
    dialog.closeWhenDone = true;
    UserScript script;
    script.Click(kTimerButton).WaitUntil(kWarningText, {.text = "Done"}, 1000);
    const platform::ScriptRun run = platform::RunUserScript(script, [&] { return dialog.DoModal(); });
    EXPECT_EQ(run.failure,
              "step 2 (wait-until) in dialog \"Sample Test Dialog\", control 150: the dialog closed after 100 ms, "
              "before the control showed what the step waits for");
  }
}

TEST_F(WaitUntil, SlidersAndSpinsAreMovedByTheirSteps) {
  SampleDialog dialog;
  UserScript script;
  script.Slide(kGainSlider, 70).Expect(kGainSlider, {.text = "70"}).Spin(kGainSpin, 1).Expect(kGainSpin, {.text = "6"});
  script.Slide(kGainSlider, 500);
  const platform::ScriptRun run = RunSample(script, dialog);
  EXPECT_EQ(run.failure,
            "step 5 (slide) in dialog \"Sample Test Dialog\", control 180: position 500 lies outside the slider's "
            "range [0, 100]");
}

}  // namespace
}  // namespace uitest
