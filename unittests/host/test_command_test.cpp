// `drivesetup test`: a test opened along its route from the Drive Setup
// dialog, on the simulated drive, with the ordinary person or a script.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "host_test_support.h"
#include "unittests/support/example_setups.h"

namespace {

using namespace host_test;

const std::string kQuestion =
    "A different value than specified has been detected for the following parameter(s):\r\n\r\n"
    "Power supply:\tOld = 48\tNew = 40\r\n\r\nDo you want to save the new value(s)? (Recommended)";

class TestCommand : public SimulatedCommandTest {
 protected:
  TestCommand() : SimulatedCommandTest("two_phase_open_loop") {
    // The drive's converter reads a 40 V supply as exactly 40.00 V (12 bits
    // of 100 V), so the texts below are exact.
    WriteFile(simulation, R"({"supply_V": 40})");
  }

  RunResult Test(std::vector<std::string> args) {
    args.insert(args.begin(), "test");
    return RunOnSimulation(args);
  }
  std::string Script(const std::string& text) {
    const std::string path = dir.File("script.json");
    WriteFile(path, text);
    return path;
  }
};

TEST_F(TestCommand, TheOrdinaryPersonRunsTheTestAndKeepsWhatItMeasured) {
  const RunResult run = Test({"vdc-detection"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "  VDC Detection Test\n"
            "    [1/2] Launching test\n"
            "    [2/2] Running test\n"
            "    succeeded\n"
            "    Power supply: 48 -> 40\n"
            "VDC Detection Test: OK; the setup keeps the test's values\n");
  EXPECT_EQ(SavedBase(output, "Vdc"), 40.0);
}

TEST_F(TestCommand, JsonGivesTheSameInOneDocument) {
  const RunResult run = Test({"VDC-Detection", "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json doc = nlohmann::json::parse(run.out);
  EXPECT_EQ(doc["test"], "vdc-detection");
  EXPECT_EQ(doc["stages"], nlohmann::json({"Launching test", "Running test"}));
  EXPECT_EQ(doc["outcome"], "succeeded");
  EXPECT_EQ(doc["measured"], nlohmann::json::parse(R"([{"label": "Power supply", "old": "48", "new": "40"}])"));
  EXPECT_EQ(doc["closed"], "OK");
  EXPECT_EQ(doc["kept"], true);
  EXPECT_TRUE(doc["plots"].empty());
}

// A script starts in the test dialog; the host closes the Drive Setup
// dialog after it. Only the test's OK keeps anything.
TEST_F(TestCommand, AScriptPlaysInTheTestDialogAndOnlyItsOkKeeps) {
  nlohmann::json steps = nlohmann::json::parse(R"([
    {"do": "expect-dialog", "caption": "VDC Detection Test"},
    {"do": "click", "id": 10000},
    {"do": "wait-until", "id": 10000, "text": "&Start", "ms": 60000},
    {"do": "expect", "id": 10001, "text": "Test succeeded"},
    {"do": "answer", "text": "", "button": "no"},
    {"do": "click", "id": 2}
  ])");
  steps[4]["text"] = kQuestion;
  const RunResult no = Test({"vdc-detection", "--script", Script(steps.dump())});
  ASSERT_EQ(no.status, 0) << no.err;
  EXPECT_NE(no.out.find("VDC Detection Test: not OK; the setup is kept as it was\n"), std::string::npos) << no.out;
  EXPECT_FALSE(std::filesystem::exists(output));

  steps[4]["button"] = "yes";
  const RunResult yes = Test({"vdc-detection", "--script", Script(steps.dump())});
  ASSERT_EQ(yes.status, 0) << yes.err;
  EXPECT_EQ(SavedBase(output, "Vdc"), 40.0);
}

TEST_F(TestCommand, AScriptThatDoesNotRunAsWrittenSaysWhereAndSavesNothing) {
  const RunResult run =
      Test({"vdc-detection", "--script", Script(R"([{"do": "expect-dialog", "caption": "Drive Setup"}])")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("test vdc-detection: the script"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("step 1 (expect-dialog)"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(TestCommand, AFailedTestPrintsWhatItShowedAndSavesNothing) {
  WriteFile(simulation, R"({"supply_V": 40, "faults": {"mer": [{"time_s": 0.005, "bits": 2}]}})");
  const RunResult run = Test({"vdc-detection"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("    failed: Drive / Motor shortcircuit protection triggered.\n"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("not OK; the setup is kept as it was"), std::string::npos) << run.out;
  EXPECT_EQ(run.err,
            "drivesetup: test vdc-detection: the test failed: Drive / Motor shortcircuit protection triggered.\n");
  EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(TestCommand, AnUnknownNameIsAUsageFaultThatListsTheTests) {
  const RunResult run = Test({"supply"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("test supply: no such test (the tests are vdc-detection, current-tuning, total-inertia,"),
            std::string::npos)
      << run.err;
  EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(TestCommand, ATestTheSetupDoesNotOfferStopsAtItsButton) {
  // The default setup runs open loop: Drive Setup hides the speed tuning.
  const RunResult run = Test({"speed-tuning"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("in dialog \"Drive Setup\", control 3178: the control is hidden"), std::string::npos)
      << run.err;
  EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(TestCommand, ATuningTestKeepsItsGainsOnOkAndSavesItsPlots) {
  WriteFile(input, ReadFile(testsupport::ExamplePath("closed_loop_incremental_1000")));
  WriteFile(simulation, "{}");
  const std::string plots = dir.File("plots");
  const RunResult run = Test({"speed-tuning", "--plots", plots});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("  plot: " + plots + "/SpeedTuning.svg\n  plot: " + plots + "/SpeedTuning.csv\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("Speed Controller Tuning Test: OK; the setup keeps the test's values"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(output));
  EXPECT_TRUE(std::filesystem::is_regular_file(plots + "/SpeedTuning.csv"));
}

// The current tuning test through the Drive Setup dialog's "Tune & Test": the
// person designs the gains, runs the step and keeps the gains with OK.
TEST_F(TestCommand, TheCurrentTuningTestKeepsTheDesignedGains) {
  WriteFile(simulation, "{}");
  const std::string plots = dir.File("plots");
  const RunResult run = Test({"current-tuning", "--plots", plots});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("    [5/5] Uploading results\n    succeeded\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Current Controller Tuning Test: OK; the setup keeps the test's values"), std::string::npos)
      << run.out;
  EXPECT_TRUE(std::filesystem::exists(output));
  EXPECT_TRUE(std::filesystem::is_regular_file(plots + "/CurrentTuning.svg"));
}

// The tests a person reaches through the motor and reference dialogs, each
// with the ordinary person on an example whose sensors fit (docs/
// command-line.md shows the same runs).
TEST_F(TestCommand, EveryTestOfTheMotorAndReferenceDialogsRunsAlongItsRoute) {
  struct Row {
    const char* name;
    const char* example;
    std::vector<std::string> sets;  // --set NAME=VALUE before the command
    const char* simulation;
    const char* lastStage;  // the last stage text the run shows
    const char* ending;     // the last line
  };
  constexpr const char* kKeeps = ": OK; the setup keeps the test's values\n";
  constexpr const char* kNothing = ": closed; nothing to keep, the setup is as it was\n";
  const Row rows[] = {
      {"phase-connections", "two_phase_open_loop", {}, "{}", "[5/5] Finished test", kNothing},
      {"resistance-inductance", "two_phase_open_loop", {}, R"({"motor": {"R": 1.1, "L": 0.0025}})",
       "[10/10] Waiting L test to be finished", kKeeps},
      {"resistance-inductance", "three_phase_open_loop", {}, R"({"motor": {"R": 1.15, "L": 0.0019}})",
       "[10/10] Waiting L test to be finished", kKeeps},
      {"voltage-identification", "open_loop_step_loss_encoder", {}, R"({"supply_V": 80})",
       "[6/8] Running first test", kKeeps},
      {"encoder-connections", "closed_loop_incremental_1000", {}, "{}", "[3/3] Test finished", kNothing},
      {"encoder-connections", "open_loop_step_loss_encoder", {}, "{}", "[3/3] Test finished", kNothing},
      {"load-encoder-connections", "closed_loop_incremental_1000", {"LoadSensorType=1", "LoadSensorConnector=1"},
       R"({"sensors": {"shaft": "load", "encoder": {"lines": 1000}}})", "[3/3] Test finished", kNothing},
      {"serial-connections", "closed_loop_ssi_17bit", {}, "{}", "[2/2] Running test", kNothing},
      {"load-serial-connections", "closed_loop_incremental_1000", {"LoadSensorType=3", "LoadSensorConnector=1"},
       R"({"sensors": {"shaft": "load", "ssi": {"bits": 17}}})", "[2/2] Running test", kNothing},
      {"serial-offset", "closed_loop_ssi_17bit", {}, R"({"sensors": {"ssi": {"offset": 1200}}})",
       "[2/2] Reading results", kKeeps},
      {"analogue-reference", "closed_loop_incremental_1000", {}, R"({"person": {"analogue_input": [[0, 5]]}})",
       "[2/2] Running test", kNothing},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.name) + " on " + row.example);
    std::filesystem::remove(output);
    WriteFile(input, ReadFile(testsupport::ExamplePath(row.example)));
    WriteFile(simulation, row.simulation);
    std::vector<std::string> args{"--setup", input, "--sim", simulation, "--out", output};
    for (const std::string& set : row.sets) args.insert(args.end(), {"--set", set});
    args.insert(args.end(), {"test", row.name});
    const RunResult run = RunBinary(args);
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_NE(run.out.find(std::string(row.lastStage) + "\n    succeeded\n"), std::string::npos) << run.out;
    const std::vector<std::string> lines = host_test::Lines(run.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE((lines.back() + "\n").ends_with(row.ending)) << run.out;
    EXPECT_EQ(std::filesystem::exists(output), std::string(row.ending) == kKeeps);
  }
}

TEST_F(TestCommand, TheIdentifiedValuesAreTheOnesSaved) {
  WriteFile(simulation, R"({"motor": {"R": 1.1, "L": 0.0025}})");
  const RunResult rl = Test({"resistance-inductance"});
  ASSERT_EQ(rl.status, 0) << rl.err;
  EXPECT_NE(rl.out.find("    Phase resistance: 0.900000 -> 1.1"), std::string::npos) << rl.out;
  // As the test through its dialog: R within 1 %, L within 3 %.
  EXPECT_NEAR(SavedBase(output, "R"), 1.1, 0.011);
  EXPECT_NEAR(SavedBase(output, "L"), 0.0025, 0.000075);

  WriteFile(input, ReadFile(testsupport::ExamplePath("closed_loop_ssi_17bit")));
  WriteFile(simulation, R"({"sensors": {"ssi": {"offset": 1200}}})");
  const RunResult offset = Test({"serial-offset"});
  ASSERT_EQ(offset.status, 0) << offset.err;
  EXPECT_NE(offset.out.find("    Encoder offset: 874 -> 1200\n"), std::string::npos) << offset.out;
  EXPECT_EQ(SavedBase(output, "ZAOFF"), 1200.0);
}

// The ordinary person turns the shaft unless the simulation says how the
// hand moves; a hand that stays still finds no pulses, as a person would.
TEST_F(TestCommand, TheSimulationsHandOverridesThePersonsTurning) {
  WriteFile(input, ReadFile(testsupport::ExamplePath("closed_loop_incremental_1000")));
  WriteFile(simulation, R"({"person": {"hand_speed_rad_s": 0}})");
  const RunResult run = Test({"encoder-connections"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "drivesetup: test encoder-connections: the test failed: No encoder pulses have been detected.  Check the "
            "encoder connection and power supply.\n");
  EXPECT_FALSE(std::filesystem::exists(output));
}

// The voltage test on the example's own 24 V supply: the run current at the
// top speed would need more than the supply (K 0.26 V s/rad at 75 rad/s is
// 20 V of back-EMF alone), so the program holds the speed where the voltage
// runs out and the constant comes from a speed the supply can drive. It fits
// the int16 register (once it came out as 99370 and the test failed), and
// the person kept it only while the rotor turned with the field.
TEST_F(TestCommand, TheVoltageTestKeepsASpeedConstantTheRegisterHoldsAndTheMotorRunsWith) {
  WriteFile(input, ReadFile(testsupport::ExamplePath("open_loop_step_loss_encoder")));
  WriteFile(simulation, "{}");
  const RunResult run = Test({"voltage-identification"});
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  EXPECT_NE(run.out.find("Running second test\n    succeeded\n"), std::string::npos) << run.out;
  const double kept = SavedBase(output, "KOMEGA");
  EXPECT_GT(kept, 0.0);
  EXPECT_LE(kept, 32767.0);
}

TEST_F(TestCommand, TheHelpSaysWhatTestsNeedOfThePerson) {
  const RunResult run = RunBinary({"test", "--help"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("  encoder-connections: the shaft turned by hand during the run"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("  voltage-identification: the person's answer to \"Is the motor running smoothly?\""),
            std::string::npos);
  EXPECT_NE(run.out.find("  analogue-reference: the voltage at the reference input"), std::string::npos);
}

// The tuning tests close with OK, which the person presses after a failed
// run too: nothing is kept then, and the command says so.
TEST_F(TestCommand, AFailedTuningRunKeepsNothingThoughThePersonPressesOk) {
  WriteFile(simulation, R"({"faults": {"mer": [{"time_s": 0.005, "bits": 2}]}})");
  const RunResult run = Test({"current-tuning"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("Current Controller Tuning Test: not OK; the setup is kept as it was\n"), std::string::npos)
      << run.out;
  EXPECT_FALSE(std::filesystem::exists(output));
}

}  // namespace
