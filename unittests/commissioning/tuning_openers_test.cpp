// The Drive Setup dialog opens the tuning tests between register round
// trips; the Drive Setup dialog's own OK or Cancel decides what stays.
#include <gtest/gtest.h>

#include <string>

#include "commissioning/speed_tuning_test_controls.h"
#include "dialogs/drive_setup_controls.h"
#include "dialogs/drive_setup_dlg.h"
#include "kernel/ui/test_base_ids.h"
#include "unittests/commissioning/test_dialog_support.h"

namespace commissioningtest {
namespace {

class TuningOpenersSim : public TestDialogTest {};

TEST_F(TuningOpenersSim, EachTuningButtonOpensItsTest) {
  struct Case {
    int button;
    const char* caption;
  };
  for (const Case& c : {Case{drivesetup::kSpeedTuneButton, "Speed Controller Tuning Test"},
                        Case{drivesetup::kPositionTuneButton, "Position Controller Tuning Test"}}) {
    SCOPED_TRACE(c.caption);
    UseExample(dialogtest::kClosedLoopIncremental);
    AttachDrive();
    CDriveSetupDlg dialog(setup.get());
    platform::UserScript script;
    script.Click(c.button).ExpectDialog(c.caption).Click(testdlg::kCloseButton).ExpectDialog("Drive Setup").Click(2);
    const platform::ScriptRun run = Run(script, [&] { return dialog.DoModal(); });
    EXPECT_TRUE(run.ok) << run.failure;
  }
}

// A gain tuned in the test and kept with OK stays only when the Drive Setup
// dialog also ends with OK.
TEST_F(TuningOpenersSim, TheTunedGainsStayWithTheDriveSetupsOk) {
  for (const int close : {IDOK, IDCANCEL}) {
    SCOPED_TRACE(close);
    UseExample(dialogtest::kClosedLoopIncremental);
    AttachDrive();
    SetBase("PB_S", 300);
    const double kpBefore = Base("Kp_S_scl");
    double kpTuned = 0;
    CDriveSetupDlg dialog(setup.get());
    platform::UserScript script;
    script.Click(drivesetup::kSpeedTuneButton)
        .ExpectDialog("Speed Controller Tuning Test")
        .Tab(speed_tuning::kTabs, 1)
        .Click(speed_tuning::kTuneButton)
        .Call([&](CDialog&) { kpTuned = Base("Kp_S_scl"); })
        .Click(testdlg::kOkButton)
        .ExpectDialog("Drive Setup")
        .Click(close);
    const platform::ScriptRun run = Run(script, [&] { return dialog.DoModal(); });
    ASSERT_TRUE(run.ok) << run.failure;
    EXPECT_NE(kpTuned, kpBefore);
    EXPECT_EQ(Base("Kp_S_scl"), close == IDOK ? kpTuned : kpBefore);
  }
}

}  // namespace
}  // namespace commissioningtest
