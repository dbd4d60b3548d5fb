// Every motion test meets the faults of the simulated drive it can meet: a
// drive link that fails at the first call or in the middle of the run, a
// protection raised while the test program runs, and the person's Stop. It
// ends with the text that names the cause (or as stopped), asks nothing,
// and leaves the setup as it was.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "commissioning/angle_tuning_test.h"
#include "commissioning/drive_errors.h"
#include "commissioning/feedback_follows.h"
#include "commissioning/encoder_resolution_test.h"
#include "commissioning/position_tuning_test.h"
#include "commissioning/speed_tuning_test.h"
#include "commissioning/speed_tuning_test_controls.h"
#include "commissioning/test_texts.h"
#include "commissioning/total_inertia.h"
#include "commissioning/total_inertia_test.h"
#include "kernel/ui/test_base_ids.h"
#include "kernel/ui/test_dlg.h"
#include "platform/user_actions.h"
#include "unittests/commissioning/test_dialog_support.h"

namespace {

using Opener = std::function<std::unique_ptr<CDialog>(CVX_Setup*)>;

// How a motion test meets the faults.
struct MotionTest {
  const char* name;
  const char* example;
  Opener open;
  bool tabs;            // Start is on the "Test" page
  double running_s;     // a drive time at which its test program runs
  std::uint16_t mask;   // the "MER" bits it checks while its program runs
  // The text when another protection stops the program: the program's flag
  // reports it; empty when the test has no such flag to read.
  std::string flagText;
  // A write after the positioning: an input of the test program (a failed
  // start of a program is the kernel's internal error instead).
  int laterWrite;
};

template <class Test>
Opener Open() {
  return [](CVX_Setup* setup) { return std::make_unique<Test>(setup); };
}

const std::string kProtectionText(commissioning::kCurrentProtectionText);

// The tuning tests' profile runs from about 0.54 s after the start (the
// positioning takes 0.5 s); the inertia test's swing from about 0.6 s for
// seconds; the encoder's revolution from 0.7 s for 8 s; the angle test's
// alignment at once.
const MotionTest kSpeed{"SpeedTuning", "closed_loop_incremental_1000", Open<CTestSpeedTuning>(), true, 0.8,
                        commissioning::kMaskTuning, kProtectionText, 12};
const MotionTest kPositionThroughSpeed{"PositionThroughSpeedLoop", "closed_loop_incremental_1000",
                                       Open<CTestPositionTuning>(), true, 0.8, commissioning::kMaskTuning,
                                       kProtectionText, 12};
const MotionTest kPositionCommandingCurrent{"PositionCommandingCurrent", "closed_loop_ssi_17bit",
                                            Open<CTestPositionTuning>(), true, 0.8, commissioning::kMaskTuning,
                                            kProtectionText, 12};
const MotionTest kInertia{"TotalInertia", "closed_loop_incremental_1000", Open<CTotalInertiaTest>(), false, 1.5,
                          0xFFFF, "", 6};
const MotionTest kAngle{"AngleTuning", "closed_loop_incremental_1000", Open<CTestAngle>(), true, 0.05,
                        commissioning::kMaskPositioning, kProtectionText, 4};
const MotionTest kResolution{"EncoderResolution", "closed_loop_incremental_1000", Open<CDetectEncoderResolution>(),
                             false, 1.5, commissioning::kMaskPositioning, "", 6};

const MotionTest* const kAllTests[] = {&kSpeed, &kPositionThroughSpeed, &kPositionCommandingCurrent,
                                       &kInertia, &kAngle, &kResolution};

struct Row {
  const MotionTest* test;
  std::string fault;       // its name
  std::string simulation;  // the "simulation" object
  std::string text;        // the failure text; empty: stopped by the person
};

std::string Name(const testing::TestParamInfo<Row>& info) {
  return std::string(info.param.test->name) + "_" + info.param.fault;
}

void PrintTo(const Row& row, std::ostream* os) { *os << row.test->name << " with " << row.fault; }

constexpr const char* kNoAnswer = "The drive does not answer.";
constexpr const char* kWriteRefused = "The drive refused the command.";
// A read well into the run: past the positioning and the test program's
// start (each test polls its program every 20 ms).
constexpr int kLaterRead = 60;

std::string LinkFault(const char* direction, int call, const char* text) {
  return std::string(R"({"faults": {")") + direction + R"(": {"from_call": )" + std::to_string(call) +
         R"(, "text": ")" + text + R"("}}})";
}

std::vector<Row> Rows() {
  std::vector<Row> rows;
  for (const MotionTest* test : kAllTests) {
    // The first read of every motion test is the positioning's error check,
    // whose failure the kernel reports as an internal error.
    rows.push_back({test, "LinkFailsFromTheFirstRead", LinkFault("read", 1, kNoAnswer), kNoAnswer});
    rows.push_back({test, "LinkRefusesTheFirstWrite", LinkFault("write", 1, kWriteRefused), kWriteRefused});
    // A read that fails while the program runs is the error check's, whose
    // failure the kernel reports as its internal error (which names the
    // link).
    rows.push_back({test, "LinkFailsLaterOnARead", LinkFault("read", kLaterRead, kNoAnswer),
                    CVX_TestDlg::msc_pszErrInternal});
    rows.push_back({test, "LinkRefusesALaterWrite", LinkFault("write", test->laterWrite, kWriteRefused),
                    kWriteRefused});
    for (const std::uint16_t bit : {0x0002, 0x0008, 0x0020, 0x0040, 0x0080}) {
      const bool checked = (bit & test->mask) != 0;
      if (!checked && test->flagText.empty()) continue;
      rows.push_back({test, "ErrorBit" + std::to_string(bit),
                      R"({"faults": {"mer": [{"time_s": )" + std::to_string(test->running_s) +
                          R"(, "bits": )" + std::to_string(bit) + "}]}}",
                      checked ? std::string(*commissioning::DriveErrorText(bit, 0xFFFF)) : test->flagText});
    }
    rows.push_back({test, "StoppedByThePerson", "", ""});
  }
  // The example's encoder counts against its A and B channels ("ReverseCounting"
  // 1); an encoder wired the other way round counts backwards.
  const std::string reversed = R"({"sensors": {"encoder": {"lines": 1000, "reversed": false}}})";
  const std::string noPulses = R"({"sensors": {"encoder": {"lines": 1000, "reversed": true, "fault": "no-pulses"}}})";
  const std::string controlError = "Drive / Motor control error protection triggered.";
  rows.push_back({&kPositionThroughSpeed, "ReversedEncoder", reversed, controlError});
  rows.push_back({&kPositionThroughSpeed, "NoEncoderPulses", noPulses, controlError});
  // The push moved the counter backwards: "test_flag" 0, whose text comes
  // before the one of "delta_time" -1.
  rows.push_back({&kInertia, "ReversedEncoder", reversed, std::string(commissioning::kInertiaSpeedNegativeText)});
  rows.push_back({&kInertia, "NoEncoderPulses", noPulses, std::string(commissioning::kInertiaSpeedZeroText)});
  // The example's test speed (10 counts per sample) stays below its speed
  // error limit "SERRMAX" (20): no protection trips, and the log shows the
  // fault. The reversed encoder turns the rotor back by a few counts until
  // the field holds it.
  const std::string stillSpeed =
      *commissioning::FeedbackFaultText(commissioning::FeedbackVerdict::kStill, commissioning::Controlled::kSpeed);
  rows.push_back({&kSpeed, "ReversedEncoderAtALowSpeed", reversed, stillSpeed});
  rows.push_back({&kSpeed, "NoEncoderPulsesAtALowSpeed", noPulses, stillSpeed});
  return rows;
}

class MotionFaultInjectionSim : public commissioningtest::TestDialogTest, public testing::WithParamInterface<Row> {};

TEST_P(MotionFaultInjectionSim, EndsWithTheCauseAsksNothingAndKeepsNothing) {
  const Row& row = GetParam();
  SCOPED_TRACE(row.simulation);
  UseExample(row.test->example);
  // One run plotted after it ends, so that a run ends by itself.
  SetInternal("OnlinePlotS", 0);
  SetInternal("MultiCycleS", 0);
  SetInternal("OnlinePlotP", 0);
  SetInternal("MultiCycleP", 0);
  AttachDrive(row.simulation);
  platform::UserScript script;
  if (row.test->tabs) script.Tab(speed_tuning::kTabs, 1);
  if (row.text.empty()) {
    // Stop while the test program runs.
    script.Click(testdlg::kStartStopButton)
        .Wait(static_cast<int>(row.test->running_s * 1000))
        .Expect(testdlg::kResultBox, {.text = "Test running"})
        .Click(testdlg::kStartStopButton)
        .WaitUntil(testdlg::kStartStopButton, {.text = "&Start"}, 60000)
        .Expect(testdlg::kResultBox, {.text = "Test stopped"});
  } else {
    StartAndWait(script)
        .Expect(testdlg::kResultBox, {.text = "Test failed"})
        .Expect(testdlg::kStatusBox, {.text = row.text});
  }
  script.Click(testdlg::kCloseButton);
  ExpectEndsKeepingNothing(script, [&] { return row.test->open(setup.get()); });
}

INSTANTIATE_TEST_SUITE_P(Rows, MotionFaultInjectionSim, testing::ValuesIn(Rows()), Name);

}  // namespace
