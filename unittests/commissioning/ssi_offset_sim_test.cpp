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
  // Offsets within one electrical period of the 17-bit encoder on a 50 pole
  // pair motor, as the setup reduces them (1310 counts): the reading is the
  // offset itself.
  for (const int truth : {0, 600, 1300}) {
    SCOPED_TRACE(truth);
    UseDrive(kSsiExample, R"({"sensors": {"ssi": {"offset": )" + std::to_string(truth) + "}}}");
    platform::UserScript script;
    StartAndWait(script)
        .Expect(testdlg::kResultBox, {.text = "Test succeeded"})
        .Expect(ssi_offset::kOffsetEdit, {.text = std::to_string(truth)})
        .Click(testdlg::kCloseButton);
    std::vector<std::string> questions;
    const platform::ScriptRun run = RunOffsetTest(script, {IDYES}, &questions);
    ASSERT_TRUE(run.ok) << run.failure;
    EXPECT_EQ(setup->GetParameterValueInInternalUnit("ZAOFF"), truth);
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(questions.size(), 1u);
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
