#include "dialogs/advanced_dialog.h"

#include <gtest/gtest.h>

#include <string>

#include "kernel/setup_file.h"
#include "unittests/dialogs/dialog_test_support.h"

namespace {

using namespace advanced;
using platform::Expectation;

constexpr char kFastMinimumMessage[] =
    "The minimum value for Fast loop sampling period is 0.150 ms!\nPlease adjust the PWM frequency and/or the Fast "
    "loop sampling frequency divider until this condition is fulfilled!";
constexpr char kSlowMinimumMessage[] =
    "The minimum value for Slow loop sampling period is 2.000 ms!\nPlease adjust the PWM frequency and/or the Slow "
    "loop sampling frequency divider until this condition is fulfilled!";

class AdvancedDialogTest : public dialogtest::DialogTest {
 protected:
  void Open(std::string_view example) {
    UseExample(example);
    RunOpenerSequences();
  }

  platform::ScriptRun Edit(platform::UserScript& script) {
    CAdvancedDialog dialog(setup.get());
    return Run(script, [&] { return dialog.DoModal(); });
  }
};

// Closed loop example: 60 MHz clock, 20 kHz PWM, fast divider 2, slow 10.
TEST_F(AdvancedDialogTest, DoublingThePwmFrequencyKeepsBothLoopPeriods) {
  Open(dialogtest::kClosedLoopIncremental);
  ASSERT_DOUBLE_EQ(Base("Ts_C"), 100e-6);
  ASSERT_DOUBLE_EQ(Base("Ts_S"), 500e-6);
  const double errorTime_s = Base("time_ERR_pos");

  platform::UserScript script;
  script.Type(kPwmFrequencyEdit, "40").Click(IDOK);
  const platform::ScriptRun run = Edit(script);
  ASSERT_TRUE(run.ok) << run.failure;

  EXPECT_EQ(run.result, IDOK);
  EXPECT_DOUBLE_EQ(Base("PWM_freq"), 40000.0);
  EXPECT_DOUBLE_EQ(Base("PWMPER"), 750.0);
  EXPECT_DOUBLE_EQ(Base("CLPER"), 4.0);
  EXPECT_DOUBLE_EQ(Base("SLPER"), 20.0);
  EXPECT_NEAR(Base("Ts_C"), 100e-6, 1e-12);
  EXPECT_NEAR(Base("Ts_S"), 500e-6, 1e-12);
  EXPECT_NEAR(Base("PWMperiod"), 25e-6, 1e-12);
  EXPECT_DOUBLE_EQ(Base("time_ERR_pos"), errorTime_s);
}

TEST_F(AdvancedDialogTest, OpenLoopSlowDividerFollowsEightFastOnes) {
  Open(dialogtest::kOpenLoop);
  SetBase("isPositionControlError", 1.0);
  SetBase("time_ERR_pos", 0.5);
  RunOpenerSequences();
  const double errorTime_s = Base("time_ERR_pos");

  platform::UserScript script;
  script.Expect(kSlowPeriodFormula,
                Expectation{.text = "Speed/position loop sampling period = PWM period  x  Fast loop divider  x  8"})
      .Expect(kSlowDividerEdit, Expectation{.enabled = false})
      .Type(kFastDividerEdit, "4")
      .Expect(kSlowDividerEdit, Expectation{.text = "32"})
      .Type(kPwmFrequencyEdit, "40")
      .Click(IDOK);
  const platform::ScriptRun run = Edit(script);
  ASSERT_TRUE(run.ok) << run.failure;

  EXPECT_DOUBLE_EQ(Base("CLPER"), 8.0);
  EXPECT_DOUBLE_EQ(Base("SLPER"), 64.0);
  EXPECT_NEAR(Base("Ts_S"), 1.6e-3, 1e-12);
  // The slow loop became twice as long: the error time keeps its seconds
  // within one sample of the new loop.
  EXPECT_NEAR(Base("time_ERR_pos"), errorTime_s, 1.6e-3);
}

TEST_F(AdvancedDialogTest, SlowDividerBelowTheFastOneIsRaisedToIt) {
  Open(dialogtest::kClosedLoopIncremental);
  platform::UserScript script;
  script.Type(kFastDividerEdit, "6").Type(kSlowDividerEdit, "1").Expect(kSlowDividerEdit, Expectation{.text = "6"});
  script.Click(IDOK);
  const platform::ScriptRun run = Edit(script);
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_DOUBLE_EQ(Base("SLPER"), 6.0);
  EXPECT_NEAR(Base("Ts_S"), Base("Ts_C"), 1e-12);
}

TEST_F(AdvancedDialogTest, FastPeriodBelowTheMinimumIsMarkedAndBlocksOk) {
  Open(dialogtest::kClosedLoopIncremental);
  SetInternal("Ts_C_min", 150e-6);

  platform::UserScript script;
  // Divider 2 gives 100 us: already too short when the dialog opens.
  script.Expect(kFastOutsideLimits, Expectation{.visible = true})
      .Type(kFastDividerEdit, "3")
      .Expect(kFastOutsideLimits, Expectation{.visible = false})
      .Type(kFastDividerEdit, "2")
      .Expect(kFastOutsideLimits, Expectation{.visible = true, .color = kOutsideLimitsColour})
      .Expect(kFastDividerLabel, Expectation{.color = kOutsideLimitsColour})
      .Expect(kFastPeriodLabel, Expectation{.color = kOutsideLimitsColour})
      .Expect(kSlowDividerLabel, Expectation{.color = 0})
      .Answer(kFastMinimumMessage, IDOK)
      .Click(IDOK)
      .Expect(kFastDividerEdit, Expectation{.text = "2"})
      .Type(kFastDividerEdit, "4")
      .Expect(kFastOutsideLimits, Expectation{.visible = false})
      .Expect(kFastDividerLabel, Expectation{.color = 0})
      .Click(IDOK);
  const platform::ScriptRun run = Edit(script);
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDOK);
  EXPECT_DOUBLE_EQ(Base("CLPER"), 4.0);
}

// Both minimums are reported in turn; a period already too short when the
// dialog opens is marked at once.
TEST_F(AdvancedDialogTest, BothMinimumsAreReportedBeforeOkIsRefused) {
  Open(dialogtest::kClosedLoopIncremental);
  SetInternal("Ts_C_min", 150e-6);
  SetInternal("Ts_S_min", 2e-3);

  platform::UserScript script;
  script.Expect(kFastOutsideLimits, Expectation{.visible = true})
      .Expect(kSlowOutsideLimits, Expectation{.visible = true})
      .Answer(kFastMinimumMessage, IDOK)
      .Answer(kSlowMinimumMessage, IDOK)
      .Click(IDOK)
      .Click(IDCANCEL);
  const platform::ScriptRun run = Edit(script);
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDCANCEL);
}

TEST_F(AdvancedDialogTest, CancelLeavesTheSetupAsItWas) {
  Open(dialogtest::kClosedLoopIncremental);
  const std::string before = kernel::SerializeSetup(*setup);

  platform::UserScript script;
  script.Type(kPwmFrequencyEdit, "40")
      .Type(kSlowDividerEdit, "50")
      .Click(kFastLoopRadio)
      .Click(kPositionCurrentLoopsRadio)
      .Click(IDCANCEL);
  const platform::ScriptRun run = Edit(script);
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDCANCEL);
  EXPECT_EQ(kernel::SerializeSetup(*setup), before);
}

TEST_F(AdvancedDialogTest, SpeedLoopInTheFastLoopSwitchesTheEstimatorOff) {
  Open(dialogtest::kClosedLoopIncremental);
  ASSERT_EQ(Base("isSpeedEstimator"), 1.0);

  platform::UserScript script;
  script.Expect(kEstimatorCheck, Expectation{.checked = true})
      .Click(kFastLoopRadio)
      .Expect(kEstimatorCheck, Expectation{.checked = false})
      .Click(IDOK);
  ASSERT_TRUE(Edit(script).ok);
  EXPECT_EQ(Base("PosSpd_in_FastLoop"), 1.0);
  EXPECT_EQ(Base("isSpeedEstimator"), 0.0);
}

// What each control scheme offers: the loop structure and the slow divider
// only in closed loop, the current/voltage mode only in open loop, the
// feed-forward to the speed loop only when the position loop drives it, the
// freeze control values only once it is switched on.
TEST_F(AdvancedDialogTest, ControlsFollowTheControlScheme) {
  struct Case {
    std::string_view example;
    bool closedLoop;
  };
  for (const Case& c : {Case{dialogtest::kClosedLoopIncremental, true}, Case{dialogtest::kOpenLoop, false}}) {
    SCOPED_TRACE(std::string(c.example));
    Open(c.example);
    platform::UserScript script;
    script.Expect(kPositionCurrentLoopsRadio, Expectation{.visible = c.closedLoop})
        .Expect(kSlowDividerEdit, Expectation{.enabled = c.closedLoop})
        .Expect(kPhaseAdvanceEdit, Expectation{.enabled = c.closedLoop})
        .Expect(kSlowLoopRadio, Expectation{.enabled = c.closedLoop})
        .Expect(kSpeedForwardToCurrentLoop, Expectation{.enabled = c.closedLoop})
        .Expect(kCurrentModeRadio, Expectation{.visible = !c.closedLoop})
        .Expect(kEncoderOnLoadGroup, Expectation{.enabled = false});
    if (c.closedLoop) {
      // Position loop driving the speed loop: the feed-forward may go to
      // either; with only position and current loops, only to the current
      // loop, so the speed loop target is greyed.
      script.Expect(kSpeedForwardToSpeedLoop, Expectation{.enabled = true})
          .Click(kPositionCurrentLoopsRadio)
          .Expect(kSpeedForwardToSpeedLoop, Expectation{.enabled = false})
          .Expect(kFreezeBandEdit, Expectation{.enabled = false})
          .Click(kFreezeCheck)
          .Expect(kFreezeBandEdit, Expectation{.enabled = true});
    }
    script.Click(IDCANCEL);
    const platform::ScriptRun run = Edit(script);
    EXPECT_TRUE(run.ok) << run.failure;
  }
}

// A fast loop too short to read the absolute encoder at its clock raises
// the clock until a read-out fits and says so.
TEST_F(AdvancedDialogTest, ShortFastLoopRaisesTheSerialEncoderClock) {
  Open(dialogtest::kClosedLoopSsi);
  const double clockBefore_Hz = Base("SSI_freq");

  platform::UserScript script;
  script.Answer("Current loop period is too short to read the SSI encoder!", IDOK)
      .Type(kPwmFrequencyEdit, "100")
      .Type(kFastDividerEdit, "3")  // 30 us, of which the read-out's fixed parts take 26
      .Call([&](CDialog&) {
        // 25 bit times at 1 MHz must fit into what the fixed parts leave.
        const double needed_Hz = 25e-6 * 1e6 / (30e-6 - 1.0 / 60e6 - 26e-6);
        EXPECT_GE(Base("SSI_freq"), needed_Hz);
      })
      .Click(IDCANCEL);
  const platform::ScriptRun run = Edit(script);
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(Base("SSI_freq"), clockBefore_Hz);  // Cancel undid it
}

TEST_F(AdvancedDialogTest, HelpOpensTheDialogsTopic) {
  Open(dialogtest::kClosedLoopIncremental);
  ExpectHelpTopic(262419, [&](platform::UserScript& script) { ASSERT_TRUE(Edit(script).ok); });
}

}  // namespace
