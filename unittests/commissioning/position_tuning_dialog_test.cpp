// The position controller tuning test through its dialog, on the simulated
// drive: the three designs against motors the setup does not describe
// exactly, the run's inputs, and its faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "commissioning/position_tuning_test.h"
#include "commissioning/position_tuning_test_controls.h"
#include "kernel/setup_file.h"
#include "kernel/ui/test_base_ids.h"
#include "unittests/commissioning/test_dialog_support.h"
#include "unittests/support/recording_drive.h"
#include "unittests/support/text_difference.h"

namespace commissioningtest {
namespace {

constexpr const char* kCaption = "Position Controller Tuning Test";
using Points = std::vector<std::vector<double>>;

class PositionTuningDialogSim : public TestDialogTest {
 protected:
  Points TuneAndRun(CTestPositionTuning& test) {
    return TestDialogTest::TuneAndRun(test, kCaption, position_tuning::kTabs, position_tuning::kTuneButton);
  }
};

struct DesignCase {
  const char* name;
  std::string_view example;
  const char* simulation;  // a motor 10 to 30 % off the setup
  const char* program;
};

class PositionDesignsSim : public PositionTuningDialogSim, public testing::WithParamInterface<DesignCase> {};

TEST_P(PositionDesignsSim, TheTunedLoopFollowsTheProfile) {
  const DesignCase& c = GetParam();
  UseExample(c.example);
  SetInternal("OnlinePlotP", 0);
  SetInternal("MultiCycleP", 0);
  AttachDrive(c.simulation);
  EXPECT_EQ(CTestPositionTuning::ProgramFor(*setup), c.program);
  CTestPositionTuning test(setup.get());
  const Points points = TuneAndRun(test);
  ASSERT_TRUE(events.errors.empty()) << events.errors.front();
  ASSERT_GE(points.size(), 1000u);
  const double ts = Base("Ts_S");
  const auto samples = [ts](double seconds) { return static_cast<std::size_t>(std::lround(seconds / ts)); };
  const std::size_t rampEnd = samples(Base("TaPP"));
  const std::size_t holdEnd = std::min(points.size(), rampEnd + samples(Base("TPP")));
  // Bounds from the design: the poles sit at "PB_P" with damping "Dump_P".
  // On the ramp the position lags at most as a loop of the proportional
  // part alone would, rate / (2 zeta omega); after the ramp it settles to 1 %
  // of the move within 6 / (zeta omega) and overshoots by less than 10 %.
  const double omega = Base("PB_P");
  const double zeta = Base("Dump_P");
  const double p = points[rampEnd + 1][1];
  const double rate = p / (Base("TaPP") - ts);
  const std::size_t start = samples(4.0 / (zeta * omega));
  for (std::size_t k = start; k < rampEnd; ++k) {
    SCOPED_TRACE(k);
    ASSERT_NEAR(points[k][2], points[k][1], rate / (2 * zeta * omega)) << "following the ramp";
  }
  const std::size_t settled = rampEnd + samples(6.0 / (zeta * omega));
  for (std::size_t k = rampEnd; k < holdEnd; ++k) {
    SCOPED_TRACE(k);
    ASSERT_LT(std::fabs(points[k][2]), 1.1 * std::fabs(p)) << "overshoot";
    if (k >= settled) {
      ASSERT_NEAR(points[k][2], p, std::max(0.01 * std::fabs(p), 2.0)) << "settled";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cascades, PositionDesignsSim,
    testing::Values(
        DesignCase{"through_the_speed_loop", dialogtest::kClosedLoopIncremental,
                   R"({"motor": {"Jm": 4.6e-5, "Jload": 6.44e-5}})", "Position_Controller_Tuning_Test_with_SpdCtrl_SCL"},
        DesignCase{"commanding_current", dialogtest::kClosedLoopSsi, R"({"motor": {"Jm": 2.7e-4, "Jload": 3.8e-4}})",
                   "Position_Controller_Tuning_Test_without_SpdCtrl"},
        DesignCase{"open_loop", dialogtest::kOpenLoop, R"({"motor": {"Jm": 4.8e-5, "Jload": 6e-5}})",
                   "Position_Controller_Tuning_Test_with_SpdCtrl_SOL"}),
    [](const testing::TestParamInfo<DesignCase>& info) { return std::string(info.param.name); });

class PositionTuningDialog : public PositionTuningDialogSim {};

// "Tune" designs the gains from "PB_P" for the setup's cascade: half the
// bandwidth gives gains in the powers of it that each design has (through
// the speed loop or in open loop Kp ~ w, Ki ~ w^2; commanding current
// Kp ~ w^2, Ki ~ w^3, Kd ~ w), as the registers the drive runs hold them.
TEST_F(PositionTuningDialog, TuneDesignsTheGainsForTheCascade) {
  struct Case {
    std::string_view example;
    double kpPower, kiPower, kdPower;
  };
  for (const Case& c : {Case{dialogtest::kClosedLoopIncremental, 1, 2, 0}, Case{dialogtest::kClosedLoopSsi, 2, 3, 1},
                        Case{dialogtest::kOpenLoop, 1, 2, 0}}) {
    SCOPED_TRACE(c.example);
    UseExample(c.example);
    // Each gain with its register's mantissa, which tells how finely the
    // register holds it: to half a count.
    struct Gain {
      double value;
      double mantissa;
    };
    const auto tune = [&](double bandwidth) {
      SetBase("PB_P", bandwidth);
      CTestPositionTuning test(setup.get());
      platform::UserScript script;
      script.ExpectDialog(kCaption).Tab(position_tuning::kTabs, 1).Click(position_tuning::kTuneButton)
          .Click(testdlg::kOkButton);
      EXPECT_EQ(RunTest(test, script), IDOK);
      return std::array<Gain, 3>{Gain{Base("Kp_P_scl"), Internal("KPP")}, Gain{Base("Ki_P_scl"), Internal("KIP")},
                                 Gain{Base("Kd_P_scl"), Internal("KDP")}};
    };
    const double bandwidth = Base("PB_P");
    const auto full = tune(bandwidth);
    const auto half = tune(bandwidth / 2);
    const double powers[] = {c.kpPower, c.kiPower, c.kdPower};
    for (int i = 0; i < 3; ++i) {
      SCOPED_TRACE(i);
      if (powers[i] == 0) {
        EXPECT_EQ(half[i].value, 0.0);
        continue;
      }
      const double ratio = std::pow(0.5, powers[i]);
      const double rounding = 0.5 / std::fabs(half[i].mantissa) + 0.5 / std::fabs(full[i].mantissa);
      EXPECT_NEAR(half[i].value / full[i].value, ratio, ratio * rounding + 1e-9);
    }
  }
}

TEST_F(PositionTuningDialogSim, TheSpeedFeedForwardTakesTheTransmission) {
  UseExample(dialogtest::kOpenLoop);
  CTestPositionTuning test(setup.get());
  platform::UserScript script;
  script.ExpectDialog(kCaption)
      .Tab(position_tuning::kTabs, 1)
      .Click(position_tuning::kFeedForwardFromTransmissionButton)
      .Click(testdlg::kOkButton);
  EXPECT_EQ(RunTest(test, script), IDOK);
  EXPECT_NEAR(Base("KFFS_scl"), std::fabs(Internal("TRANSMISSION")), 1e-3);
}

// Through the speed loop the run's current limit rides on the speed loop's
// registers: the test sets them from its limit, and a dialog that ends
// without OK leaves the setup and the drive's registers as they were.
TEST_F(PositionTuningDialogSim, TheRunsCurrentLimitGoesBackWithCancel) {
  UseExample(dialogtest::kClosedLoopIncremental);
  SetInternal("OnlinePlotP", 0);
  SetInternal("MultiCycleP", 0);
  SetBase("TestLimitCurrent", 3.5);
  AttachDrive();
  testsupport::RecordingDrive recorder(Drive());
  kernel::ScopedActiveDrive recording(&recorder);
  const std::string before = kernel::SerializeSetup(*setup);
  const double sats = Internal("SATS");
  CTestPositionTuning test(setup.get());
  platform::UserScript script;
  StartAndWait(script)
      .Expect(testdlg::kResultBox, {.text = "Test succeeded"})
      .Call([&](CDialog&) {
        EXPECT_NEAR(Base("IlimPS"), 3.5, 1e-3);
        EXPECT_NE(recorder.Register("SATS"), sats) << "the run had the test's limit";
      })
      .Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDCANCEL);
  const std::string after = kernel::SerializeSetup(*setup);
  EXPECT_TRUE(after == before) << testsupport::FirstDifference(before, after);
  EXPECT_EQ(recorder.Register("SATS"), sats) << "the drive holds the setup's limit again";
}

}  // namespace
}  // namespace commissioningtest
