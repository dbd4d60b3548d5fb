// Every electrical test meets every fault of the simulated drive it can
// meet: it fails with the text that names the cause, asks nothing, and
// leaves the setup as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include "commissioning/analogue_reference_test.h"
#include "commissioning/current_tuning_test.h"
#include "commissioning/drive_errors.h"
#include "commissioning/encoder_connection_test.h"
#include "commissioning/phase_connection_test.h"
#include "commissioning/resistance_inductance_test.h"
#include "commissioning/ssi_offset_test.h"
#include "commissioning/vdc_detection_test.h"
#include "commissioning/voltage_identification_test.h"
#include "kernel/setup.h"
#include "kernel/ui/test_base_ids.h"
#include "kernel/ui/test_dlg.h"
#include "platform/user_actions.h"
#include "unittests/commissioning/test_dialog_support.h"

namespace {

using Opener = std::function<std::unique_ptr<CDialog>(CVX_Setup*)>;

// How a test meets the faults: its setup, the world around it when nothing
// is wrong, how it is opened, and what its first read of the drive is.
struct TestUnderFault {
  const char* name;
  const char* example;
  std::string world;  // members of the "simulation" object, without braces
  Opener open;
  bool continuous;    // the person stops it
  bool readsMerFirst;  // a failed first read is an error check, which says "internal error"
  bool needsEnable;
  int startPage = -1;  // a tab page to go to before Start
  double firstProgramRuns_s = 0.3;  // a drive time at which its first program still runs
};

template <class Test>
Opener Open() {
  return [](CVX_Setup* setup) { return std::make_unique<Test>(setup, 1); };
}

// The supply measurement drives no current (it runs with the ENABLE input
// off) and ends within a few milliseconds.
const TestUnderFault kSupply{"SupplyDetection",
                             "two_phase_open_loop",
                             "",
                             [](CVX_Setup* setup) { return std::make_unique<CTestVdcDetection>(setup); },
                             false,
                             false,
                             false,
                             -1,
                             0.002};
const TestUnderFault kCurrent{"CurrentTuning", "two_phase_open_loop", "", Open<CTestCurrent>(), false, false, true, 1};
const TestUnderFault kResistance{"ResistanceInductance", "two_phase_open_loop", "", Open<CTestRL>(), false, false, true};
const TestUnderFault kVoltage{"VoltageIdentification", "open_loop_step_loss_encoder", "", Open<CTestVoltage>(), false,
                              false, true};
const TestUnderFault kPhases{"PhaseConnection", "two_phase_open_loop", "", Open<CTestPhaseConnections>(), false, false,
                             true};
const TestUnderFault kMotorEncoder{"MotorEncoder", "closed_loop_incremental_1000",
                                   R"("person": {"hand_speed_rad_s": 3.0})", Open<CTestEncoderConnections>(), true,
                                   true, false};
const TestUnderFault kLoadEncoder{
    "LoadEncoder", "closed_loop_incremental_1000",
    R"("person": {"hand_speed_rad_s": 3.0}, "sensors": {"shaft": "load", "encoder": {"lines": 1000)",
    [](CVX_Setup* setup) {
      setup->SetParameterValueInBaseUnit("LoadSensorType", 1);
      return std::make_unique<CTestEncoderLdConnections>(setup, 1);
    },
    true, true, false};
const TestUnderFault kSerialEncoder{"SerialEncoder", "closed_loop_ssi_17bit", R"("person": {"hand_speed_rad_s": 3.0})",
                                    Open<CTestSSIEncoderConnections>(), true, true, false};
const TestUnderFault kSerialOffset{"SerialOffset", "closed_loop_ssi_17bit", "", Open<CTestSSIEncoderOffset>(), false,
                                   false, true};
const TestUnderFault kAnalogue{"AnalogueReference", "closed_loop_incremental_1000", "", Open<CTestAnalogueRef>(), true,
                               true, false};

const TestUnderFault* const kAllTests[] = {&kSupply,       &kCurrent,       &kResistance,   &kVoltage,  &kPhases,
                                           &kMotorEncoder, &kLoadEncoder, &kSerialEncoder, &kSerialOffset, &kAnalogue};

struct Row {
  const TestUnderFault* test;
  std::string fault;       // its name
  std::string simulation;  // members added to the test's world
  std::string text;        // the failure text
};

std::string Name(const testing::TestParamInfo<Row>& info) {
  return std::string(info.param.test->name) + "_" + info.param.fault;
}

void PrintTo(const Row& row, std::ostream* os) { *os << row.test->name << " with " << row.fault; }

constexpr const char* kNoAnswer = "The drive does not answer.";
constexpr const char* kWriteRefused = "The drive refused the command.";

std::vector<Row> Rows() {
  std::vector<Row> rows;
  for (const TestUnderFault* test : kAllTests) {
    rows.push_back({test, "LinkFailsFromTheFirstRead",
                    R"("faults": {"read": {"from_call": 1, "text": ")" + std::string(kNoAnswer) + R"("}})",
                    test->readsMerFirst ? CVX_TestDlg::msc_pszErrInternal : kNoAnswer});
    rows.push_back({test, "LinkRefusesTheFirstWrite",
                    R"("faults": {"write": {"from_call": 1, "text": ")" + std::string(kWriteRefused) + R"("}})",
                    kWriteRefused});
    // A protection raised while the first program runs.
    for (const std::uint16_t bit : {0x0002, 0x0008, 0x0020, 0x0040, 0x0080}) {
      rows.push_back({test, "ErrorBit" + std::to_string(bit),
                      R"("faults": {"mer": [{"time_s": )" + std::to_string(test->firstProgramRuns_s) +
                          R"(, "bits": )" + std::to_string(bit) + "}]}",
                      std::string(*commissioning::DriveErrorText(bit, 0xFFFF))});
    }
    if (test->needsEnable) {
      rows.push_back({test, "EnableOff", R"("faults": {"enable_input_off": true})",
                      "Drive / Motor ENABLE input is in DISABLED state."});
    }
  }
  for (const TestUnderFault* test : {&kCurrent, &kResistance, &kVoltage, &kPhases}) {
    rows.push_back({test, "PhaseAOpen", R"("motor": {"phases": [{"disconnected": true}, {}]})",
                    CVX_TestDlg::msc_pszErrInZero});
    rows.push_back({test, "NoCurrentMeasured",
                    R"("motor": {"phases": [{"disconnected": true}, {"disconnected": true}]})",
                    CVX_TestDlg::msc_pszErrInZero});
  }
  // Both resistance runs clip at the supply: their currents no longer differ.
  rows.push_back({&kResistance, "SupplyTooLowForEitherRun", R"("supply_V": 0.5)",
                  "The drive could not drive the test current through the motor: 0.511 A of 2.8 A were reached. The "
                  "supply voltage is too low for this test current; lower the test current or check the supply and "
                  "the motor connections."});
  rows.push_back({&kPhases, "UnbalancedPhases", R"("motor": {"phases": [{}, {"R": 1.8}]})",
                  CTestPhaseConnections::kFailureText});
  rows.push_back({&kPhases, "PhaseBOpen", R"("motor": {"phases": [{}, {"disconnected": true}]})",
                  CTestPhaseConnections::kFailureText});
  rows.push_back({&kMotorEncoder, "NoEncoderPulses", R"("sensors": {"encoder": {"fault": "no-pulses"}})",
                  CEncoderConnectionTest::kNoPulsesText});
  rows.push_back({&kLoadEncoder, "NoEncoderPulses", R"("fault": "no-pulses")", CEncoderConnectionTest::kNoPulsesText});
  rows.push_back({&kSerialEncoder, "NoSerialResponse", R"("sensors": {"ssi": {"fault": "no-response"}})",
                  "Feedback error."});
  rows.push_back({&kSerialOffset, "NoSerialResponse", R"("sensors": {"ssi": {"fault": "no-response"}})",
                  "Feedback error."});
  return rows;
}

// The "simulation" object of a row: the test's world and the fault.
std::string Simulation(const Row& row) {
  const std::string& world = row.test->world;
  // The load test's encoder is still open so that a row may add its fault
  // to it.
  if (world.ends_with("1000")) {
    const bool encoderFault = row.simulation.starts_with(R"("fault")");
    return "{" + world + (encoderFault ? ", " + row.simulation + "}}}" : "}}, " + row.simulation + "}");
  }
  return "{" + world + (world.empty() ? "" : ", ") + row.simulation + "}";
}

class FaultInjectionSim : public commissioningtest::TestDialogTest, public testing::WithParamInterface<Row> {};

TEST_P(FaultInjectionSim, FailsWithTheCauseAsksNothingAndKeepsNothing) {
  const Row& row = GetParam();
  SCOPED_TRACE(Simulation(row));
  UseDrive(row.test->example, Simulation(row));
  platform::UserScript script;
  if (row.test->startPage >= 0) script.Tab(current_tuning::kTabs, row.test->startPage);
  script.Click(testdlg::kStartStopButton).Wait(3000).Call([](CDialog& dialog) {
    // A test the person stops is stopped now, whether or not it has failed.
    if (dialog.GetDlgItemText(testdlg::kResultBox) == "Test running") platform::Click(dialog, testdlg::kStartStopButton);
  });
  script.Expect(testdlg::kResultBox, {.text = "Test failed"})
      .Expect(testdlg::kStatusBox, {.text = row.text})
      .Click(testdlg::kCloseButton);
  ExpectEndsKeepingNothing(script, [&] { return row.test->open(setup.get()); });
}

INSTANTIATE_TEST_SUITE_P(Rows, FaultInjectionSim, testing::ValuesIn(Rows()), Name);

// The link failing from a later call on, at calls spread over a sound run of
// each test: whichever step meets it, the test fails with the link's text
// (or, for the steps whose failure the kernel reports so, the internal-error
// text), never passes with what it could not read or write, asks nothing
// and keeps nothing. (The voltage-mode identification asks the person at
// every speed; its link faults are the rows above.)
class LaterLinkFailureSim : public commissioningtest::TestDialogTest,
                            public testing::WithParamInterface<const TestUnderFault*> {
 protected:
  // One run as the person makes it: Start, then the end of the run, or for
  // a test the person stops, Stop after three seconds.
  static platform::UserScript& PlayRun(const TestUnderFault& test, platform::UserScript& script) {
    if (test.startPage >= 0) script.Tab(current_tuning::kTabs, test.startPage);
    if (!test.continuous) return StartAndWait(script);
    return script.Click(testdlg::kStartStopButton).Wait(3000).Call([](CDialog& dialog) {
      if (dialog.GetDlgItemText(testdlg::kResultBox) == "Test running") platform::Click(dialog, testdlg::kStartStopButton);
    }).Wait(100);
  }

  std::string World(const TestUnderFault& test, const std::string& fault) const {
    std::string world = test.world;
    if (world.ends_with("1000")) world += "}}";
    if (!fault.empty()) world += (world.empty() ? "" : ", ") + fault;
    return "{" + world + "}";
  }

  // The reads and writes a sound run of `test` makes until its end.
  std::pair<int, int> CallsOfASoundRun(const TestUnderFault& test) {
    UseDrive(test.example, World(test, ""));
    std::pair<int, int> calls;
    platform::UserScript script;
    PlayRun(test, script).Expect(testdlg::kResultBox, {.text = "Test succeeded"}).Call([&](CDialog&) {
      calls = {Drive().reads(), Drive().writes()};
    });
    script.Click(testdlg::kCloseButton);
    const platform::ScriptRun run = RunAnsweringKeep(script, {IDNO}, [&] { return test.open(setup.get())->DoModal(); });
    EXPECT_TRUE(run.ok) << run.failure;
    return calls;
  }
};

TEST_P(LaterLinkFailureSim, FailsWithTheLinksTextAsksNothingAndKeepsNothing) {
  const TestUnderFault& test = *GetParam();
  const auto [reads, writes] = CallsOfASoundRun(test);
  ASSERT_GT(reads, 2);
  ASSERT_GT(writes, 2);
  struct Fault {
    const char* kind;
    int call;
  };
  std::vector<Fault> faults;
  for (const int call : {2, reads / 4, reads / 2, (3 * reads) / 4, reads}) faults.push_back({"read", std::max(call, 2)});
  for (const int call : {2, writes / 2, writes}) faults.push_back({"write", std::max(call, 2)});
  for (const Fault& fault : faults) {
    SCOPED_TRACE(testing::Message() << fault.kind << " " << fault.call << " of " << (fault.kind[0] == 'r' ? reads : writes));
    events = {};
    UseDrive(test.example, World(test, std::string(R"("faults": {")") + fault.kind + R"(": {"from_call": )" +
                                           std::to_string(fault.call) + R"(, "text": ")" + kNoAnswer + R"("}})"));
    std::string opened;
    platform::UserScript script;
    PlayRun(test, script)
        .Expect(testdlg::kResultBox, {.text = "Test failed"})
        .Call([](CDialog& dialog) {
          const std::string text = dialog.GetDlgItemText(testdlg::kStatusBox);
          EXPECT_TRUE(text.ends_with(kNoAnswer) || text == CVX_TestDlg::msc_pszErrInternal) << text;
        })
        .Click(testdlg::kCloseButton);
    const platform::ScriptRun run = RunAnsweringKeep(script, {}, [&] {
      const std::unique_ptr<CDialog> dialog = test.open(setup.get());
      opened = Saved();
      return dialog->DoModal();
    });
    ASSERT_TRUE(run.ok) << run.failure;
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_TRUE(events.measured.empty());
    ExpectUnchangedSince(opened);
  }
}

INSTANTIATE_TEST_SUITE_P(Tests, LaterLinkFailureSim,
                         testing::Values(&kSupply, &kCurrent, &kResistance, &kPhases, &kMotorEncoder,
                                         &kLoadEncoder, &kSerialEncoder, &kSerialOffset, &kAnalogue),
                         [](const testing::TestParamInfo<const TestUnderFault*>& info) {
                           return std::string(info.param->name);
                         });

}  // namespace
