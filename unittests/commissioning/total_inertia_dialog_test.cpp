#include "commissioning/total_inertia_test.h"

#include <gtest/gtest.h>

#include "commissioning/total_inertia.h"
#include "commissioning/total_inertia_test_controls.h"
#include "kernel/setup_file.h"
#include "kernel/ui/test_base_ids.h"
#include "unittests/support/answering_person.h"
#include "unittests/support/test_dialog_fixture.h"
#include "unittests/support/text_difference.h"

namespace {

constexpr const char* kCaption = "Total inertia test";
constexpr const char* kKeepQuestion = "A different value than specified";

class TotalInertiaDialog : public testsupport::TestDialogFixture {
 protected:
  struct Outcome {
    INT_PTR result = 0;
    std::string error;  // the test's error text when it failed
    std::vector<std::string> questions;
  };

  // `faults`: further members of the simulation object.
  void UseLoadedMotor(std::string_view faults = "") {
    UseExample(testsupport::kClosedLoopIncremental,
               std::string(R"({"motor": {"Jm": 4.6e-5, "Jload": 5.54e-4})") + (faults.empty() ? "" : ", ") +
                   std::string(faults) + "}");
    SetBase("Jt", 5e-4);
    SetBase("TestCurrent", 1.0);
    SetBase("TestMaxSpeed", 30.0);
    // The test's construction rule sets it on purpose, for good.
    SetInternal("ABSTART_MINMOVE", 0);
  }

  // Start, wait for the run, read the outcome, close with Close and answer
  // the question with `answer`.
  Outcome StartAndClose(int answer) {
    Outcome outcome;
    platform::UserScript script;
    script.ExpectDialog(kCaption)
        .Click(testdlg::kStartStopButton)
        .Wait(4000)
        .Call([&](CDialog& dialog) { outcome.error = static_cast<CVX_TestDlg&>(dialog).GetErrorText(); })
        .Click(testdlg::kCloseButton);
    testsupport::AnsweringPerson person(script, kKeepQuestion, answer);
    {
      platform::ScopedUser user(person);
      CTotalInertiaTest test(setup.get());
      outcome.result = test.DoModal();
    }
    EXPECT_TRUE(script.Finish()) << script.Failure().value_or("");
    outcome.questions = person.Answered();
    return outcome;
  }
};

// A motor with a load, which the setup puts at 5e-4 kg m^2 and which is
// 20 % heavier; 1 A accelerates it to 30 rad/s in some 30 ms, long enough
// for the program's fit, with the back-EMF well within the supply.
constexpr double kTruth_kgm2 = 6e-4;

TEST_F(TotalInertiaDialog, KeptOnYesWithinThreePercentOfTheTruth) {
  UseLoadedMotor();
  const Outcome outcome = StartAndClose(IDYES);
  EXPECT_EQ(outcome.error, "");
  EXPECT_EQ(outcome.result, IDOK);
  ASSERT_EQ(outcome.questions.size(), 1u);
  EXPECT_NE(outcome.questions[0].find("Total inertia:\tOld = 0.0005\tNew = "), std::string::npos)
      << outcome.questions[0];
  // 3 %: the program's fits resolve the accelerations to a fraction of a
  // percent; converter noise on the current makes the rest.
  EXPECT_NEAR(Base("Jt"), kTruth_kgm2, 0.03 * kTruth_kgm2);
}

TEST_F(TotalInertiaDialog, NoPutsTheOldInertiaBackAndCancelsSim) {
  UseLoadedMotor();
  const std::string before = kernel::SerializeSetup(*setup);
  const Outcome outcome = StartAndClose(IDNO);
  EXPECT_EQ(outcome.result, IDCANCEL);
  EXPECT_EQ(outcome.questions.size(), 1u);
  EXPECT_TRUE(kernel::SerializeSetup(*setup) == before) << testsupport::FirstDifference(before, kernel::SerializeSetup(*setup));
}

TEST_F(TotalInertiaDialog, ATestCurrentAboveTheProtectionDoesNotStart) {
  UseExample(testsupport::kClosedLoopIncremental);
  SetBase("TestProtectionCurrent", 1.0);
  SetBase("TestCurrent", 1.5);
  platform::UserScript script;
  script.ExpectDialog(kCaption)
      .Answer("I protection must be greater or equal to Test current.", IDOK)
      .Click(testdlg::kStartStopButton)
      .Expect(testdlg::kStartStopButton, {.text = "&Start"})
      .Call([](CDialog& dialog) { EXPECT_FALSE(static_cast<CVX_TestDlg&>(dialog).IsTestRunning()); })
      .Click(testdlg::kCloseButton);
  const auto run = Run(script, [&] { return CTotalInertiaTest(setup.get()).DoModal(); });
  EXPECT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDCANCEL);
}

TEST_F(TotalInertiaDialog, OkCopiesTheProtectionCurrent) {
  UseExample(testsupport::kClosedLoopIncremental);
  platform::UserScript script;
  script.ExpectDialog(kCaption).Type(total_inertia::kProtectionEdit, "3.5").Click(testdlg::kOkButton);
  const auto run = Run(script, [&] { return CTotalInertiaTest(setup.get()).DoModal(); });
  EXPECT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDOK);
  EXPECT_NEAR(Base("Imax_Prot"), 3.5, 1e-3);
}

// Each fault the identification can meet: its exact text, no question, and
// the setup as it was.
TEST_F(TotalInertiaDialog, FaultsFailWithTheirTextAndKeepNothingSim) {
  struct Case {
    const char* what;
    const char* simulation;
    std::string error;
  };
  const Case cases[] = {
      {"no encoder pulses", R"("sensors": {"encoder": {"lines": 1000, "fault": "no-pulses"}})",
       std::string(commissioning::kInertiaSpeedZeroText)},
      // The setup counts in reverse ("ReverseCounting" 1): an encoder that
      // does not is the reversed one.
      {"reversed encoder", R"("sensors": {"encoder": {"lines": 1000, "reversed": false}})",
       std::string(commissioning::kInertiaSpeedNegativeText)},
      // The identification runs from about 0.52 s of drive time, after the
      // positioning, for some 130 ms.
      {"short circuit during the run", R"("faults": {"mer": [{"time_s": 0.56, "bits": 2}]})",
       "Drive / Motor shortcircuit protection triggered."},
      {"negative limit switch during the run", R"("faults": {"mer": [{"time_s": 0.56, "bits": 128}]})",
       "Drive / Motor stopped due to negative limit switch input triggered."},
      {"ENABLE off", R"("faults": {"enable_input_off": true})", "Drive / Motor ENABLE input is in DISABLED state."},
      {"link lost", R"("faults": {"read": {"from_call": 40, "text": "The drive does not answer."}})",
       "The drive does not answer."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    UseLoadedMotor(c.simulation);
    const std::string before = kernel::SerializeSetup(*setup);
    const Outcome outcome = StartAndClose(IDYES);
    EXPECT_EQ(outcome.error, c.error);
    EXPECT_EQ(outcome.result, IDCANCEL);
    EXPECT_TRUE(outcome.questions.empty());
    EXPECT_TRUE(kernel::SerializeSetup(*setup) == before) << testsupport::FirstDifference(before, kernel::SerializeSetup(*setup));
  }
}

}  // namespace
