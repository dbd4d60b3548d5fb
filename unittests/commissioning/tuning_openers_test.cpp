// The Drive Setup dialog opens the tuning tests between register round
// trips; the Drive Setup dialog's own OK or Cancel decides what stays.
#include <gtest/gtest.h>

#include <string>

#include "commissioning/current_tuning_test_controls.h"
#include "commissioning/speed_tuning_test_controls.h"
#include "dialogs/drive_setup_controls.h"
#include "dialogs/drive_setup_dlg.h"
#include "dialogs/filters_controls.h"
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

// The supply and the current loop's bandwidth are kept without a unit in the
// drive's files; their unit boxes show the unit all the same.
TEST_F(TuningOpenersSim, SupplyAndBandwidthUnitBoxesShowTheirUnit) {
  UseExample(dialogtest::kClosedLoopIncremental);
  AttachDrive();
  CDriveSetupDlg dialog(setup.get());
  platform::UserScript script;
  script.Expect(drivesetup::kVdcUnit, {.text = "Vdc"})
      .Click(drivesetup::kCurrentTestButton)
      .ExpectDialog("Current Controller Tuning Test")
      .Expect(current_tuning::kBandwidthUnit, {.text = "rad/s "})
      .Click(testdlg::kCloseButton)
      .ExpectDialog("Drive Setup")
      .Click(IDCANCEL);
  const platform::ScriptRun run = Run(script, [&] { return dialog.DoModal(); });
  EXPECT_TRUE(run.ok) << run.failure;
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

// The speed tuning test's Filters button opens the Filters dialog between
// register round trips: the one filter left on there is designed into the
// drive's slots at once, and stays with OK in the test and the Drive Setup.
TEST_F(TuningOpenersSim, TheFiltersButtonEditsTheFiltersBetweenRoundTrips) {
  UseExample(dialogtest::kClosedLoopIncremental);
  AttachDrive();
  const filters::FilterControls& first = filters::kFilterControls[0];
  CDriveSetupDlg dialog(setup.get());
  platform::UserScript script;
  script.Click(drivesetup::kSpeedTuneButton)
      .ExpectDialog("Speed Controller Tuning Test")
      .Tab(speed_tuning::kTabs, 1)
      .Click(speed_tuning::kFiltersButton)
      .ExpectDialog("Filters")
      .Expect(first.onOff, {.enabled = true});
  for (const filters::FilterControls& filter : filters::kFilterControls) script.Check(filter.onOff, false);
  script.Check(first.onOff, true)
      .Select(first.location, "Speed Feedback")
      .Click(filters::kOkButton)
      .ExpectDialog("Speed Controller Tuning Test")
      .Call([this](CDialog&) {
        EXPECT_EQ(Base("IQREF_BQ_INI"), 0.0) << "designed on the Filters dialog's OK";
        EXPECT_EQ(Base("ASPD_BQ_INI"), 1.0);
      })
      .Click(testdlg::kOkButton)
      .ExpectDialog("Drive Setup")
      .Click(IDOK);
  const platform::ScriptRun run = Run(script, [&] { return dialog.DoModal(); });
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(Base("BQFilter1"), 1.0);
  EXPECT_EQ(Base("BQFilterLocation1"), 2.0);
  EXPECT_EQ(Base("ASPD_BQ_INI"), 1.0);
}

}  // namespace
}  // namespace commissioningtest
