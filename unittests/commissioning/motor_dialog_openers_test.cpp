// The motor dialog's test buttons open their tests between the register
// round trips (the motor encoder's tests as if there were no load sensor),
// and keep what the test's end asks to keep and nothing else.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <string>
#include <string_view>
#include <vector>

#include "commissioning/encoder_resolution_test_controls.h"
#include "commissioning/ssi_offset_test_controls.h"
#include "dialogs/motor_setup_controls.h"
#include "dialogs/motor_setup_dlg.h"
#include "engine/time_rescale.h"
#include "kernel/setup_file.h"
#include "kernel/ui/test_base_ids.h"
#include "unittests/commissioning/test_dialog_support.h"

namespace commissioningtest {
namespace {

constexpr const char* kMotorCaption = "Step Motor and Load Setup";
constexpr const char* kResolutionCaption = "Encoder Resolution And Direction Test";
constexpr const char* kRlCaption = "Total Resistance and Inductance Identification Test";

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

  void UseDriveForTests(std::string_view example, std::string_view simulation = "") {
    UseDrive(example, simulation);
    ForgetMinimumMove();
  }
  // A test sets "ABSTART_MINMOVE" to 0 when it is made, on purpose.
  void ForgetMinimumMove() {
    if (setup->FindParameter("ABSTART_MINMOVE")) SetBase("ABSTART_MINMOVE", 0);
  }

  // Plays `script` in the motor dialog, keep questions answered from
  // `answers`; the run must go as written.
  INT_PTR RunMotorDialog(platform::UserScript& script, std::vector<int> answers = {},
                         std::vector<std::string>* questions = nullptr) {
    CMotorSetupDialog dialog(setup.get());
    const platform::ScriptRun run = RunAnsweringKeep(script, std::move(answers), [&] { return dialog.DoModal(); },
                                                     questions);
    EXPECT_TRUE(run.ok) << run.failure;
    return run.result;
  }

  // The setup after the register round trip that opens a test, the test's
  // own change when it is made and the motor dialog's OK, for comparing
  // with a run that opened a test and kept nothing.
  // `roundTripAfter`: the opener runs the round trip once more, whatever the
  // test's end (the tests without the load sensor).
  std::string AfterMotorDialogOk(bool roundTripAfter = false) {
    const std::string before = Saved();
    engine::RegisterRoundTrip(*setup);
    ForgetMinimumMove();
    if (roundTripAfter) engine::RegisterRoundTrip(*setup);
    platform::UserScript script;
    script.Click(IDOK);
    EXPECT_EQ(RunMotorDialog(script), IDOK);
    const std::string after = Saved();
    Restore(before);
    return after;
  }

  // Puts the setup back as `saved` holds it.
  void Restore(const std::string& saved) {
    kernel::SetupLoadResult load = kernel::ParseSetup(saved);
    ASSERT_TRUE(load.ok()) << load.ErrorText();
    *setup = *load.setup;
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

// Every test button opens its test; closing it without a run keeps nothing,
// and the motor dialog's OK then stores what it would have stored anyway.
TEST_F(MotorDialogOpenersSim, EveryTestButtonOpensItsTestAndAClosedTestKeepsNothing) {
  struct Row {
    std::string_view example;
    int button;
    const char* caption;
  };
  const Row rows[] = {
      {dialogtest::kOpenLoop, motorsetup::kPhaseTestButton, "Motor Phase Connection Test"},
      {dialogtest::kOpenLoop, motorsetup::kResistanceTestButton, kRlCaption},
      {dialogtest::kThreePhase, motorsetup::kResistanceTestButton, kRlCaption},
      {dialogtest::kClosedLoopIncremental, motorsetup::kMotorEncoderTestButton, "Encoder Connections Test"},
      {dialogtest::kOpenLoopLoadEncoder, motorsetup::kMotorEncoderTestButton, "Encoder Connections Test"},
      {dialogtest::kClosedLoopSsi, motorsetup::kMotorSerialTestButton, "Encoder Connections Test"},
      {dialogtest::kClosedLoopSsi, motorsetup::kSerialOffsetButton, "Detect Offset Test"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.example << ", button " << row.button);
    UseDriveForTests(row.example);
    const std::string expected = AfterMotorDialogOk(row.button == motorsetup::kMotorEncoderTestButton);
    platform::UserScript script;
    script.Click(row.button)
        .ExpectDialog(row.caption)
        .Click(testdlg::kCloseButton)
        .ExpectDialog(kMotorCaption)
        .Click(IDOK);
    EXPECT_EQ(RunMotorDialog(script), IDOK);
    ExpectUnchangedSince(expected);
  }
}

// The load encoder's button, with an encoder on the load on the second
// input; the serial load encoder's, with a serial encoder on the load.
TEST_F(MotorDialogOpenersSim, TheLoadSensorButtonsOpenTheirTests) {
  struct Row {
    std::string_view example;
    double loadSensor;
    int button;
  };
  for (const Row& row : {Row{dialogtest::kClosedLoopIncremental, 1, motorsetup::kLoadEncoderTestButton},
                         Row{dialogtest::kClosedLoopSsi, 3, motorsetup::kLoadSerialTestButton}}) {
    SCOPED_TRACE(row.button);
    UseExample(row.example);
    SetBase("LoadSensorType", row.loadSensor);
    SetBase("LoadSensorConnector", 1);
    RunOpenerSequences();
    AttachDrive();
    const std::string before = Saved();
    platform::UserScript script;
    script.Click(row.button)
        .ExpectDialog("Encoder Connections Test")
        .Call([this, &row](CDialog&) { EXPECT_EQ(Base("LoadSensorType"), row.loadSensor); })
        .Click(testdlg::kCloseButton)
        .ExpectDialog(kMotorCaption)
        .Click(IDCANCEL);
    EXPECT_EQ(RunMotorDialog(script), IDCANCEL);
    ExpectUnchangedSince(before);
  }
}

// "Identify Resistance and Inductance": the identified values come back
// into the motor dialog's controls and stay with its OK.
TEST_F(MotorDialogOpenersSim, IdentifiedResistanceAndInductanceReachTheMotorDialog) {
  UseDriveForTests(dialogtest::kOpenLoop, R"({"motor": {"R": 1.1, "L": 2.5e-3}})");
  std::string before;
  std::string after;
  platform::UserScript script;
  script.Call([&](CDialog& dialog) { before = dialog.GetDlgItemText(motorsetup::kResistanceEdit); })
      .Click(motorsetup::kResistanceTestButton)
      .ExpectDialog(kRlCaption);
  StartAndWait(script).Expect(testdlg::kResultBox, {.text = "Test succeeded"}).Click(testdlg::kCloseButton);
  script.ExpectDialog(kMotorCaption)
      .Call([&](CDialog& dialog) { after = dialog.GetDlgItemText(motorsetup::kResistanceEdit); })
      .Click(IDOK);
  EXPECT_EQ(RunMotorDialog(script, {IDYES}), IDOK);
  // As the test's own identification: R within 1 %, L within 3 %.
  EXPECT_NEAR(Base("R"), 1.1, 0.011);
  EXPECT_NEAR(Base("L"), 2.5e-3, 0.075e-3);
  EXPECT_NE(after, before) << "the motor dialog shows the identified resistance";
  EXPECT_NEAR(std::stod(after), Base("R"), 0.01);
}

// A test that failed halfway, or whose values the person gives up, leaves
// the setup as the motor dialog's OK alone would.
TEST_F(MotorDialogOpenersSim, AFailedOrRefusedIdentificationKeepsNothing) {
  struct Row {
    const char* name;
    std::string simulation;
    std::vector<int> answers;
  };
  const Row rows[] = {
      {"phase A open", R"({"motor": {"phases": [{"disconnected": true}, {}]}})", {}},
      {"link lost in the L run", R"({"motor": {"R": 1.1}, "faults": {"read": {"from_call": 40, "text": "Lost."}}})",
       {}},
      {"values refused", R"({"motor": {"R": 1.1, "L": 2.5e-3}})", {IDNO}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    UseDriveForTests(dialogtest::kOpenLoop, row.simulation);
    const std::string expected = AfterMotorDialogOk();
    platform::UserScript script;
    script.Click(motorsetup::kResistanceTestButton).ExpectDialog(kRlCaption);
    StartAndWait(script).Click(testdlg::kCloseButton).ExpectDialog(kMotorCaption).Click(IDOK);
    EXPECT_EQ(RunMotorDialog(script, row.answers), IDOK);
    ExpectUnchangedSince(expected);
  }
}

// The motor encoder's connection test reads the motor encoder alone; the
// load sensor is back when it ends, whatever its result.
TEST_F(MotorDialogOpenersSim, TheEncoderConnectionTestRunsWithoutTheLoadSensor) {
  for (const bool turned : {true, false}) {
    SCOPED_TRACE(turned ? "shaft turned" : "no pulses");
    UseMotorAndLoadEncoders(1000, true);
    AttachDrive(turned ? R"({"person": {"hand_speed_rad_s": 3.0}})" : R"({"sensors": {"encoder": {"fault": "no-pulses"}}})");
    ForgetMinimumMove();
    const std::string before = Saved();
    platform::UserScript script;
    script.Click(motorsetup::kMotorEncoderTestButton).ExpectDialog("Encoder Connections Test").Call([this](CDialog&) {
      EXPECT_EQ(Base("LoadSensorType"), 0.0);
    });
    script.Click(testdlg::kStartStopButton)
        .Wait(2000)
        .Click(testdlg::kStartStopButton)
        .Expect(testdlg::kResultBox, {.text = turned ? "Test succeeded" : "Test failed"})
        .Click(testdlg::kCloseButton);
    ExpectLoadSensorBack(script).Click(IDCANCEL);
    EXPECT_EQ(RunMotorDialog(script), IDCANCEL);
    ExpectUnchangedSince(before);
  }
}

// "Detect offset (Mandatory)": Yes keeps the detected offset, which the
// motor dialog shows and stores with its OK; No keeps the old one.
TEST_F(MotorDialogOpenersSim, TheDetectedSerialOffsetIsKeptOnYesOnly) {
  for (const int answer : {IDYES, IDNO}) {
    SCOPED_TRACE(answer == IDYES ? "yes" : "no");
    UseDriveForTests(dialogtest::kClosedLoopSsi, R"({"sensors": {"ssi": {"offset": 1200}}})");
    const std::string expected = AfterMotorDialogOk();
    std::string before;
    std::string after;
    platform::UserScript script;
    script.Call([&](CDialog& dialog) { before = dialog.GetDlgItemText(motorsetup::kMotorOffsetEdit); })
        .Click(motorsetup::kSerialOffsetButton)
        .ExpectDialog("Detect Offset Test");
    StartAndWait(script)
        .Expect(ssi_offset::kOffsetEdit, {.text = "1200"})
        .Click(testdlg::kCloseButton)
        .ExpectDialog(kMotorCaption)
        .Call([&](CDialog& dialog) { after = dialog.GetDlgItemText(motorsetup::kMotorOffsetEdit); })
        .Click(IDOK);
    EXPECT_EQ(RunMotorDialog(script, {answer}), IDOK);
    if (answer == IDYES) {
      EXPECT_EQ(Internal("ZAOFF"), 1200);
      EXPECT_NE(after, before) << "the motor dialog shows the detected offset";
    } else {
      EXPECT_EQ(after, before);
      ExpectUnchangedSince(expected);
    }
  }
}

}  // namespace
}  // namespace commissioningtest
