// The serial encoder's offset detection through its dialog.
#include <gtest/gtest.h>

#include <string>

#include "commissioning/ssi_offset_test.h"
#include "kernel/setup.h"
#include "kernel/ui/test_base_ids.h"
#include "unittests/commissioning/test_dialog_support.h"

namespace {

constexpr std::string_view kSsiExample = "closed_loop_ssi_17bit";

class SerialOffsetSim : public commissioningtest::TestDialogTest {
 protected:
  // `opened`: the setup as the dialog leaves it when it keeps nothing (after
  // its construction, which sets "ABSTART_MINMOVE" to 0 on purpose).
  platform::ScriptRun RunOffsetTest(platform::UserScript& script, std::vector<int> answers,
                                    std::vector<std::string>* questions = nullptr, std::string* opened = nullptr) {
    return RunAnsweringKeep(script, std::move(answers), [&] {
      CTestSSIEncoderOffset dialog(setup.get(), 1);
      if (opened) *opened = Saved();
      return dialog.DoModal();
    }, questions);
  }
};

TEST_F(SerialOffsetSim, FindsTheEncodersOffsetExactly) {
  // The 17-bit encoder on a 50 pole pair motor: 2621.44 counts per
  // electrical period. Offsets across the period, with the rotor resting in
  // the first period or far into the turn; the period is not a whole number
  // of counts, so a reading far into the turn must still give the offset.
  struct Case {
    int truth;
    double start_rad;
  };
  for (const Case c : {Case{0, 0.0}, Case{600, 0.0}, Case{1300, 0.0}, Case{2000, 0.0}, Case{2600, 0.0},
                       Case{874, 6.0}, Case{2000, 2.0}, Case{2600, -3.0}}) {
    SCOPED_TRACE(testing::Message() << c.truth << " from " << c.start_rad << " rad");
    UseDrive(kSsiExample, R"({"initial_angle_rad": )" + std::to_string(c.start_rad) +
                              R"(, "sensors": {"ssi": {"offset": )" + std::to_string(c.truth) + "}}}");
    platform::UserScript script;
    StartAndWait(script)
        .Expect(testdlg::kResultBox, {.text = "Test succeeded"})
        .Expect(ssi_offset::kOffsetEdit, {.text = std::to_string(c.truth)})
        .Click(testdlg::kCloseButton);
    std::vector<std::string> questions;
    const platform::ScriptRun run = RunOffsetTest(script, {IDYES}, &questions);
    ASSERT_TRUE(run.ok) << run.failure;
    EXPECT_EQ(setup->GetParameterValueInInternalUnit("ZAOFF"), c.truth);
    // The setup's own offset is 874: finding it again asks nothing and keeps
    // nothing new.
    const bool changed = c.truth != 874;
    EXPECT_EQ(run.result, changed ? IDOK : IDCANCEL);
    EXPECT_EQ(questions.size(), changed ? 1u : 0u);
  }
}

TEST_F(SerialOffsetSim, CancelStaysOpenAndNoKeepsTheOldOffset) {
  UseDrive(kSsiExample, R"({"sensors": {"ssi": {"offset": 1200}}})");
  // As the dialog leaves it when it keeps nothing: after its construction,
  // which sets "ABSTART_MINMOVE" to 0 on purpose.
  std::string before;
  platform::UserScript script;
  StartAndWait(script).Click(testdlg::kCloseButton);
  // Cancel in the question: the dialog stays; the second close says No.
  script.Expect(ssi_offset::kOffsetEdit, {.text = "1200"}).Click(testdlg::kCloseButton);
  std::vector<std::string> questions;
  const platform::ScriptRun run = RunOffsetTest(script, {IDCANCEL, IDNO}, &questions, &before);
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDCANCEL);
  ASSERT_EQ(questions.size(), 2u);
  EXPECT_NE(questions[0].find("Encoder offset: :\tOld = 874\tNew = 1200\r\n"), std::string::npos) << questions[0];
  ExpectUnchangedSince(before);
}

TEST_F(SerialOffsetSim, AMissingSerialResponseFailsWithTheFeedbackError) {
  UseDrive(kSsiExample, R"({"sensors": {"ssi": {"fault": "no-response"}}})");
  // As the dialog leaves it when it keeps nothing: after its construction,
  // which sets "ABSTART_MINMOVE" to 0 on purpose.
  std::string before;
  platform::UserScript script;
  StartAndWait(script)
      .Expect(testdlg::kResultBox, {.text = "Test failed"})
      .Expect(testdlg::kStatusBox, {.text = "Feedback error."})
      .Click(testdlg::kCloseButton);
  std::vector<std::string> questions;
  const platform::ScriptRun run = RunOffsetTest(script, {IDYES}, &questions, &before);
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDCANCEL);
  EXPECT_TRUE(questions.empty());
  ExpectUnchangedSince(before);
}

}  // namespace
