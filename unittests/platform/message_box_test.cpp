#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui_test_support.h"

namespace uitest {
namespace {

using platform::UserScript;

using MessageBoxes = UiTest;

TEST_F(MessageBoxes, TheArmedAnswerPressesItsButton) {
  struct Case {
    int button;
    INT_PTR dialogResult;  // Yes ends the dialog with OK; No and Cancel leave it open
  };
  for (const Case c : {Case{IDYES, IDOK}, Case{IDNO, IDCANCEL}, Case{IDCANCEL, IDCANCEL}}) {
    SampleDialog dialog;
    UserScript script;
    script.Answer("Keep the new values?", c.button).Click(kAskButton);
    if (c.button != IDYES) script.Click(IDCANCEL);
    const platform::ScriptRun run = RunSample(script, dialog);
    EXPECT_TRUE(run.ok) << run.failure;
    EXPECT_EQ(dialog.askResult, c.button);
    EXPECT_EQ(run.result, c.dialogResult);
    ASSERT_EQ(script.MessageBoxesShown().size(), 1U);
    EXPECT_EQ(script.MessageBoxesShown()[0].type, MB_YESNOCANCEL | MB_ICONQUESTION);
  }
}

TEST_F(MessageBoxes, AnswersArmedInARowServeTheBoxesInTurn) {
  SampleDialog dialog;
  UserScript script;
  script.Answer("Keep the new values?", IDNO)
      .Answer("Keep the new values?", IDYES)
      .Click(kAskButton)
      .Click(kAskButton);
  const platform::ScriptRun run = RunSample(script, dialog);
  EXPECT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDOK);
}

TEST_F(MessageBoxes, ABoxWithNoAnswerStopsTheRunAndSaysWhere) {
  SampleDialog dialog;
  UserScript script;
  script.Type(kGainEdit, "bad").Click(IDOK);
  const platform::ScriptRun run = RunSample(script, dialog);
  EXPECT_FALSE(run.ok);
  EXPECT_EQ(run.result, -1);
  EXPECT_EQ(run.failure,
            "message box \"The gain must be a number.\" appeared in dialog \"Sample Test Dialog\" with no answer "
            "armed (after step 1 (type) in dialog \"Sample Test Dialog\", control 100)");
  EXPECT_EQ(script.Position(), 1U);  // the click never ran
}

TEST_F(MessageBoxes, TheBoxMustSayExactlyTheArmedText) {
  SampleDialog dialog;
  UserScript script;
  script.Answer("Keep the new values ?", IDYES).Click(kAskButton);
  const platform::ScriptRun run = RunSample(script, dialog);
  EXPECT_EQ(run.failure,
            "step 1 (answer): the message box in dialog \"Sample Test Dialog\" says \"Keep the new values?\", "
            "expected \"Keep the new values ?\" (after step 2 (click) in dialog \"Sample Test Dialog\", control 200)");
  EXPECT_EQ(dialog.askResult, 0);  // no answer: the box gave 0
}

TEST_F(MessageBoxes, TheButtonMustBeOnTheBox) {
  SampleDialog dialog;
  UserScript script;
  script.Answer("Keep the new values?", IDOK).Click(kAskButton);
  const platform::ScriptRun run = RunSample(script, dialog);
  EXPECT_EQ(run.failure,
            "step 1 (answer): the message box \"Keep the new values?\" has no \"ok\" button (it has yes, no, cancel)");
}

TEST_F(MessageBoxes, AnAnswerNoBoxUsedFailsAtTheEnd) {
  SampleDialog dialog;
  UserScript script;
  script.Answer("Keep the new values?", IDYES).Click(IDCANCEL);
  const platform::ScriptRun run = RunSample(script, dialog);
  EXPECT_EQ(run.result, IDCANCEL);
  EXPECT_FALSE(run.ok);
  EXPECT_EQ(run.failure, "step 1 (answer): no message box \"Keep the new values?\" appeared");
}

TEST_F(MessageBoxes, ABoxWhileTheDialogOpensTakesTheNextAnswerStep) {
  SampleDialog dialog;
  dialog.onInit = [](SampleDialog&) { AfxMessageBox("Drive not connected.", MB_OK | MB_ICONERROR); };
  UserScript script;
  script.Answer("Drive not connected.", IDOK).ExpectDialog("Sample Test Dialog").Click(IDCANCEL);
  const platform::ScriptRun run = RunSample(script, dialog);
  EXPECT_TRUE(run.ok) << run.failure;
}

TEST_F(MessageBoxes, StringResourcesGiveThePrompt) {
  SampleDialog dialog;
  UserScript script;
  script
      .Answer("Distances between consecutive points on X axis must be greater than 0 and below 32768.", IDOK)
      .Call([](CDialog&) { EXPECT_EQ(AfxMessageBox(1, MB_OK), IDOK); })
      .Click(IDCANCEL);
  const platform::ScriptRun run = RunSample(script, dialog);
  EXPECT_TRUE(run.ok) << run.failure;
}

TEST(MessageBoxStyles, EachStyleOffersItsButtons) {
  using platform::MessageBoxButtons;
  EXPECT_EQ(MessageBoxButtons(MB_OK | MB_ICONERROR), std::vector<int>{IDOK});
  EXPECT_EQ(MessageBoxButtons(MB_OKCANCEL), (std::vector<int>{IDOK, IDCANCEL}));
  EXPECT_EQ(MessageBoxButtons(MB_YESNO | MB_ICONQUESTION), (std::vector<int>{IDYES, IDNO}));
  // The confirmation of measured values uses style 0x23.
  EXPECT_EQ(MessageBoxButtons(0x23), (std::vector<int>{IDYES, IDNO, IDCANCEL}));
}

}  // namespace
}  // namespace uitest
