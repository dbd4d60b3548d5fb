// The encoder connection tests through their dialogs, while the simulated
// person turns the shaft by hand (or does not).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "commissioning/encoder_connection_test.h"
#include "commissioning/encoder_position.h"
#include "kernel/setup.h"
#include "kernel/ui/test_base_ids.h"
#include "kernel/ui/test_dlg.h"
#include "unittests/commissioning/test_dialog_support.h"

namespace {

using Opener = std::function<std::unique_ptr<CDialog>(CVX_Setup*)>;

template <class Test>
Opener Open() {
  return [](CVX_Setup* setup) { return std::make_unique<Test>(setup, 1); };
}

// The load test on a setup whose encoder sits on the load.
Opener OpenLoadTest() {
  return [](CVX_Setup* setup) {
    setup->SetParameterValueInBaseUnit("LoadSensorType", 1);
    return std::make_unique<CTestEncoderLdConnections>(setup, 1);
  };
}

struct Case {
  const char* name;
  const char* example;
  const char* simulation;
  Opener open;
  const char* result;
  std::string status;  // after a failure
  bool stoppedByPerson = true;  // else a protection ends the test
};

// Turning the shaft at the hand's pace for a second, then Stop.
constexpr const char* kTurning = R"({"person": {"hand_speed_rad_s": 3.0}})";

class EncoderConnectionSim : public commissioningtest::TestDialogTest, public testing::WithParamInterface<Case> {};

TEST_P(EncoderConnectionSim, StopSucceedsOnlyWhenTheCountersMoved) {
  const Case& c = GetParam();
  UseDrive(c.example, c.simulation);
  std::string before;
  platform::UserScript script;
  script.Click(testdlg::kStartStopButton).Wait(1000);
  if (c.stoppedByPerson) script.Click(testdlg::kStartStopButton);
  script.Expect(testdlg::kResultBox, {.text = c.result});
  if (!c.status.empty()) script.Expect(testdlg::kStatusBox, {.text = c.status});
  script.Click(testdlg::kCloseButton);
  const platform::ScriptRun run = RunAnsweringKeep(script, {}, [&] {
    const std::unique_ptr<CDialog> dialog = c.open(setup.get());
    before = Saved();
    return dialog->DoModal();
  });
  ASSERT_TRUE(run.ok) << run.failure;
  ExpectUnchangedSince(before);
  // The program ended with the test: nothing runs on the drive any more
  // once it has seen the end (at its next sample).
  clock.Advance(std::chrono::milliseconds(20));
  int on = 1;
  ASSERT_TRUE(CVX_TestDlg::GetAxisOn(on));
  EXPECT_EQ(on, 0);
}

const std::string kNoPulses = CEncoderConnectionTest::kNoPulsesText;

INSTANTIATE_TEST_SUITE_P(
    Tests, EncoderConnectionSim,
    testing::Values(
        Case{"MotorEncoderTurned", "closed_loop_incremental_1000", kTurning, Open<CTestEncoderConnections>(),
             "Test succeeded", ""},
        Case{"MotorEncoderStill", "closed_loop_incremental_1000", "", Open<CTestEncoderConnections>(), "Test failed",
             kNoPulses},
        Case{"MotorEncoderWithoutPulses", "closed_loop_incremental_1000",
             R"({"person": {"hand_speed_rad_s": 3.0}, "sensors": {"encoder": {"fault": "no-pulses"}}})",
             Open<CTestEncoderConnections>(), "Test failed", kNoPulses},
        Case{"LoadEncoderTurned", "closed_loop_incremental_1000",
             R"({"person": {"hand_speed_rad_s": 3.0}, "sensors": {"shaft": "load", "encoder": {"lines": 1000}}})", OpenLoadTest(),
             "Test succeeded", ""},
        Case{"LoadEncoderStill", "closed_loop_incremental_1000", R"({"sensors": {"shaft": "load", "encoder": {"lines": 1000}}})", OpenLoadTest(),
             "Test failed", kNoPulses},
        Case{"OpenLoopMotorEncoderTurned", "open_loop_step_loss_encoder", kTurning, Open<CTestEncoderConnections>(),
             "Test succeeded", ""},
        Case{"SerialEncoderTurned", "closed_loop_ssi_17bit", kTurning, Open<CTestSSIEncoderConnections>(),
             "Test succeeded", ""},
        Case{"SerialEncoderStill", "closed_loop_ssi_17bit", "", Open<CTestSSIEncoderConnections>(), "Test failed",
             kNoPulses},
        Case{"SerialEncoderSilent", "closed_loop_ssi_17bit",
             R"({"person": {"hand_speed_rad_s": 3.0}, "sensors": {"ssi": {"fault": "no-response"}}})",
             Open<CTestSSIEncoderConnections>(), "Test failed", "Feedback error.", false}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

class EncoderIndexSim : public commissioningtest::TestDialogTest {};

TEST_F(EncoderIndexSim, TheIndexCaptureShowsOnceTheShaftPassesTheIndex) {
  UseDrive("closed_loop_incremental_1000", kTurning);
  platform::UserScript script;
  script.Expect(encoder_connection::kIndexPositionEdit, {.visible = true})
      .Click(testdlg::kStartStopButton)
      .Wait(40)
      .Expect(encoder_connection::kIndexPositionEdit, {.text = CTestEncoderConnections::kIndexNotDetected})
      // At 3 rad/s a turn takes about 2.1 s.
      .Wait(2500)
      .Call([](CDialog& dialog) {
        const std::string captured = dialog.GetDlgItemText(encoder_connection::kIndexPositionEdit);
        EXPECT_NE(captured, CTestEncoderConnections::kIndexNotDetected);
        EXPECT_NE(captured, "");
      })
      .Click(testdlg::kStartStopButton)
      .Expect(testdlg::kResultBox, {.text = "Test succeeded"})
      .Click(testdlg::kCloseButton);
  const platform::ScriptRun run = RunAnsweringKeep(script, {}, [&] {
    CTestEncoderConnections dialog(setup.get(), 1);
    return dialog.DoModal();
  });
  ASSERT_TRUE(run.ok) << run.failure;
}

// The dial turns with the shaft: a quarter of its turn per line counted.
TEST_F(EncoderIndexSim, TheDialShowsTheCountedPosition) {
  UseDrive("closed_loop_incremental_1000", kTurning);
  platform::UserScript script;
  script.Click(testdlg::kStartStopButton).Wait(500).Call([](CDialog& dialog) {
    const auto* dial = dynamic_cast<const CEncoderDiagram*>(dialog.GetDlgItem(encoder_connection::kDiagram));
    ASSERT_NE(dial, nullptr);
    const double counted = std::stod(dialog.GetDlgItemText(encoder_connection::kPositionEdit));
    EXPECT_NE(counted, 0.0) << "the shaft turned";
    EXPECT_DOUBLE_EQ(dial->GetAngle(), commissioning::IncrementalDiagramAngle_rad(counted, 1000));
  });
  script.Click(testdlg::kStartStopButton).Expect(testdlg::kResultBox, {.text = "Test succeeded"});
  script.Click(testdlg::kCloseButton);
  const platform::ScriptRun run = RunAnsweringKeep(script, {}, [&] {
    CTestEncoderConnections dialog(setup.get(), 1);
    return dialog.DoModal();
  });
  ASSERT_TRUE(run.ok) << run.failure;
}

TEST_F(EncoderIndexSim, OpenLoopHasNoIndexCapture) {
  UseDrive("open_loop_step_loss_encoder", kTurning);
  platform::UserScript script;
  script.Expect(encoder_connection::kIndexPositionEdit, {.visible = false})
      .Expect(encoder_connection::kIndexLabel, {.visible = false})
      .Click(testdlg::kCloseButton);
  const platform::ScriptRun run = RunAnsweringKeep(script, {}, [&] {
    CTestEncoderConnections dialog(setup.get(), 1);
    return dialog.DoModal();
  });
  ASSERT_TRUE(run.ok) << run.failure;
}

}  // namespace
