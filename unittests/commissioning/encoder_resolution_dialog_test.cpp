// The encoder resolution and direction test through its dialog, on the
// simulated drive: incremental and sine/cosine encoders of several line
// counts, either way round.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <string>

#include "commissioning/encoder_resolution_estimate.h"
#include "commissioning/encoder_resolution_test.h"
#include "commissioning/encoder_resolution_test_controls.h"
#include "kernel/setup_file.h"
#include "kernel/ui/test_base_ids.h"
#include "unittests/commissioning/test_dialog_support.h"
#include "unittests/support/text_difference.h"

namespace commissioningtest {
namespace {

constexpr const char* kCaption = "Encoder Resolution And Direction Test";

std::string Question(int oldLines, int newLines) {
  return fmt::format(
      "A different value than specified has been detected for the following parameter(s):\r\n\r\n"
      "Encoder resolution:\tOld = {}\tNew = {}\r\n\r\nDo you want to save the new value(s)? (Recommended)",
      oldLines, newLines);
}

struct EncoderCase {
  const char* kind;  // "encoder" or "sincos"
  int lines;
};

class EncoderResolutionDialogSim : public TestDialogTest, public testing::WithParamInterface<EncoderCase> {
 protected:
  // The setup counts in reverse ("ReverseCounting" 1) and has 1000 lines;
  // the true encoder counts `lines`, the same way round or not.
  void UseEncoder(const EncoderCase& c, bool sameWay) {
    script.ExpectDialog(kCaption);
    UseExample(dialogtest::kClosedLoopIncremental);
    if (std::string(c.kind) == "sincos") SetInternal("MotorSensorType", 2);
    RunOpenerSequences();
    AttachDrive(fmt::format(R"({{"sensors": {{"{}": {{"lines": {}, "reversed": {}}}}}}})", c.kind, c.lines,
                            sameWay ? "true" : "false"));
  }

  platform::UserScript script;
  // A run that finds `lines`.
  static platform::UserScript& RunFinding(platform::UserScript& script, int lines) {
    return StartAndWait(script)
        .Expect(testdlg::kResultBox, {.text = "Test succeeded"})
        .Expect(encoder_resolution::kEstimatedLines, {.text = std::to_string(lines)});
  }
};

TEST_P(EncoderResolutionDialogSim, TheLinesOfTheTrueEncoderAreOfferedAndYesKeepsThem) {
  const EncoderCase c = GetParam();
  UseEncoder(c, true);
  CDetectEncoderResolution test(setup.get());
  RunFinding(script, c.lines)
      .Call([&](CDialog& dialog) {
        // One turn less the few edges the rotor settles short of it.
        EXPECT_NEAR(std::stod(dialog.GetDlgItemText(encoder_resolution::kPositionCounter)), 4 * c.lines, 4);
      });
  if (c.lines != 1000) script.Answer(Question(1000, c.lines), IDYES);
  script.Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDOK);
  EXPECT_TRUE(events.errors.empty()) << events.errors.front();
  EXPECT_EQ(Internal("No_encoder_lines"), c.lines);
  EXPECT_EQ(test.EstimatedLines(), c.lines);
}

// The counter runs against the phase sequence: text B, and nothing kept;
// the person reverses the counting in the dialog and the next run succeeds.
TEST_P(EncoderResolutionDialogSim, AReversedEncoderIsFoundAndTheBoxPutsItRight) {
  const EncoderCase c = GetParam();
  UseEncoder(c, false);
  CDetectEncoderResolution test(setup.get());
  StartAndWait(script)
      .Expect(testdlg::kResultBox, {.text = "Test failed"})
      .Check(encoder_resolution::kReverseCountingCheck, false);
  RunFinding(script, c.lines);
  if (c.lines != 1000) script.Answer(Question(1000, c.lines), IDNO);
  script.Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDOK);
  EXPECT_EQ(events.errors, std::vector<std::string>{std::string(commissioning::kResolutionWrongDirectionText)});
  EXPECT_EQ(test.CountingDirection(), 0);
  EXPECT_EQ(Internal("No_encoder_lines"), 1000) << "No keeps the stored lines";
}

INSTANTIATE_TEST_SUITE_P(Encoders, EncoderResolutionDialogSim,
                         testing::Values(EncoderCase{"encoder", 200}, EncoderCase{"encoder", 500},
                                         EncoderCase{"encoder", 1000}, EncoderCase{"encoder", 2048},
                                         EncoderCase{"encoder", 2500}, EncoderCase{"encoder", 4096},
                                         EncoderCase{"sincos", 256}, EncoderCase{"sincos", 512},
                                         EncoderCase{"sincos", 1024}, EncoderCase{"sincos", 2000},
                                         EncoderCase{"sincos", 2048}),
                         [](const testing::TestParamInfo<EncoderCase>& info) {
                           return std::string(info.param.kind) + "_" + std::to_string(info.param.lines);
                         });

class EncoderResolutionFaultsSim : public TestDialogTest {};

TEST_F(EncoderResolutionFaultsSim, NoPulsesFailWithTextAAndKeepNothing) {
  UseExample(dialogtest::kClosedLoopIncremental);
  AttachDrive(R"({"sensors": {"encoder": {"lines": 1000, "fault": "no-pulses"}}})");
  CDetectEncoderResolution test(setup.get());
  // After the construction, whose rule on "ABSTART_MINMOVE" holds for good.
  const std::string before = kernel::SerializeSetup(*setup);
  EXPECT_EQ(RunOnceAndClose(test), IDCANCEL);
  EXPECT_EQ(events.errors, std::vector<std::string>{std::string(commissioning::kResolutionNoMotionText)});
  EXPECT_TRUE(events.measured.empty());
  const std::string after = kernel::SerializeSetup(*setup);
  EXPECT_TRUE(after == before) << testsupport::FirstDifference(before, after);
}

// 1100 lines lie within a tenth of 1000 but far beyond what one revolution
// of the 200-step motor can miscount: the test names the count it measured
// and offers nothing to keep.
TEST_F(EncoderResolutionFaultsSim, ANonStandardEncoderFailsNamingItsCountAndKeepsNothing) {
  UseExample(dialogtest::kClosedLoopIncremental);
  AttachDrive(R"({"sensors": {"encoder": {"lines": 1100, "reversed": true}}})");
  CDetectEncoderResolution test(setup.get());
  const std::string before = kernel::SerializeSetup(*setup);
  EXPECT_EQ(RunOnceAndClose(test), IDCANCEL);
  ASSERT_EQ(events.errors.size(), 1u);
  EXPECT_EQ(events.errors[0].rfind("The encoder counted 1100 lines in one revolution of the motor", 0), 0u)
      << events.errors[0];
  EXPECT_TRUE(events.measured.empty());
  EXPECT_EQ(test.EstimatedLines(), 0);
  const std::string after = kernel::SerializeSetup(*setup);
  EXPECT_TRUE(after == before) << testsupport::FirstDifference(before, after);
}

}  // namespace
}  // namespace commissioningtest
