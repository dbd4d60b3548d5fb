// The electric angle controller tuning test through its dialog, on the
// simulated drive.
#include <gtest/gtest.h>

#include <string>

#include "commissioning/angle_tuning_test.h"
#include "commissioning/angle_tuning_test_controls.h"
#include "commissioning/test_texts.h"
#include "kernel/setup_file.h"
#include "kernel/ui/test_base_ids.h"
#include "unittests/commissioning/test_dialog_support.h"
#include "unittests/support/recording_drive.h"

namespace commissioningtest {
namespace {

constexpr const char* kCaption = "Electric Angle Controller Tuning Test";
// The rotor starts 1.0 electrical radian off phase A.
constexpr const char* kRotorOffPhaseA = R"({"initial_angle_rad": 0.02})";

class AngleTuningDialogSim : public TestDialogTest {
 protected:
  void SetUp() override {
    TestDialogTest::SetUp();
    UseExample(dialogtest::kClosedLoopIncremental);
  }
  // Puts a recorder between the kernel and the simulated drive.
  void RecordRegisters() {
    recorder_.emplace(Drive());
    recording_.emplace(&*recorder_);
  }
  double DriveRegister(const char* name) { return recorder_->Register(name); }
  void TearDown() override {
    recording_.reset();
    recorder_.reset();
    TestDialogTest::TearDown();
  }

 private:
  std::optional<testsupport::RecordingDrive> recorder_;
  std::optional<kernel::ScopedActiveDrive> recording_;
};

TEST_F(AngleTuningDialogSim, ATunedControllerSucceedsAndPlotsCurrentAndAngle) {
  AttachDrive(kRotorOffPhaseA);
  CTestAngle test(setup.get());
  platform::UserScript script;
  script.ExpectDialog(kCaption).Tab(angle_tuning::kTabs, 1);
  StartAndWait(script)
      .Expect(testdlg::kResultBox, {.text = "Test succeeded"})
      .Call([&](CDialog&) {
        const CGraphDocument& plot = test.GetGraphDocument();
        EXPECT_EQ(plot.GetColumns().size(), 3u) << "time, current, angle";
        EXPECT_GT(plot.GetPointCount(), 100u);
        ASSERT_EQ(plot.GetFilter().GetCurves().size(), 2u);
        EXPECT_EQ(plot.GetFilter().GetCurves()[1].GetAxis(), 2) << "the angle on the right axis";
      })
      .Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDCANCEL);
  EXPECT_EQ(events.stages, (std::vector<std::string>{"Launching the application for test", "Running test",
                                                     "Uploading results"}));
  EXPECT_EQ(events.outcomes, std::vector<int>{1});
  EXPECT_FALSE(test.NotStabilized());
}

TEST_F(AngleTuningDialogSim, WithoutGainsTheAngleDoesNotSettleAndTheTextSaysWhere) {
  AttachDrive(kRotorOffPhaseA);
  SetBase("Kp_T_scl", 0);
  SetBase("Ki_T_scl", 0);
  RunOpenerSequences();
  CTestAngle test(setup.get());
  platform::UserScript script;
  StartAndWait(script).Expect(testdlg::kResultBox, {.text = "Test failed"}).Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDCANCEL);
  ASSERT_EQ(events.errors.size(), 1u);
  EXPECT_EQ(events.errors[0].rfind("Test failed!\n\nIf the Test current doesn’t decreases to zero", 0), 0u)
      << events.errors[0];
  EXPECT_TRUE(test.NotStabilized());
}

// A gain moved during the run reaches the drive at once; closing without
// OK puts the setup back, and the drive's registers with it.
TEST_F(AngleTuningDialogSim, GainsMovedDuringTheRunGoToTheDriveAndBackOnCancel) {
  AttachDrive(kRotorOffPhaseA);
  RecordRegisters();
  const double kpBefore = Internal("KPTHT");
  const double shiftBefore = Internal("SFTKPTHT");
  CTestAngle test(setup.get());
  double kpDuringRun = 0;
  platform::UserScript script;
  script.ExpectDialog(kCaption)
      .Tab(angle_tuning::kTabs, 1)
      .Click(testdlg::kStartStopButton)
      .Wait(100)
      .Slide(angle_tuning::kKpSlider, 90)
      .Call([&](CDialog&) {
        kpDuringRun = Internal("KPTHT");
        EXPECT_EQ(DriveRegister("KPTHT"), kpDuringRun) << "written at once";
        EXPECT_EQ(DriveRegister("SFTKPTHT"), Internal("SFTKPTHT"));
      })
      .Tab(angle_tuning::kTabs, 0)
      .Call([&](CDialog&) { EXPECT_EQ(test.GetDlgItem(angle_tuning::kGraph)->IsWindowVisible(), TRUE); })
      .WaitUntil(testdlg::kStartStopButton, {.text = "&Start"}, 20000)
      .Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDCANCEL);
  EXPECT_NE(kpDuringRun, kpBefore) << "the slider moved the gain";
  EXPECT_EQ(Internal("KPTHT"), kpBefore);
  EXPECT_EQ(DriveRegister("KPTHT"), kpBefore) << "the drive holds the setup's gain again";
  EXPECT_EQ(DriveRegister("SFTKPTHT"), shiftBefore);
}

// A setup without the logger's parameters: the dialog keeps its own, held
// within their ranges.
TEST_F(AngleTuningDialogSim, LocalLoggerSettingsWhenTheSetupLacksThem) {
  std::string document = kernel::SerializeSetup(*setup);
  for (const char* name : {"\"AquisitionsNo\"", "\"SamplingRate\""}) {
    const auto at = document.find(name);
    ASSERT_NE(at, std::string::npos);
    document.erase(at, document.find('\n', at) - at + 1);
  }
  auto parsed = kernel::ParseSetup(document);
  ASSERT_TRUE(parsed.ok()) << parsed.ErrorText();
  setup = std::move(parsed.setup);
  AttachDrive(kRotorOffPhaseA);
  CTestAngle test(setup.get());
  platform::UserScript script;
  script.ExpectDialog(kCaption)
      .Expect(angle_tuning::kAcquisitionsEdit, {.text = "2000"})
      .Expect(angle_tuning::kSamplingEdit, {.text = "2"})
      .Type(angle_tuning::kAcquisitionsEdit, "9000")
      .Type(angle_tuning::kSamplingEdit, "4");
  StartAndWait(script)
      .Expect(angle_tuning::kAcquisitionsEdit, {.text = "5000"})
      .Call([&](CDialog&) {
        EXPECT_LE(test.GetGraphDocument().GetPointCount(), 5000u);
      })
      .Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDCANCEL);
  EXPECT_EQ(events.outcomes, std::vector<int>{1});
}

}  // namespace
}  // namespace commissioningtest
