#include <cmath>
#include <sstream>
#include <string>
#include <string_view>

#include "engine/motion_units.h"
#include "engine/scales.h"
#include "kernel/setup_file.h"
#include "unittests/dialogs/drive_setup_test_support.h"

namespace dialogtest {
namespace {

using namespace drivesetup;

constexpr char kCanOpenWarning[] =
    "If your drive is set in CANopen mode, the axis ID values must be in the range 1-127. Any value over 127 will "
    "set the drive as non-configured and further CANopen communication will be disabled until a valid Axis ID will "
    "be set in the drive. Leave the drive with a non-configured axis ID only if you intend to set the Axis ID later "
    "via a CANopen master using CiA305 LSS protocol.";

class DriveSetupOk : public DriveSetupTest {};

TEST_F(DriveSetupOk, PositionRangeNarrowerThanThreeCountsIsWidenedOnOk) {
  struct Case {
    double minimum, maximum;    // as entered, in position counts
    double expectedMinimum, expectedMaximum;
  };
  for (const Case c : {Case{10, 10, 10, 13}, Case{-1.5, 0, -3, 0}, Case{12, 11, 11, 14}, Case{13, 10, 10, 13},
                       Case{-500, 700, -500, 700}}) {
    SCOPED_TRACE(std::to_string(c.minimum) + " .. " + std::to_string(c.maximum));
    UseExample(kClosedLoopSsi);
    double countsPerRad = 0.0;
    platform::UserScript script;
    script.Call([&](CDialog&) {
      countsPerRad = std::fabs(engine::PositionScale(*setup).value_or(0.0));
      ASSERT_GT(countsPerRad, 0.0);
      SetBase("PosRange_Minimum", c.minimum / countsPerRad);
      SetBase("PosRange_Maximum", c.maximum / countsPerRad);
    });
    script.Click(IDOK);
    ASSERT_EQ(RunDriveSetup(script), IDOK);
    EXPECT_NEAR(Base("PosRange_Minimum") * countsPerRad, c.expectedMinimum, 1e-6);
    EXPECT_NEAR(Base("PosRange_Maximum") * countsPerRad, c.expectedMaximum, 1e-6);
  }
}

TEST_F(DriveSetupOk, AxisIdentifiersAboveTheCanOpenRangeAreAcceptedAfterAWarning) {
  UseExample(kClosedLoopSsi);
  SetBase("Axis_ID_list", 3);
  platform::UserScript script;
  script.Check(kSaveAxisIdCheck, true).Expect(kAxisIdCombo, {.text = "3", .enabled = true});
  script.Answer(kCanOpenWarning, IDOK).Select(kAxisIdCombo, "128").Expect(kAxisIdCombo, {.text = "128"});
  script.Answer(kCanOpenWarning, IDOK).Select(kAxisIdCombo, "255");
  script.Select(kAxisIdCombo, "127").Select(kAxisIdCombo, "1").Select(kAxisIdCombo, "H/W");
  script.Click(IDOK);
  ASSERT_EQ(RunDriveSetup(script), IDOK);
  EXPECT_EQ(Base("Axis_ID_list"), 0.0);

  platform::UserScript reopened;
  reopened.Expect(kAxisIdCombo, {.text = "H/W"}).Select(kAxisIdCombo, "42").Click(IDOK);
  ASSERT_EQ(RunDriveSetup(reopened), IDOK);
  EXPECT_EQ(Base("Axis_ID_list"), 42.0);
}

TEST_F(DriveSetupOk, CancelLeavesTheSetupExactlyAsItWas) {
  for (std::string_view example :
       {kOpenLoop, kOpenLoopLoadEncoder, kClosedLoopIncremental, kClosedLoopSsi, kThreePhase}) {
    SCOPED_TRACE(example);
    UseExample(example);
    const std::string before = kernel::SerializeSetup(*setup);
    {
      platform::UserScript untouched;
      untouched.Click(IDCANCEL);
      EXPECT_EQ(RunDriveSetup(untouched), IDCANCEL);
      EXPECT_TRUE(SameSetup(before, *setup)) << "opening alone";
    }
    const bool openLoop = Base("StepperControlType") == 0.0;
    platform::UserScript script;
    script.Type(kVdcEdit, "30").Click(kSpeedModeRadio).Click(kSinkPnpRadio).Check(kOverCurrentCheck, false);
    if (openLoop) {
      script.Answer(std::string(engine::kMicrostepPowerOfTwoMessage), IDOK).Type(kMicrostepsEdit, "6");
      script.Type(kRunCurrentEdit, "0.5");
    } else {
      script.Type(kKpSpeedEdit, "3").Type(kCurrentLimitEdit, "1");
    }
    script.Click(IDCANCEL);
    EXPECT_EQ(RunDriveSetup(script), IDCANCEL);
    EXPECT_TRUE(SameSetup(before, *setup)) << "after edits";
  }
}

TEST_F(DriveSetupOk, OkComputesTheRegistersAndTheHostOptions) {
  UseExample(kClosedLoopIncremental);
  const double gain = Base("Kp_S_scl");
  const double kps = Base("KPS");
  setup->ClearOption("ReferenceName");
  setup->ClearOption("IsClosedSpeed");
  platform::UserScript script;
  script.Type(kKpSpeedEdit, std::to_string(gain * 3)).Click(kSpeedModeRadio).Click(IDOK);
  ASSERT_EQ(RunDriveSetup(script), IDOK);
  EXPECT_NE(Base("KPS"), kps);
  // The gain shown and kept is what the new registers give back.
  EXPECT_NEAR(Base("Kp_S_scl"), gain * 3, gain * 3 * 1e-3);
  EXPECT_EQ(setup->GetOptionNoError("ReferenceName"), "SCL");
  EXPECT_EQ(setup->GetOptionNoError("IsClosedSpeed"), "1");
}

TEST_F(DriveSetupOk, HelpOpensTheDialogsTopicWhenTheHostHasAHelpFile) {
  UseExample(kOpenLoop);
  platform::UserScript withoutFile;
  withoutFile.Click(kHelpButton).Click(IDCANCEL);
  RunDriveSetup(withoutFile);
  EXPECT_TRUE(withoutFile.HelpShown().empty());

  CVX_DriveIdentity identity = setup->GetIdentity();
  identity.helpFile = "/opt/help/stepper.chm";
  setup->SetIdentity(identity);
  platform::UserScript withFile;
  withFile.Click(kHelpButton).Click(IDCANCEL);
  RunDriveSetup(withFile);
  ASSERT_EQ(withFile.HelpShown().size(), 1u);
  EXPECT_EQ(withFile.HelpShown()[0].file, "/opt/help/stepper.chm");
  EXPECT_EQ(withFile.HelpShown()[0].command, HH_HELP_CONTEXT);
  EXPECT_EQ(withFile.HelpShown()[0].context, 262406u);
}

}  // namespace
}  // namespace dialogtest
