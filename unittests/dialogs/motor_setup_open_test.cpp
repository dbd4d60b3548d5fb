#include <gtest/gtest.h>

#include <string>

#include "kernel/setup_file.h"
#include "unittests/dialogs/drive_setup_test_support.h"
#include "unittests/dialogs/motor_setup_test_support.h"

namespace dialogtest {
namespace {

using namespace motorsetup;
using platform::Expectation;

constexpr char kCaption[] = "Step Motor and Load Setup";

class MotorSetupOpening : public MotorSetupTest {};

TEST_F(MotorSetupOpening, CancelLeavesTheSetupExactlyAsItWas) {
  for (const std::string_view example :
       {kOpenLoop, kOpenLoopLoadEncoder, kClosedLoopIncremental, kClosedLoopSsi, kThreePhase}) {
    SCOPED_TRACE(example);
    Open(example);
    const std::string before = kernel::SerializeSetup(*setup);
    platform::UserScript untouched;
    untouched.ExpectDialog(kCaption).Click(IDCANCEL);
    EXPECT_EQ(RunMotorSetup(untouched), IDCANCEL);
    EXPECT_TRUE(SameSetup(before, *setup)) << "opening alone";

    platform::UserScript edits;
    edits.Type(kResistanceEdit, "2.5")
        .Type(kInductanceEdit, "4")
        .Type(kStepsEdit, "400")
        .Click(kLinearRadio)
        .Select(kLoadSensorCombo, "Incremental encoder")
        .Click(kTriPhaseRadio)
        .Click(kBiPhaseRadio)
        .Click(kClosedLoopRadio)
        .Select(kMotorSensorCombo, "Sine/Cosine encoder")
        .Click(IDCANCEL);
    EXPECT_EQ(RunMotorSetup(edits), IDCANCEL);
    EXPECT_TRUE(SameSetup(before, *setup)) << "after edits";
  }
}

// The Drive Setup dialog leads to the motor dialog.
class MotorSetupFromDriveSetup : public DriveSetupTest {};

TEST_F(MotorSetupFromDriveSetup, OpensByItselfOnceTheDriveSetupIsShown) {
  UseExample(kOpenLoop);
  platform::UserScript script;
  script.ExpectDialog("Drive Setup").Wait(1).ExpectDialog(kCaption).Click(IDCANCEL).ExpectDialog("Drive Setup");
  script.Wait(100).ExpectDialog("Drive Setup").Click(IDCANCEL);
  EXPECT_EQ(RunDriveSetup(script), IDCANCEL);
}

TEST_F(MotorSetupFromDriveSetup, ADialogOpenedBeforeItIsNotCoveredByIt) {
  UseExample(kOpenLoop);
  platform::UserScript script;
  script.Click(drivesetup::kAdvancedButton)
      .ExpectDialog("Advanced")
      .Wait(100)
      .ExpectDialog("Advanced")
      .Click(IDCANCEL)
      .Wait(100)
      .ExpectDialog("Drive Setup")
      .Click(IDCANCEL);
  EXPECT_EQ(RunDriveSetup(script), IDCANCEL);
}

TEST_F(MotorSetupFromDriveSetup, AnIntelligentMotorIsOpenedOnlyByItsButton) {
  UseExample(kOpenLoop);
  setup->SetOption("isIntelligentMotor", "1");
  platform::UserScript script;
  script.Wait(100)
      .ExpectDialog("Drive Setup")
      .Click(drivesetup::kMotorSetupButton)
      .ExpectDialog(kCaption)
      // A wait in the motor dialog opens no second one.
      .Wait(100)
      .ExpectDialog(kCaption)
      .Click(IDCANCEL)
      .ExpectDialog("Drive Setup")
      .Click(IDCANCEL);
  EXPECT_EQ(RunDriveSetup(script), IDCANCEL);
}

TEST_F(MotorSetupFromDriveSetup, AMotorChangeReachesTheDriveSetupAndItsHostOptions) {
  UseExample(kOpenLoop);
  platform::UserScript script;
  script.Click(drivesetup::kMotorSetupButton)
      .ExpectDialog(kCaption)
      .Click(kClosedLoopRadio)
      .Click(IDOK)
      .ExpectDialog("Drive Setup")
      // Closed loop: the current limit replaces the run current.
      .Expect(drivesetup::kCurrentLimitEdit, {.visible = true})
      .Expect(drivesetup::kRunCurrentEdit, {.visible = false})
      .Call([&](CDialog&) { EXPECT_EQ(setup->GetOptionNoError("IsStepperOpenLoop"), "0"); })
      .Click(IDOK);
  EXPECT_EQ(RunDriveSetup(script), IDOK);
  EXPECT_EQ(Base("StepperControlType"), 1.0);
  EXPECT_EQ(setup->GetOptionNoError("ReferenceName"), "SCL");
}

}  // namespace
}  // namespace dialogtest
