#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/ui_test_support.h"
#include "platform/user_actions.h"

namespace uitest {
namespace {

using platform::UserScript;

// Records the key messages that reach the dialog after PreTranslateMessage.
class KeyDialog : public SampleDialog {
 public:
  std::vector<LPARAM> dispatched;

 private:
  LRESULT OnKeyDown(WPARAM, LPARAM lParam) {
    dispatched.push_back(lParam);
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(KeyDialog, SampleDialog)
  ON_MESSAGE(WM_KEYDOWN, &KeyDialog::OnKeyDown)
END_MESSAGE_MAP()

using KeyChords = UiTest;

TEST_F(KeyChords, TheChordIsCaughtBeforeDispatch) {
  KeyDialog dialog;
  UserScript script;
  script.Chord('e').Call([&](CDialog&) {
    EXPECT_TRUE(dialog.expert);
    EXPECT_TRUE(dialog.dispatched.empty());
    // The modifiers are down only while the key press is handled.
    EXPECT_GE(GetKeyState(VK_CONTROL), 0);
  });
  script.Chord('E').Click(IDOK);
  const platform::ScriptRun run = platform::RunUserScript(script, [&] { return dialog.DoModal(); });
  EXPECT_TRUE(run.ok) << run.failure;
  EXPECT_FALSE(dialog.expert);  // pressed twice
  EXPECT_EQ(std::count(dialog.log.begin(), dialog.log.end(), "chord"), 2);
}

TEST_F(KeyChords, OtherKeysGoOnToTheDialogWithTheAltBitSet) {
  KeyDialog dialog;
  UserScript script;
  script.Chord('Q').Call([](CDialog& d) { platform::PressKey(d, 'E', platform::kCtrl | platform::kShift); });
  script.Click(IDOK);
  const platform::ScriptRun run = platform::RunUserScript(script, [&] { return dialog.DoModal(); });
  EXPECT_TRUE(run.ok) << run.failure;
  EXPECT_FALSE(dialog.expert);  // without Alt the letter is no chord
  ASSERT_EQ(dialog.dispatched.size(), 2U);
  EXPECT_NE(dialog.dispatched[0] & (LPARAM{1} << 29), 0);
  EXPECT_EQ(dialog.dispatched[1] & (LPARAM{1} << 29), 0);
}

TEST_F(KeyChords, AChordNeedsALetter) {
  SampleDialog dialog;
  UserScript script;
  script.Call([](CDialog& d) {
    EXPECT_EQ(platform::PressChord(d, '7').error, "a chord takes a letter from A to Z, not '7'");
  });
  script.Click(IDOK);
  EXPECT_TRUE(RunSample(script, dialog).ok);
}

using HtmlHelp = UiTest;

TEST_F(HtmlHelp, TheRequestReachesTheUserWithFileCommandAndContext) {
  SampleDialog dialog;
  UserScript script;
  script.Click(kHelpButton).Call([](CDialog& d) {
    EXPECT_EQ(HtmlHelpA(d.m_hWnd, "", HH_HELP_CONTEXT, 1), nullptr);  // no help file: nothing
    EXPECT_EQ(HtmlHelpA(d.m_hWnd, nullptr, HH_HELP_CONTEXT, 1), nullptr);
  });
  script.Click(IDOK);
  const platform::ScriptRun run = RunSample(script, dialog);
  EXPECT_TRUE(run.ok) << run.failure;
  ASSERT_EQ(script.HelpShown().size(), 1U);
  EXPECT_EQ(script.HelpShown()[0].file, "help/drive.chm");
  EXPECT_EQ(script.HelpShown()[0].command, HH_HELP_CONTEXT);
  EXPECT_EQ(script.HelpShown()[0].context, 262406U);
}

}  // namespace
}  // namespace uitest
