#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/ui_test_support.h"
#include "platform/user_actions.h"

namespace uitest {
namespace {

using platform::UserScript;

using ModalDialogs = UiTest;

TEST_F(ModalDialogs, NestedDialogsReturnTheirResultsToTheirOpeners) {
  SampleDialog dialog;
  UserScript script;
  script.ExpectDialog("Sample Test Dialog")
      .Click(kSubDialogButton)
      .ExpectDialog("Sample Sub-dialog")
      .Click(kSubDeeperButton)
      .Call([](CDialog&) { EXPECT_EQ(platform::OpenDialogs().size(), 3U); })
      .Type(kSubEdit, "third level")
      .Click(IDOK)
      .Expect(kSubEdit, {.text = "deeper returned 1"})
      .Type(kSubEdit, "second level")
      .Click(IDCANCEL)
      .ExpectDialog("Sample Test Dialog")
      .Click(IDOK);
  const platform::ScriptRun run = RunSample(script, dialog);
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDOK);
  EXPECT_EQ(dialog.subResult, IDCANCEL);
  EXPECT_EQ(dialog.subText, "");  // Cancel keeps nothing
}

TEST_F(ModalDialogs, AMessageBoxInASubDialogEndsItWithItsOwnResult) {
  SampleDialog dialog;
  UserScript script;
  script.Click(kSubDialogButton)
      .Answer("Close the sub-dialog?", IDYES)
      .Click(kSubAskButton)
      .ExpectDialog("Sample Test Dialog")
      .Click(IDCANCEL);
  const platform::ScriptRun run = RunSample(script, dialog);
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(dialog.subResult, IDYES);
  EXPECT_EQ(run.result, IDCANCEL);
}

TEST_F(ModalDialogs, OneShotTimerOpensTheSubDialogOnceShown) {
  SampleDialog dialog;
  dialog.openSubOnShow = true;
  UserScript script;
  script.ExpectDialog("Sample Test Dialog")
      .Wait(1)
      .ExpectDialog("Sample Sub-dialog")
      .Click(IDOK)
      .ExpectDialog("Sample Test Dialog")
      .Wait(100)  // the timer was one-shot
      .Click(IDCANCEL);
  const platform::ScriptRun run = RunSample(script, dialog);
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(dialog.subResult, IDOK);
  EXPECT_EQ(dialog.subText, "initial");
  EXPECT_EQ(std::count(dialog.log.begin(), dialog.log.end(), "sub returned 1"), 1);
}

TEST_F(ModalDialogs, ScriptThatRunsOutStopsEveryOpenDialogWithoutHanging) {
  SampleDialog dialog;
  UserScript script;
  script.Click(kSubDialogButton);
  const platform::ScriptRun run = RunSample(script, dialog);
  EXPECT_FALSE(run.ok);
  EXPECT_EQ(run.failure,
            "the script has no step left (after step 1 (click) in dialog \"Sample Test Dialog\", control 140) while "
            "dialog \"Sample Sub-dialog\" (template 9001) is still open");
  EXPECT_EQ(dialog.subResult, -1);
  EXPECT_EQ(run.result, -1);
}

TEST_F(ModalDialogs, WithNobodyAtTheScreenADialogEndsAtOnce) {
  SampleDialog dialog;
  testing::internal::CaptureStderr();
  EXPECT_EQ(dialog.DoModal(), -1);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("dialog \"Sample Test Dialog\" (template 9000) is still open"), std::string::npos) << said;
  EXPECT_EQ(dialog.log, (std::vector<std::string>{"init", "show"}));
}

TEST_F(ModalDialogs, MissingTemplateCannotBeShown) {
  CDialog dialog(4242);
  UserScript script;
  const platform::ScriptRun run = platform::RunUserScript(script, [&] { return dialog.DoModal(); });
  EXPECT_EQ(run.result, -1);
  EXPECT_EQ(run.failure, "dialog template 4242 is not among the resources");
}

TEST_F(ModalDialogs, EndDialogWhileOpeningNeverShowsTheDialog) {
  SampleDialog dialog;
  dialog.onInit = [](SampleDialog& d) { d.EndDialog(IDCANCEL); };
  UserScript script;
  const platform::ScriptRun run = RunSample(script, dialog);
  EXPECT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDCANCEL);
  EXPECT_EQ(dialog.log, (std::vector<std::string>{"init"}));
}

TEST_F(ModalDialogs, EscapeEnterAndTheCloseBoxEndTheDialog) {
  struct Case {
    std::function<void(CDialog&)> press;
    INT_PTR result;
    bool closed;
  };
  const Case cases[] = {
      {[](CDialog& d) { platform::PressKey(d, VK_ESCAPE, platform::kNoModifier); }, IDCANCEL, false},
      {[](CDialog& d) { platform::PressKey(d, VK_RETURN, platform::kNoModifier); }, IDOK, false},
      {[](CDialog& d) { platform::CloseDialog(d); }, IDCANCEL, true},
  };
  for (const Case& c : cases) {
    SampleDialog dialog;
    UserScript script;
    script.Call(c.press);
    const platform::ScriptRun run = RunSample(script, dialog);
    EXPECT_TRUE(run.ok) << run.failure;
    EXPECT_EQ(run.result, c.result);
    EXPECT_EQ(dialog.log.back() == "close", c.closed);
  }
}

}  // namespace
}  // namespace uitest
