#include <gtest/gtest.h>

#include <string>

#include "dialogs/inertia_question_dialog.h"
#include "dialogs/position_correction_dialog.h"
#include "dialogs/start_ab_settings_dialog.h"
#include "kernel/setup_file.h"
#include "unittests/dialogs/dialog_test_support.h"

namespace {

using platform::Expectation;

constexpr char kNoSelectionMessage[] =
    "No selection has been made. The dialog can only close if you make a selection.";

class SmallDialogsTest : public dialogtest::DialogTest {
 protected:
  void Open(std::string_view example) {
    UseExample(example);
    RunOpenerSequences();
  }

  template <class Dialog>
  platform::ScriptRun Edit(platform::UserScript& script) {
    Dialog dialog(setup.get());
    return Run(script, [&] { return dialog.DoModal(); });
  }
};

// ----- Motor inertia question -----

TEST_F(SmallDialogsTest, InertiaQuestionDefaultRaisesTotalInertiaAboveTheMotors) {
  Open(dialogtest::kClosedLoopIncremental);
  SetBase("Jm", 2e-4);
  platform::UserScript script;
  script.Expect(inertiaquestion::kIncreaseRadio, Expectation{.checked = true}).Click(IDOK);
  const platform::ScriptRun run = Edit<CInertiaQuestion>(script);
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDOK);
  EXPECT_NEAR(Base("Jt"), 2.02e-4, 1e-12);
  EXPECT_EQ(Base("isMotorInertiaUnknown"), 0.0);
}

TEST_F(SmallDialogsTest, InertiaQuestionCanDisregardTheMotorInertia) {
  Open(dialogtest::kClosedLoopIncremental);
  SetBase("Jm", 2e-4);
  const double total = Base("Jt");
  platform::UserScript script;
  script.Click(inertiaquestion::kIgnoreRadio)
      .Expect(inertiaquestion::kIncreaseRadio, Expectation{.checked = false})
      .Click(IDOK);
  ASSERT_TRUE(Edit<CInertiaQuestion>(script).ok);
  EXPECT_EQ(Base("Jt"), total);
  EXPECT_EQ(Base("isMotorInertiaUnknown"), 1.0);
}

// Without an answer OK is greyed; should it be pressed all the same, the
// dialog explains and stays open until a choice is made.
TEST_F(SmallDialogsTest, InertiaQuestionNeedsAnAnswer) {
  Open(dialogtest::kClosedLoopIncremental);
  const std::string before = kernel::SerializeSetup(*setup);
  CInertiaQuestion dialog(setup.get());
  dialog.SetChoice(CInertiaQuestion::kNoChoice);
  platform::UserScript script;
  script.Expect(IDOK, Expectation{.enabled = false})
      .Answer(kNoSelectionMessage, IDOK)
      .Call([](CDialog& shown) { static_cast<CInertiaQuestion&>(shown).OnOK(); })
      .Call([&](CDialog&) { EXPECT_EQ(kernel::SerializeSetup(*setup), before); })
      .Click(inertiaquestion::kIgnoreRadio)
      .Expect(IDOK, Expectation{.enabled = true})
      .Click(IDOK);
  const platform::ScriptRun run = Run(script, [&] { return dialog.DoModal(); });
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(dialog.GetChoice(), CInertiaQuestion::kIgnoreMotorInertia);
}

// ----- Start settings -----

// The failed-start protection watches the motor's movement, which only a
// closed loop sees.
TEST_F(SmallDialogsTest, FailedStartProtectionOnlyInClosedLoop) {
  for (const auto& [example, closedLoop] :
       {std::pair{dialogtest::kClosedLoopIncremental, true}, std::pair{dialogtest::kOpenLoop, false}}) {
    SCOPED_TRACE(std::string(example));
    Open(example);
    platform::UserScript script;
    script.Expect(startab::kMinimumMoveEdit, Expectation{.visible = closedLoop})
        .Expect(startab::kMinimumMoveLabel, Expectation{.visible = closedLoop})
        .Expect(startab::kTimeEdit, Expectation{.visible = true})
        .Click(IDCANCEL);
    const platform::ScriptRun run = Edit<CStartABsettings>(script);
    EXPECT_TRUE(run.ok) << run.failure;
  }
}

TEST_F(SmallDialogsTest, StartSettingsKeepOkAndUndoCancel) {
  Open(dialogtest::kClosedLoopIncremental);
  const std::string before = kernel::SerializeSetup(*setup);
  const double time_s = Base("time_AB");  // shown in ms
  platform::UserScript cancelled;
  cancelled.Type(startab::kTimeEdit, "500").Click(IDCANCEL);
  ASSERT_TRUE(Edit<CStartABsettings>(cancelled).ok);
  EXPECT_EQ(kernel::SerializeSetup(*setup), before);
  EXPECT_EQ(Base("time_AB"), time_s);

  platform::UserScript kept;
  kept.Type(startab::kTimeEdit, "500").Click(IDOK);
  ASSERT_TRUE(Edit<CStartABsettings>(kept).ok);
  EXPECT_NEAR(Base("time_AB"), 0.5, 1e-3);
}

// ----- Position error correction -----

TEST_F(SmallDialogsTest, PositionCorrectionKeepsOkAndUndoesCancel) {
  Open(dialogtest::kOpenLoopLoadEncoder);
  const std::string before = kernel::SerializeSetup(*setup);
  platform::UserScript cancelled;
  cancelled.Type(positioncorrection::kAttemptsEdit, "7").Click(IDCANCEL);
  ASSERT_TRUE(Edit<CDrivePositionCorrectionAdvanced>(cancelled).ok);
  EXPECT_EQ(kernel::SerializeSetup(*setup), before);

  platform::UserScript kept;
  kept.Type(positioncorrection::kAttemptsEdit, "7").Click(IDOK);
  const platform::ScriptRun run = Edit<CDrivePositionCorrectionAdvanced>(kept);
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(Base("MaxCorrErrUser"), 7.0);
}

}  // namespace
