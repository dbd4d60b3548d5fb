// The voltage mode's parameters identification through its dialog, with the
// person answering whether the motor runs smoothly.
#include <gtest/gtest.h>

#include <string>

#include "commissioning/voltage_identification_test.h"
#include "kernel/setup.h"
#include "kernel/ui/test_base_ids.h"
#include "unittests/commissioning/test_dialog_support.h"

namespace {

constexpr std::string_view kVoltageModeExample = "open_loop_step_loss_encoder";
// A winding 20 % above the setup's R.
constexpr const char* kTruth = R"({"motor": {"R": 1.8}})";
// The two positionings take 0.5 s each; the motor run starts after them.
constexpr int kLineFound_ms = 1200;

class VoltageIdentificationSim : public commissioningtest::TestDialogTest {
 protected:
  // Plays `script` in the test, answering the question whether to keep
  // values with Yes; `before`: the setup as the dialog leaves it when it
  // keeps nothing (after its construction, which sets "ABSTART_MINMOVE" to 0
  // on purpose).
  platform::ScriptRun RunVoltageTest(platform::UserScript& script, std::vector<std::string>& questions,
                                     std::string& before) {
    return RunAnsweringKeep(script, {IDYES}, [&] {
      CTestVoltage dialog(setup.get(), 1);
      before = Saved();
      return dialog.DoModal();
    }, &questions);
  }
};

TEST_F(VoltageIdentificationSim, TheStandstillLineHoldsTheWindingAndAStopKeepsNothing) {
  UseDrive(kVoltageModeExample, kTruth);
  std::string before;
  double slope = 0.0;
  double offset = 0.0;
  double atRun = 0.0;
  platform::UserScript script;
  script.Click(testdlg::kStartStopButton).Wait(kLineFound_ms).Call([&](CDialog&) {
    slope = setup->GetParameterValueInInternalUnit("V_UI_R_test");
    offset = setup->GetParameterValueInInternalUnit("UOFFSET");
    atRun = setup->GetParameterValueInInternalUnit("V_UI_U_test") +
            slope * setup->GetParameterValueInInternalUnit("RunCurrent");
  });
  script.Click(testdlg::kStartStopButton)
      .Expect(testdlg::kResultBox, {.text = "Test stopped"})
      .Click(testdlg::kCloseButton);
  std::vector<std::string> questions;
  const platform::ScriptRun run = RunVoltageTest(script, questions, before);
  ASSERT_TRUE(run.ok) << run.failure;

  // The slope is the winding's resistance in drive units, voltage counts
  // per current count, within 2 %: the positioning averages 0.1 s of a
  // converter that resolves 0.2 % of the run current.
  const double kc = setup->GetParameterValueInInternalUnit("RunCurrent") / setup->GetParameterValueInBaseUnit("RunCurrent");
  const double kv = 32767.0 / setup->GetParameterValueInBaseUnit("Vdc");
  EXPECT_NEAR(slope, 1.8 * kv / kc, 0.02 * 1.8 * kv / kc);
  // "UOFFSET" is the line at the run current over the boost, to the count.
  EXPECT_NEAR(offset, atRun / setup->GetParameterValueInInternalUnit("Kphase"), 1.0);

  EXPECT_EQ(run.result, IDCANCEL);
  EXPECT_TRUE(questions.empty()) << "a stopped test has no result to keep";
  ExpectUnchangedSince(before);
}

TEST_F(VoltageIdentificationSim, FiveNoAnswersGiveUpAndLeaveTheSetupAsItWas) {
  UseDrive(kVoltageModeExample, kTruth);
  std::string before;
  platform::UserScript script;
  for (int i = 0; i < 5; ++i) script.Answer(CTestVoltage::kSmoothQuestion, IDNO);
  script.Click(testdlg::kStartStopButton)
      .Wait(15000)
      .Expect(testdlg::kResultBox, {.text = "Test failed"})
      .Expect(testdlg::kStatusBox, {.text = CTestVoltage::kNoSmoothSpeed})
      .Click(testdlg::kCloseButton);
  std::vector<std::string> questions;
  const platform::ScriptRun run = RunVoltageTest(script, questions, before);
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDCANCEL);
  EXPECT_TRUE(questions.empty()) << "a failed test asks nothing";
  ExpectUnchangedSince(before);
}

}  // namespace
