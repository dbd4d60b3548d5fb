// The motor dialog opens the motor encoder's tests as if there were no load
// sensor, and keeps what the test's end asks to keep.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <string>

#include "commissioning/encoder_resolution_test_controls.h"
#include "dialogs/motor_setup_controls.h"
#include "dialogs/motor_setup_dlg.h"
#include "kernel/ui/test_base_ids.h"
#include "unittests/commissioning/test_dialog_support.h"

namespace commissioningtest {
namespace {

constexpr const char* kMotorCaption = "Step Motor and Load Setup";
constexpr const char* kResolutionCaption = "Encoder Resolution And Direction Test";

class MotorDialogOpenersSim : public TestDialogTest {
 protected:
  // A closed loop with an incremental encoder of 1000 lines (counting in
  // reverse) on the motor and another on the load, on the second input; the
  // true motor encoder has `lines`, the same way round as the setup or not.
  void UseMotorAndLoadEncoders(int lines, bool sameWay) {
    UseExample(dialogtest::kClosedLoopIncremental);
    SetBase("LoadSensorType", 1);
    SetBase("LoadSensorConnector", 1);
    RunOpenerSequences();
    AttachDrive(fmt::format(R"({{"sensors": {{"encoder": {{"lines": {}, "reversed": {}}}}}}})", lines,
                            sameWay ? "true" : "false"));
  }

  // Expects the load sensor the setup had, as the motor dialog shows it.
  platform::UserScript& ExpectLoadSensorBack(platform::UserScript& script) {
    return script.ExpectDialog(kMotorCaption).Call([this](CDialog&) {
      EXPECT_EQ(Base("LoadSensorType"), 1.0);
      EXPECT_EQ(Base("LoadSensorConnector"), 1.0);
    });
  }
};

TEST_F(MotorDialogOpenersSim, ResolutionDetectionRunsWithoutTheLoadSensorAndYesKeepsTheLines) {
  UseMotorAndLoadEncoders(2000, true);
  CMotorSetupDialog dialog(setup.get());
  platform::UserScript script;
  script.Click(motorsetup::kResolutionTestButton).ExpectDialog(kResolutionCaption).Call([this](CDialog&) {
    EXPECT_EQ(Base("LoadSensorType"), 0.0) << "the test reads the motor encoder alone";
    EXPECT_EQ(Base("LoadSensorConnector"), 1.0);
  });
  StartAndWait(script)
      .Expect(testdlg::kResultBox, {.text = "Test succeeded"})
      .Answer(
          "A different value than specified has been detected for the following parameter(s):\r\n\r\n"
          "Encoder resolution:\tOld = 1000\tNew = 2000\r\n\r\nDo you want to save the new value(s)? (Recommended)",
          IDYES)
      .Click(testdlg::kCloseButton);
  ExpectLoadSensorBack(script).Expect(motorsetup::kMotorLinesEdit, {.text = "2000"}).Click(IDOK);
  const platform::ScriptRun run = Run(script, [&] { return dialog.DoModal(); });
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(Internal("No_encoder_lines"), 2000);
  EXPECT_EQ(Base("LoadSensorType"), 1.0);
}

// The run finds the counter going the wrong way; the person turns the
// counting round in the test and leaves it without a successful run: the
// motor dialog keeps the direction all the same.
TEST_F(MotorDialogOpenersSim, ACountingDirectionChosenInAFailedDetectionStays) {
  UseMotorAndLoadEncoders(1000, false);
  ASSERT_EQ(Base("ReverseCounting"), 1.0);
  CMotorSetupDialog dialog(setup.get());
  platform::UserScript script;
  script.Click(motorsetup::kResolutionTestButton).ExpectDialog(kResolutionCaption);
  StartAndWait(script)
      .Expect(testdlg::kResultBox, {.text = "Test failed"})
      .Check(encoder_resolution::kReverseCountingCheck, false)
      .Click(testdlg::kCloseButton);
  ExpectLoadSensorBack(script).Expect(motorsetup::kMotorReverseCheck, {.checked = false}).Click(IDOK);
  const platform::ScriptRun run = Run(script, [&] { return dialog.DoModal(); });
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(Base("ReverseCounting"), 0.0);
  EXPECT_EQ(Internal("No_encoder_lines"), 1000);
}

}  // namespace
}  // namespace commissioningtest
