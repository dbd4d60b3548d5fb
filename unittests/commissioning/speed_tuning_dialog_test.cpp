// The speed controller tuning test through its dialog, on the simulated
// drive: the designed loop against a motor the setup does not describe
// exactly, the run's stages and plots, and its faults.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <cmath>
#include <string>

#include "commissioning/speed_tuning_test.h"
#include "commissioning/speed_tuning_test_controls.h"
#include "commissioning/test_texts.h"
#include "kernel/setup_file.h"
#include "kernel/plot_files.h"
#include "kernel/ui/scope_recording_controls.h"
#include "kernel/ui/test_base_ids.h"
#include "unittests/commissioning/test_dialog_support.h"
#include "unittests/support/recording_drive.h"
#include "unittests/support/text_difference.h"

namespace commissioningtest {
namespace {

constexpr const char* kCaption = "Speed Controller Tuning Test";
// The true load is 20 % heavier than the setup says.
constexpr const char* kHeavierLoad = R"({"motor": {"Jm": 4.6e-5, "Jload": 6.44e-5}})";
const std::vector<std::string> kStages{"Launching the application for preliminary test",
                                       "Waiting preliminary test to be finished",
                                       "Launching the application for test", "Running test", "Uploading results"};

using Points = std::vector<std::vector<double>>;

// The mean of columns `column` over the samples [from, to).
double Mean(const Points& points, int column, std::size_t from, std::size_t to) {
  double sum = 0.0;
  for (std::size_t k = from; k < to; ++k) sum += points[k][static_cast<std::size_t>(column)];
  return sum / static_cast<double>(to - from);
}

class SpeedTuningDialog : public TestDialogTest {
 protected:
  void SetUp() override {
    TestDialogTest::SetUp();
    UseExample(dialogtest::kClosedLoopIncremental);
    SetInternal("OnlinePlotS", 0);
    SetInternal("MultiCycleS", 0);
  }
  Points TuneAndRun(CTestSpeedTuning& test) {
    return TestDialogTest::TuneAndRun(test, kCaption, speed_tuning::kTabs, speed_tuning::kTuneButton);
  }
};

class SpeedTuningDialogSim : public SpeedTuningDialog {};

// The design places the closed loop's poles at "PB_S" with damping "Dump_S";
// a motor whose inertia is off by 20 % moves them by less than that. The
// checks read 10 ms means (20 samples): a sample's speed is a whole count
// per sample, so a single one jitters by a count.
TEST_F(SpeedTuningDialogSim, TheTunedLoopFollowsTheProfileOfAMotorTheSetupMisjudges) {
  AttachDrive(kHeavierLoad);
  CTestSpeedTuning test(setup.get());
  const Points points = TuneAndRun(test);
  ASSERT_TRUE(events.errors.empty()) << events.errors.front();
  ASSERT_EQ(events.outcomes, std::vector<int>{1});
  ASSERT_GE(points.size(), 1000u);

  const double v = Internal("TestSpeed");
  const double ts = Base("Ts_S");
  const auto samples = [ts](double seconds) { return static_cast<std::size_t>(std::lround(seconds / ts)); };
  const std::size_t rampEnd = samples(Base("TaPS"));
  const std::size_t holdEnd = rampEnd + samples(Base("TPS"));
  // Four time constants of the slower pole pair, 1 / (zeta omega).
  const std::size_t settle = samples(4.0 / (Base("Dump_S") * Base("PB_S")));
  const double band = std::max(0.02 * v, 0.25);
  // On the ramp, at most the lag of the loop's proportional part alone,
  // 2 zeta a / omega for the ramp's slope a; the integral works it off.
  const double slope = v / (Base("TaPS") / ts) / ts;
  const double lag = 2.0 * Base("Dump_S") * slope / Base("PB_S");
  constexpr std::size_t kWindow = 20;

  for (std::size_t k = settle; k + kWindow <= rampEnd; k += kWindow) {
    SCOPED_TRACE(k);
    EXPECT_NEAR(Mean(points, 2, k, k + kWindow), Mean(points, 1, k, k + kWindow), lag) << "following the ramp";
  }
  for (std::size_t k = rampEnd; k + kWindow <= holdEnd; k += kWindow) {
    SCOPED_TRACE(k);
    const double mean = Mean(points, 2, k, k + kWindow);
    EXPECT_LT(mean, 1.1 * v) << "overshoot within 10 %";
    if (k >= rampEnd + settle) {
      EXPECT_NEAR(mean, v, band) << "settled";
    }
  }
  EXPECT_NEAR(Mean(points, 2, rampEnd + settle, holdEnd), v, 0.01 * v) << "no error left at constant speed";
}

TEST_F(SpeedTuningDialogSim, StartingAgainAfterASuccessSkipsThePositioning) {
  AttachDrive();
  CTestSpeedTuning test(setup.get());
  platform::UserScript script;
  script.ExpectDialog(kCaption).Tab(speed_tuning::kTabs, 1);
  StartAndWait(script);
  StartAndWait(script).Expect(testdlg::kResultBox, {.text = "Test succeeded"}).Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDCANCEL);
  EXPECT_EQ(events.outcomes, (std::vector<int>{1, 1}));
  std::vector<std::string> twice = kStages;
  twice.insert(twice.end(), kStages.begin() + 2, kStages.end());
  EXPECT_EQ(events.stages, twice);
}

TEST_F(SpeedTuningDialog, AProfileThatCannotRunDoesNotStart) {
  AttachDrive();
  // 20 s at constant speed is 40000 slow-loop samples, beyond one segment.
  SetBase("TPS", 20.0);
  CTestSpeedTuning test(setup.get());
  platform::UserScript script;
  script.ExpectDialog(kCaption)
      .Answer("Distances between consecutive points on X axis must be greater than 0 and below 32768.", IDOK)
      .Click(testdlg::kStartStopButton)
      .Expect(testdlg::kStartStopButton, {.text = "&Start"})
      .Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDCANCEL);
  EXPECT_TRUE(events.stages.empty());
}

TEST_F(SpeedTuningDialog, ATestSpeedIsShownAsTheDriveRunsIt) {
  SetInternal("isSpeedEstimator", 0);
  CTestSpeedTuning test(setup.get());
  const double perRadS = Internal("TestSpeed") / Base("TestSpeed");
  platform::UserScript script;
  // 0.1 count per sample rounds to nothing and becomes one count.
  script.ExpectDialog(kCaption)
      .Type(speed_tuning::kTestSpeedEdit, std::to_string(0.1 / perRadS * 9.549296585513721))
      .Call([&](CDialog&) { EXPECT_EQ(Internal("TestSpeed"), 1.0); })
      .Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDCANCEL);
}

TEST_F(SpeedTuningDialog, TheTestPageWantsTheProtectionAboveTheCurrentLimit) {
  SetBase("TestLimitCurrent", 3.0);
  SetBase("TestProtectionCurrent", 2.0);
  CTestSpeedTuning test(setup.get());
  platform::UserScript script;
  script.ExpectDialog(kCaption)
      .Answer("Over current protection must be greater than Drive current limit. Recommended value for Drive "
              "current limit is maximum 90% of Over current protection.",
              IDOK)
      .Tab(speed_tuning::kTabs, 1)
      .Expect(speed_tuning::kTabs, {.text = "Test Parameters"})
      .Expect(speed_tuning::kTuneButton, {.visible = false})
      .Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDCANCEL);
}

TEST_F(SpeedTuningDialog, ATotalInertiaBelowTheMotorsMakesItUnknown) {
  CTestSpeedTuning test(setup.get());
  platform::UserScript script;
  script.ExpectDialog(kCaption)
      .Expect(speed_tuning::kInertiaRatioEdit, {.text = "1.000"})
      .Answer("You have chosen a value for the total inertia that is lower than the value of the motor "
              "inertia.\nThe application will assume the motor inertia is unknown.",
              IDOK)
      .Type(speed_tuning::kTotalInertiaEdit, "0.00003")
      .Tab(speed_tuning::kTabs, 1)
      .Expect(speed_tuning::kInertiaRatioSlider, {.enabled = false})
      .Click(testdlg::kOkButton);
  EXPECT_EQ(RunTest(test, script), IDOK);
  EXPECT_EQ(Internal("isMotorInertiaUnknown"), 1);
}

TEST_F(SpeedTuningDialog, TheLoadRatioAndTheTotalInertiaFollowEachOther) {
  CTestSpeedTuning test(setup.get());
  platform::UserScript script;
  script.ExpectDialog(kCaption)
      .Type(speed_tuning::kTotalInertiaEdit, "0.000138")
      .Expect(speed_tuning::kInertiaRatioEdit, {.text = "2.000"})
      .Tab(speed_tuning::kTabs, 1)
      .Type(speed_tuning::kInertiaRatioEdit, "3")
      .Tab(speed_tuning::kTabs, 0)
      .Click(testdlg::kOkButton);
  EXPECT_EQ(RunTest(test, script), IDOK);
  EXPECT_NEAR(Base("Jt"), 4 * 4.6e-5, 1e-12);
}

// A gain moved during the run reaches the drive at once; closing without
// OK puts the setup back, and the drive's registers with it.
TEST_F(SpeedTuningDialogSim, GainsMovedDuringTheRunGoToTheDriveAndBackOnCancel) {
  AttachDrive();
  testsupport::RecordingDrive recorder(Drive());
  kernel::ScopedActiveDrive recording(&recorder);
  const double kpBefore = Internal("KPS");
  CTestSpeedTuning test(setup.get());
  platform::UserScript script;
  script.ExpectDialog(kCaption)
      .Tab(speed_tuning::kTabs, 1)
      .Click(testdlg::kStartStopButton)
      .Wait(700)
      .Slide(speed_tuning::kKpSlider, 80)
      .Call([&](CDialog&) {
        EXPECT_NE(Internal("KPS"), kpBefore);
        EXPECT_EQ(recorder.Register("KPS"), Internal("KPS")) << "written at once";
        EXPECT_EQ(recorder.Register("SFTKPS"), Internal("SFTKPS"));
      })
      .WaitUntil(testdlg::kStartStopButton, {.text = "&Start"}, 20000)
      .Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDCANCEL);
  EXPECT_EQ(Internal("KPS"), kpBefore);
  EXPECT_EQ(recorder.Register("KPS"), kpBefore) << "the drive holds the setup's gain again";
}

TEST_F(SpeedTuningDialogSim, TheScopePlotsLiveAndTheRunEndsWithTheProgram) {
  AttachDrive();
  SetInternal("OnlinePlotS", 1);
  CTestSpeedTuning test(setup.get());
  platform::UserScript script;
  script.ExpectDialog(kCaption).Tab(speed_tuning::kTabs, 1);
  StartAndWait(script)
      .Expect(testdlg::kResultBox, {.text = "Test succeeded"})
      .Call([&](CDialog&) { EXPECT_GT(test.GetGraphDocument().GetPointCount(), 500u); })
      .Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDCANCEL);
  EXPECT_EQ(events.outcomes, std::vector<int>{1});
  EXPECT_EQ(events.stages.size(), 4u) << "nothing to upload";
}

TEST_F(SpeedTuningDialogSim, WithoutAScopeTheReadingsRunUntilStop) {
  AttachDrive();
  setup->SetOption("hasOscilloscope", "0");
  SetInternal("OnlinePlotS", 1);
  SetInternal("MultiCycleS", 1);
  CTestSpeedTuning test(setup.get());
  platform::UserScript script;
  script.ExpectDialog(kCaption)
      .Tab(speed_tuning::kTabs, 1)
      .Expect(speed_tuning::kOscilloscope, {.visible = true})
      .Click(testdlg::kStartStopButton)
      .Wait(3000)
      .Expect(testdlg::kStatusBox, {.text = std::string(commissioning::kRunningUntilStopText)})
      .Call([&](CDialog&) {
        EXPECT_NE(test.GetDlgItemText(speed_tuning::kReferenceValue).find("rad/s"), std::string::npos)
            << test.GetDlgItemText(speed_tuning::kReferenceValue);
      })
      .Click(testdlg::kStartStopButton)
      .WaitUntil(testdlg::kStartStopButton, {.text = "&Start"}, 1000)
      .Expect(testdlg::kResultBox, {.text = "Test succeeded"})
      .Call([&](CDialog&) { EXPECT_GT(test.GetGraphDocument().GetPointCount(), 50u); })
      .Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDCANCEL);
}

// Without encoder pulses the speed error grows beyond its limit (a test
// speed above "SERRMAX"); the other faults are in the motion fault table.
TEST_F(SpeedTuningDialogSim, NoEncoderPulsesTripTheControlError) {
  SetBase("TestSpeed", 90.0);
  AttachDrive(R"({"sensors": {"encoder": {"lines": 1000, "fault": "no-pulses"}}})");
  CTestSpeedTuning test(setup.get());
  // After the construction, which shows the test speed as the drive runs it.
  const std::string before = Saved();
  EXPECT_EQ(RunOnceAndClose(test), IDCANCEL);
  EXPECT_EQ(events.errors, std::vector<std::string>{"Drive / Motor control error protection triggered."});
  ExpectUnchangedSince(before);
}

// The person's Stop arrives while the points come: the upload ends there,
// without a result.
TEST_F(SpeedTuningDialogSim, StopDuringTheUploadEndsWithoutAResult) {
  AttachDrive();
  testsupport::RecordingDrive recorder(Drive());
  kernel::ScopedActiveDrive recording(&recorder);
  CTestSpeedTuning test(setup.get());
  recorder.onUpload = [&](int upload) {
    if (upload == 3) test.PostMessage(WM_COMMAND, MAKEWPARAM(testdlg::kStartStopButton, BN_CLICKED), 0);
  };
  platform::UserScript script;
  StartAndWait(script).Expect(testdlg::kResultBox, {.text = "Test stopped"}).Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDCANCEL);
  EXPECT_EQ(events.outcomes, std::vector<int>{-1});
  EXPECT_LT(test.GetGraphDocument().GetPointCount(), 2000u) << "the upload stopped part way";
}

// The scope's settings are kept in the setup when the person used them; a
// recording saved after a run loads back into the plot.
TEST_F(SpeedTuningDialogSim, ScopeSettingsAndRecordings) {
  const auto dir = std::filesystem::temp_directory_path() / "drivesetup_scope_recording_test";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  kernel::SetPlotDirectory(dir);
  AttachDrive();
  SetInternal("OnlinePlotS", 1);
  std::size_t recorded = 0;
  CTestSpeedTuning test(setup.get());
  platform::UserScript script;
  ChangeScopeSettings(script, kCaption, speed_tuning::kTabs, 500, 2);
  StartAndWait(script)
      .Call([&](CDialog&) { recorded = test.GetGraphDocument().GetPointCount(); })
      .Click(speed_tuning::kScopeSaveButton)
      .ExpectDialog("Scope recording")
      .Type(scope_recording::kNameEdit, "Run1")
      .Click(IDOK)
      .ExpectDialog(kCaption)
      .Click(speed_tuning::kScopeLoadButton)
      .ExpectDialog("Scope recording")
      .Type(scope_recording::kNameEdit, "Run1")
      .Click(IDOK)
      .ExpectDialog(kCaption)
      .Call([&](CDialog&) { EXPECT_EQ(test.GetGraphDocument().GetPointCount(), recorded); })
      .Click(testdlg::kOkButton);
  EXPECT_EQ(RunTest(test, script), IDOK);
  EXPECT_EQ(recorded, 500u) << "one window of the scope";
  EXPECT_TRUE(std::filesystem::exists(dir / "Run1.csv"));
  EXPECT_EQ(setup->GetOptionNoError("SpeedTuningOscSettings"), "500 2");
  kernel::SetPlotDirectory({});
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace commissioningtest
