#include <string>

#include "unittests/dialogs/drive_setup_test_support.h"

namespace dialogtest {
namespace {

using namespace drivesetup;

class DriveSetupChildren : public DriveSetupTest {};

TEST_F(DriveSetupChildren, ButtonsOpenTheirDialogsOnTheSameSetup) {
  struct Case {
    int button;
    const char* caption;
  };
  for (const Case c : {Case{kAdvancedButton, "Advanced"}, Case{kDriveInfoButton, "Drive info"},
                       Case{kStartSettingsButton, "Move till aligned with phase A - Settings"}}) {
    SCOPED_TRACE(c.caption);
    UseExample(kOpenLoop);
    platform::UserScript script;
    script.Click(kAlignedStartRadio)
        .Click(c.button)
        .ExpectDialog(c.caption)
        .Click(IDCANCEL)
        .ExpectDialog("Drive Setup")
        .Click(IDCANCEL);
    EXPECT_EQ(RunDriveSetup(script), IDCANCEL);
  }
}

TEST_F(DriveSetupChildren, SubDialogSeesRegistersThatAgreeWithTheUserValues) {
  UseExample(kClosedLoopIncremental);
  // A gain the registers cannot hold exactly, stored behind the dialog's back.
  const double unquantised = Base("Kp_C_scl") * 1.0001234;
  platform::UserScript script;
  script.Call([&](CDialog&) { SetBase("Kp_C_scl", unquantised); })
      .Click(kDriveInfoButton)
      .ExpectDialog("Drive info")
      .Call([&](CDialog&) { EXPECT_NE(Base("Kp_C_scl"), unquantised); })
      .Click(IDOK)
      .ExpectDialog("Drive Setup")
      .Click(IDOK);
  EXPECT_EQ(RunDriveSetup(script), IDOK);
}

TEST_F(DriveSetupChildren, NoSetupIsReportedInsteadOfOpening) {
  platform::UserScript script;
  script.Answer("The Drive Setup cannot open: there is no setup to edit.", IDOK);
  CDriveSetupDlg dialog(nullptr);
  const platform::ScriptRun run = Run(script, [&dialog] { return dialog.DoModal(); });
  EXPECT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, -1);
}

}  // namespace
}  // namespace dialogtest
