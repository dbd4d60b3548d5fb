// The Drive Setup dialog's current test button opens the current tuning test,
// or the voltage-mode identification where the motor runs in voltage mode,
// between the register round trips, as a person reaches them.
#include <gtest/gtest.h>

#include <string>

#include "commissioning/current_tuning_test_controls.h"
#include "dialogs/drive_setup_controls.h"
#include "dialogs/drive_setup_dlg.h"
#include "kernel/setup_file.h"
#include "kernel/ui/test_base_ids.h"
#include "unittests/commissioning/test_dialog_support.h"

namespace commissioningtest {
namespace {

using platform::UserScript;

class DriveSetupOpeners : public TestDialogTest {};

TEST_F(DriveSetupOpeners, TheCurrentTestButtonOpensTheTestThatFitsTheMotor) {
  struct Row {
    std::string_view example;
    const char* caption;
  };
  for (const Row& row : {Row{dialogtest::kOpenLoop, "Current Controller Tuning Test"},
                         Row{dialogtest::kClosedLoopIncremental, "Current Controller Tuning Test"},
                         Row{"open_loop_step_loss_encoder", "Parameters Identification Test"}}) {
    SCOPED_TRACE(row.example);
    UseDrive(row.example);
    CDriveSetupDlg dialog(setup.get());
    UserScript script;
    script.Click(drivesetup::kCurrentTestButton)
        .ExpectDialog(row.caption)
        .Click(testdlg::kCloseButton)
        .ExpectDialog("Drive Setup")
        .Click(IDCANCEL);
    const platform::ScriptRun run = Run(script, [&] { return dialog.DoModal(); });
    ASSERT_TRUE(run.ok) << run.failure;
  }
}

// Gains tuned in the test and kept with OK come back through the round trip
// into the Drive Setup dialog's controls; its own Cancel still puts them back.
TEST_F(DriveSetupOpeners, TunedCurrentGainsReachTheDriveSetupDialog) {
  UseDrive(dialogtest::kOpenLoop);
  SetBase("PB_C", 1.5 * Base("PB_C"));
  const std::string before = Saved();
  std::string kpShownInTest;
  CDriveSetupDlg dialog(setup.get());
  UserScript script;
  script.Click(drivesetup::kCurrentTestButton)
      .ExpectDialog("Current Controller Tuning Test")
      .Tab(current_tuning::kTabs, 1)
      .Click(current_tuning::kTuneButton)
      .Call([&](CDialog& test) { kpShownInTest = test.GetDlgItemText(current_tuning::kKpEdit); })
      .Click(testdlg::kOkButton)
      .ExpectDialog("Drive Setup")
      .Call([&](CDialog& setupDialog) {
        EXPECT_EQ(setupDialog.GetDlgItemText(drivesetup::kKpCurrentEdit), kpShownInTest);
      })
      .Click(IDCANCEL);
  const platform::ScriptRun run = Run(script, [&] { return dialog.DoModal(); });
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_FALSE(kpShownInTest.empty());
  ExpectUnchangedSince(before);
}

}  // namespace
}  // namespace commissioningtest
