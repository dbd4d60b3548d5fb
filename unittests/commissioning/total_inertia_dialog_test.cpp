// The total inertia test through its dialog, on the simulated drive: what it
// measures, that only Yes keeps it, and the faults it meets.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <chrono>
#include <string>

#include "commissioning/test_texts.h"
#include "commissioning/total_inertia.h"
#include "commissioning/total_inertia_test.h"
#include "commissioning/total_inertia_test_controls.h"
#include "kernel/setup_file.h"
#include "kernel/ui/test_base_ids.h"
#include "unittests/commissioning/test_dialog_support.h"
#include "platform/answering_user.h"
#include "unittests/support/text_difference.h"

namespace commissioningtest {
namespace {

constexpr const char* kCaption = "Total inertia test";
constexpr const char* kKeepQuestion = "A different value than specified";

class TotalInertiaDialog : public TestDialogTest {
 protected:
  // A motor with a load, which the setup puts at 5e-4 kg m^2 and which is
  // 20 % heavier; 1 A accelerates it to 30 rad/s in some 30 ms, long enough
  // for the program's fit, with the back-EMF well within the supply.
  // `faults`: further members of the simulation object.
  void UseLoadedMotor(const std::string& faults = "") {
    UseExample(dialogtest::kClosedLoopIncremental);
    SetBase("Jt", 5e-4);
    SetBase("TestCurrent", 1.0);
    SetBase("TestMaxSpeed", 30.0);
    // The test's construction rule sets it on purpose, for good.
    SetInternal("ABSTART_MINMOVE", 0);
    AttachDrive(R"({"motor": {"Jm": 4.6e-5, "Jload": 5.54e-4})" + (faults.empty() ? "" : ", " + faults) + "}");
  }
  // Drive time from now, as the simulation's fault times count.
  double After_s(double seconds) const {
    return std::chrono::duration<double>(clock.Now()).count() + seconds;
  }

  // A person who starts the test, waits for its end and closes it with
  // Close, answering the question with `answer`. Returns the result.
  INT_PTR StartAndClose(int answer, std::vector<std::string>* questions = nullptr) {
    platform::UserScript script;
    script.ExpectDialog(kCaption);
    StartAndWait(script).Click(testdlg::kCloseButton);
    platform::AnsweringUser person(script, kKeepQuestion, answer);
    INT_PTR result = 0;
    {
      platform::ScopedUser user(person);
      CTotalInertiaTest test(setup.get());
      result = test.DoModal();
    }
    EXPECT_TRUE(script.Finish()) << script.Failure().value_or("");
    if (questions) *questions = person.Answered();
    return result;
  }
};

// The tests that run the simulated drive.
class TotalInertiaDialogSim : public TotalInertiaDialog {};

constexpr double kTruth_kgm2 = 6e-4;

TEST_F(TotalInertiaDialogSim, KeptOnYesWithinThreePercentOfTheTruth) {
  UseLoadedMotor();
  std::vector<std::string> questions;
  EXPECT_EQ(StartAndClose(IDYES, &questions), IDOK);
  EXPECT_TRUE(events.errors.empty()) << events.errors.front();
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_NE(questions[0].find("Total inertia:\tOld = 0.0005\tNew = "), std::string::npos) << questions[0];
  ASSERT_EQ(events.measured.size(), 1u);
  EXPECT_EQ(events.measured[0].label, "Total inertia");
  // 3 %: the program's fits resolve the accelerations to a fraction of a
  // percent; converter noise on the current makes the rest.
  EXPECT_NEAR(Base("Jt"), kTruth_kgm2, 0.03 * kTruth_kgm2);
  EXPECT_EQ(events.stages, (std::vector<std::string>{"Launching code for preliminary test",
                                                     "Waiting preliminary test to be finished",
                                                     "Launching code for J test", "Waiting J test to be finished"}));
}

TEST_F(TotalInertiaDialogSim, NoPutsTheOldInertiaBackAndCancels) {
  UseLoadedMotor();
  const std::string before = kernel::SerializeSetup(*setup);
  std::vector<std::string> questions;
  EXPECT_EQ(StartAndClose(IDNO, &questions), IDCANCEL);
  EXPECT_EQ(questions.size(), 1u);
  const std::string after = kernel::SerializeSetup(*setup);
  EXPECT_TRUE(after == before) << testsupport::FirstDifference(before, after);
}

TEST_F(TotalInertiaDialog, ATestCurrentAboveTheProtectionDoesNotStart) {
  UseExample(dialogtest::kClosedLoopIncremental);
  AttachDrive();
  SetBase("TestProtectionCurrent", 1.0);
  SetBase("TestCurrent", 1.5);
  platform::UserScript script;
  script.ExpectDialog(kCaption)
      .Answer("I protection must be greater or equal to Test current.", IDOK)
      .Click(testdlg::kStartStopButton)
      .Expect(testdlg::kStartStopButton, {.text = "&Start"})
      .Click(testdlg::kCloseButton);
  CTotalInertiaTest test(setup.get());
  EXPECT_EQ(RunTest(test, script), IDCANCEL);
  EXPECT_TRUE(events.stages.empty()) << "nothing ran";
}

TEST_F(TotalInertiaDialog, OkCopiesTheProtectionCurrent) {
  UseExample(dialogtest::kClosedLoopIncremental);
  platform::UserScript script;
  script.ExpectDialog(kCaption).Type(total_inertia::kProtectionEdit, "3.5").Click(testdlg::kOkButton);
  CTotalInertiaTest test(setup.get());
  EXPECT_EQ(RunTest(test, script), IDOK);
  EXPECT_NEAR(Base("Imax_Prot"), 3.5, 1e-3);
}

// Each fault the identification can meet: its exact text, no question, and
// the setup as it was.
TEST_F(TotalInertiaDialogSim, FaultsFailWithTheirTextAndKeepNothing) {
  struct Case {
    const char* what;
    std::string faults;
    std::string error;
    int merBits = 0;        // raised at merAfter_s after the start instead
    double merAfter_s = 0;  // the identification runs from about 0.52 s for some 130 ms
    double protection_A = 0;  // "TestProtectionCurrent" when not 0
  };
  const Case cases[] = {
      {"no encoder pulses", R"("sensors": {"encoder": {"lines": 1000, "fault": "no-pulses"}})",
       std::string(commissioning::kInertiaSpeedZeroText)},
      // The setup counts in reverse ("ReverseCounting" 1): an encoder that
      // does not is the reversed one.
      {"reversed encoder", R"("sensors": {"encoder": {"lines": 1000, "reversed": false}})",
       std::string(commissioning::kInertiaSpeedNegativeText)},
      {"short circuit during the identification", "", "Drive / Motor shortcircuit protection triggered.", 0x0002,
       0.56},
      {"control error during the identification", "", "Drive / Motor control error protection triggered.", 0x0008,
       0.56},
      {"feedback error during the identification", "", "Feedback error.", 0x0020, 0.56},
      {"negative limit switch during the identification", "",
       "Drive / Motor stopped due to negative limit switch input triggered.", 0x0080, 0.56},
      {"short circuit during the positioning", "", "Drive / Motor shortcircuit protection triggered.", 0x0002, 0.3},
      {"ENABLE off", R"("faults": {"enable_input_off": true})", "Drive / Motor ENABLE input is in DISABLED state."},
      {"link lost", R"("faults": {"read": {"from_call": 40, "text": "The drive does not answer."}})",
       "The drive does not answer."},
      // Protected at the test current itself: the converter's noise alone
      // carries the measured current past it.
      {"the current passes the protection", "",
       std::string(commissioning::kCurrentProtectionText) + "\n" +
           std::string(commissioning::kInertiaProtectionAdvice),
       0, 0, 1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    events = {};
    UseLoadedMotor(c.merBits ? fmt::format(R"("faults": {{"mer": [{{"time_s": {}, "bits": {}}}]}})",
                                           After_s(c.merAfter_s), c.merBits)
                             : c.faults);
    if (c.protection_A > 0) SetBase("TestProtectionCurrent", c.protection_A);
    const std::string before = kernel::SerializeSetup(*setup);
    std::vector<std::string> questions;
    EXPECT_EQ(StartAndClose(IDYES, &questions), IDCANCEL);
    EXPECT_EQ(events.errors, std::vector<std::string>{c.error});
    EXPECT_TRUE(questions.empty());
    const std::string after = kernel::SerializeSetup(*setup);
    EXPECT_TRUE(after == before) << testsupport::FirstDifference(before, after);
  }
}

}  // namespace
}  // namespace commissioningtest
