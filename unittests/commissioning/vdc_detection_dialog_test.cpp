// The supply voltage detection test through its dialog, on the simulated
// drive: what it measures, what it offers, and that only Yes keeps it.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <string>

#include "commissioning/vdc_detection_test.h"
#include "commissioning/vdc_detection_test_controls.h"
#include "dialogs/drive_setup_controls.h"
#include "dialogs/drive_setup_dlg.h"
#include "kernel/ui/test_base_ids.h"
#include "unittests/commissioning/test_dialog_support.h"

namespace commissioningtest {
namespace {

using platform::UserScript;

std::string Question(const std::string& oldText, const std::string& newText) {
  return "A different value than specified has been detected for the following parameter(s):\r\n\r\n"
         "Power supply:\tOld = " +
         oldText + "\tNew = " + newText + "\r\n\r\nDo you want to save the new value(s)? (Recommended)";
}

std::string Supply(double volts) { return R"({"supply_V": )" + std::to_string(volts) + "}"; }

// What the detection shows for the true supplies of these cases: the drive's
// converter reads 12 bits of "VdcMaxMeasurable" (100 V / 4096, 0.024 V a
// step, 0.05 % of a 48 V supply), and the test keeps two decimals.
constexpr double kDetected46_5 = 46.51;
constexpr const char* kShown46_5 = "46.51";

class SupplyDetection : public TestDialogTest {
 protected:
  void SetUp() override {
    TestDialogTest::SetUp();
    UseExample(dialogtest::kOpenLoop);
    RunOpenerSequences();
  }
};

TEST_F(SupplyDetection, TheMeasuredSupplyIsOfferedAndYesKeepsIt) {
  AttachDrive(Supply(46.5));
  CTestVdcDetection test(setup.get());
  UserScript script;
  StartAndWait(script)
      .Expect(testdlg::kResultBox, {.text = "Test succeeded"})
      .Expect(testdlg::kStatusBox, {.text = ""})
      .Expect(vdc_detection::kVdcEdit, {.text = kShown46_5})
      .Answer(Question("48", kShown46_5), IDYES)
      .Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDOK);
  // The converter resolves VdcMaxMeasurable / ADCMax = 0.0015 V, far inside
  // the 0.5 % asked of the detection.
  EXPECT_EQ(Base("Vdc"), kDetected46_5);
  EXPECT_NEAR(Base("Vdc"), 46.5, 46.5 * 0.005) << "within the half per cent asked of the detection";
  EXPECT_EQ(events.stages, (std::vector<std::string>{"Launching test", "Running test"}));
  ASSERT_EQ(events.measured.size(), 1u);
  EXPECT_EQ(events.measured[0].label, "Power supply");
  EXPECT_EQ(events.closed, (std::vector<INT_PTR>{IDOK}));
}

TEST_F(SupplyDetection, NoPutsTheOldValueBackAndCancelKeepsTheDialogOpen) {
  AttachDrive(Supply(40.0));
  CTestVdcDetection test(setup.get());
  UserScript script;
  StartAndWait(script)
      .Answer(Question("48", "40"), IDCANCEL)
      .Click(testdlg::kCloseButton)
      .Expect(testdlg::kResultBox, {.text = "Test succeeded"})
      .Answer(Question("48", "40"), IDNO)
      .Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDCANCEL);
  EXPECT_EQ(Base("Vdc"), 48.0);
}

TEST_F(SupplyDetection, TheStoredValueMeasuredAgainClosesWithoutAQuestion) {
  AttachDrive(Supply(48.0));
  CTestVdcDetection test(setup.get());
  UserScript script;
  StartAndWait(script).Expect(testdlg::kResultBox, {.text = "Test succeeded"}).Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDCANCEL);
  EXPECT_TRUE(events.measured.empty());
  EXPECT_EQ(Base("Vdc"), 48.0);
}

TEST_F(SupplyDetection, AShortCircuitDuringTheRunFailsItAndNothingIsAsked) {
  AttachDrive(R"({"supply_V": 40, "faults": {"mer": [{"time_s": 0.005, "bits": 2}]}})");
  CTestVdcDetection test(setup.get());
  UserScript script;
  StartAndWait(script)
      .Expect(testdlg::kResultBox, {.text = "Test failed"})
      .Expect(testdlg::kStatusBox, {.text = "Drive / Motor shortcircuit protection triggered."})
      .Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDCANCEL);
  EXPECT_EQ(events.errors, (std::vector<std::string>{"Drive / Motor shortcircuit protection triggered."}));
  EXPECT_TRUE(events.measured.empty());
  EXPECT_EQ(Base("Vdc"), 48.0);
}

// The measurement drives no current: an ENABLE input that is off neither
// stops it nor fails it.
TEST_F(SupplyDetection, TheEnableInputOffStillMeasuresTheSupply) {
  AttachDrive(R"({"supply_V": 40, "faults": {"enable_input_off": true}})");
  CTestVdcDetection test(setup.get());
  UserScript script;
  StartAndWait(script).Expect(testdlg::kResultBox, {.text = "Test succeeded"}).Answer(Question("48", "40"), IDYES);
  script.Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDOK);
  EXPECT_NEAR(Base("Vdc"), 40.0, 0.005);
}

// An error latched before the run (here a short circuit of an earlier test)
// is acknowledged when the run starts, so it cannot fail this one.
TEST_F(SupplyDetection, AnErrorLatchedByAnEarlierRunDoesNotFailTheNext) {
  AttachDrive(Supply(40.0));
  ASSERT_TRUE(Drive().WriteVariable({"MER", 1}, 0x0002).ok());
  CTestVdcDetection test(setup.get());
  UserScript script;
  StartAndWait(script).Expect(testdlg::kResultBox, {.text = "Test succeeded"}).Answer(Question("48", "40"), IDYES);
  script.Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDOK);
}

// Stored clipped to its limits (12 V to 80 V), a supply beyond them would be
// a wrong value reported as measured.
TEST_F(SupplyDetection, ASupplyOutsideTheAcceptedRangeFails) {
  AttachDrive(Supply(95.0));
  CTestVdcDetection test(setup.get());
  UserScript script;
  StartAndWait(script)
      .Expect(testdlg::kResultBox, {.text = "Test failed"})
      .Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDCANCEL);
  ASSERT_EQ(events.errors.size(), 1u);
  EXPECT_NE(events.errors[0].find("94.99 V lies outside the range the setup accepts (12 V to 80 V)"),
            std::string::npos)
      << events.errors[0];
  EXPECT_EQ(Base("Vdc"), 48.0);
}

// A link that fails from any call of the run on fails the test with the
// text its step gives, never hangs and never asks; the setup stays as it was.
TEST_F(SupplyDetection, ALinkThatFailsFromAnyCallFailsTheTestAndKeepsTheSetup) {
  constexpr const char* kLink = "The drive does not answer.";
  const std::string internal = CVX_TestDlg::msc_pszErrInternal;
  struct Row {
    const char* fault;  // "read" or "write"
    int call;
    std::string error;
  };
  const std::vector<Row> rows{
      {"write", 1, kLink},     // acknowledging the latched errors
      {"write", 2, internal},  // the registers' download: the program does not start
      {"write", 3, internal},  // the start
      {"read", 1, kLink},      // "STARTED"
      {"read", 2, internal},   // the axis state
      {"read", 3, internal},   // "MER"
      {"read", 4, kLink},      // "var_u2"
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.fault << " " << row.call);
    UseExample(dialogtest::kOpenLoop);
    RunOpenerSequences();
    events = {};
    AttachDrive(fmt::format(R"({{"supply_V": 40, "faults": {{"{}": {{"from_call": {}, "text": "{}"}}}}}})", row.fault,
                            row.call, kLink));
    CTestVdcDetection test(setup.get());
    UserScript script;
    StartAndWait(script).Expect(testdlg::kResultBox, {.text = "Test failed"}).Click(testdlg::kCloseButton);
    EXPECT_EQ(RunTest(test, script), IDCANCEL);
    EXPECT_EQ(events.errors, std::vector<std::string>{row.error});
    EXPECT_TRUE(events.measured.empty());
    EXPECT_EQ(Base("Vdc"), 48.0);
  }
}

TEST_F(SupplyDetection, TheDriveSetupDetectButtonOpensItBetweenRoundTrips) {
  for (const int close : {IDOK, IDCANCEL}) {
    SCOPED_TRACE(close);
    UseExample(dialogtest::kOpenLoop);
    AttachDrive(Supply(46.5));
    CDriveSetupDlg dialog(setup.get());
    UserScript script;
    script.Click(drivesetup::kDetectVdcButton).ExpectDialog("VDC Detection Test");
    StartAndWait(script).Answer(Question("48", kShown46_5), IDYES).Click(testdlg::kCloseButton);
    script.ExpectDialog("Drive Setup").Expect(drivesetup::kVdcEdit, {.text = kShown46_5});
    script.Click(close);
    const platform::ScriptRun run = Run(script, [&] { return dialog.DoModal(); });
    ASSERT_TRUE(run.ok) << run.failure;
    EXPECT_EQ(Base("Vdc"), close == IDOK ? kDetected46_5 : 48.0) << "the Drive Setup dialog decides what stays";
  }
}

}  // namespace
}  // namespace commissioningtest
