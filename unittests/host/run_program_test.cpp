#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "host_test_support.h"
#include "unittests/support/example_setups.h"
#include "unittests/support/failure_expectations.h"

namespace {

using host_test::RunInProcess;
using host_test::RunResult;
using Json = nlohmann::json;
using testsupport::ExpectOneLineFailure;

const std::string kExample = testsupport::ExamplePath("two_phase_open_loop");

RunResult RunOnExample(std::vector<std::string> args) {
  args.insert(args.begin(), {"--setup", kExample});
  return RunInProcess(args);
}

TEST(RunProgramCommand, PrintsOutputsErrorWordDriveResultsAndLog) {
  const RunResult r = RunOnExample({"run-program", "Current_Controller_Tuning_Test_SOL", "--var", "In1=5000", "--var",
                           "Imax_Prot_Test=13000", "--log", "Current_Reference,Motor_Current"});
  ASSERT_EQ(r.status, 0) << r.err;
  const Json doc = Json::parse(r.out);
  EXPECT_EQ(doc["program"], "Current_Controller_Tuning_Test_SOL");
  EXPECT_EQ(doc["test_flag"], 1);
  EXPECT_EQ(doc["outputs"]["STARTED"], 1);
  EXPECT_EQ(doc["MER"], 0);
  const Json& log = doc["log"];
  EXPECT_EQ(log["variables"], Json({"Current_Reference", "Motor_Current"}));
  ASSERT_EQ(log["points"].size(), 500u);
  EXPECT_EQ(log["points"].back()[1], 5000) << "the reference holds the step";
  EXPECT_NEAR(log["points"].back()[2].get<double>(), 5000, 100) << "the current follows it";
}

TEST(RunProgramCommand, SimFileReplacesTheWorldTheProgramMeasures) {
  host_test::TempDir dir;
  host_test::WriteFile(dir.File("sim.json"), R"({"supply_V": 40})");
  const RunResult r = RunOnExample({"--sim", dir.File("sim.json"), "run-program", "VDC_Detection_Test"});
  ASSERT_EQ(r.status, 0) << r.err;
  // 40 V of the 100 V range on the 65472-count converter, in its 16-count steps.
  EXPECT_EQ(Json::parse(r.out)["driveVariables"]["var_u2"], 26192);
}

// A chain shares one drive: the positioning aligns a rotor that stood a
// third of a turn away, and the encoder test that follows starts from it
// with the voltage the positioning found.
TEST(RunProgramCommand, AChainRunsOnOneDriveAndPassesValuesOn) {
  host_test::TempDir dir;
  host_test::WriteFile(dir.File("sim.json"), R"({"initial_angle_rad": 2.1})");
  const std::string closed = std::string(DRIVESETUP_SOURCE_DIR) + "/examples/closed_loop_incremental_1000.json";
  for (const char* source : {"REFTST_V=RefTest", "Initial_Positioning_Test.REFTST_V=RefTest"}) {
    SCOPED_TRACE(source);
    const RunResult r = RunInProcess({"--setup", closed, "--sim", dir.File("sim.json"), "run-program",
                                      "Initial_Positioning_Test", "--var", "In1=9000", "--then",
                                      "Encoder_Resolution_And_Direction_Test", "--var", "PolesPairs=50", "--var-from",
                                      source});
    ASSERT_EQ(r.status, 0) << r.err;
    const Json doc = Json::parse(r.out);
    ASSERT_EQ(doc["runs"].size(), 2u);
    EXPECT_EQ(doc["runs"][0]["program"], "Initial_Positioning_Test");
    EXPECT_GT(doc["runs"][0]["driveVariables"]["REFTST_V"].get<double>(), 0);
    // One revolution of the 1000-line encoder the setup describes.
    EXPECT_EQ(doc["runs"][1]["driveVariables"]["var_lf_long"], 4000);
  }
}

TEST(RunProgramCommand, LogTakesTheTestsLoggerSettings) {
  const RunResult r = RunOnExample({"run-program", "Ident_R_or_Rs_SOL", "--var", "In1=6000", "--log", "IQ",
                                    "--log-points", "100", "--log-divider", "2", "--log-loop", "slow"});
  ASSERT_EQ(r.status, 0) << r.err;
  const Json doc = Json::parse(r.out);
  const Json& points = doc["log"]["points"];
  ASSERT_EQ(points.size(), 100u);
  // Every second slow-loop sample, each 8 fast periods of 100 us.
  EXPECT_NEAR(points[1][0].get<double>() - points[0][0].get<double>(), 2 * 8 * 1e-4, 1e-9);
  EXPECT_NEAR(points.back()[1].get<double>(), 6000, 100) << "the current held";
}

TEST(RunProgramCommand, BadChainsAndLoggerSettingsAreOneLineWithTheirCause) {
  ExpectOneLineFailure(RunOnExample({"run-program", "VDC_Detection_Test", "--var-from", "var_u2=In1"}), 2,
                       "--var-from");
  ExpectOneLineFailure(RunOnExample({"run-program", "VDC_Detection_Test", "--then", "Initial_Positioning_Test",
                                     "--var-from", "var_u2"}),
                       2, "--var-from");
  ExpectOneLineFailure(RunOnExample({"run-program", "VDC_Detection_Test", "--then", "Initial_Positioning_Test",
                                     "--var-from", "No_Such_Test.var_u2=In1"}),
                       1, "No_Such_Test.var_u2");
  ExpectOneLineFailure(RunOnExample({"run-program", "VDC_Detection_Test", "--then", "Initial_Positioning_Test",
                                     "--var-from", "NoSuchVariable=In1"}),
                       1, "NoSuchVariable");
  ExpectOneLineFailure(RunOnExample({"run-program", "VDC_Detection_Test", "--then", "No_Such_Test"}), 1,
                       "No_Such_Test");
  ExpectOneLineFailure(RunOnExample({"run-program", "VDC_Detection_Test", "--log-points", "0"}), 2, "--log-points");
  ExpectOneLineFailure(RunOnExample({"run-program", "VDC_Detection_Test", "--log-loop", "medium"}), 2, "--log-loop");
}

TEST(RunProgramCommand, BadInputIsOneLineWithItsCause) {
  ExpectOneLineFailure(RunOnExample({"run-program", "No_Such_Test"}), 1, "No_Such_Test");
  ExpectOneLineFailure(RunOnExample({"run-program", "VDC_Detection_Test", "--var", "In1"}), 2, "--var");
  ExpectOneLineFailure(RunOnExample({"run-program", "VDC_Detection_Test", "--var", "In1=5"}), 1, "In1");
  ExpectOneLineFailure(RunOnExample({"run-program", "VDC_Detection_Test", "--log", "NoSuchVariable"}), 1, "NoSuchVariable");
  ExpectOneLineFailure(RunOnExample({"run-program"}), 2, "NAME");
  host_test::TempDir dir;
  host_test::WriteFile(dir.File("sim.json"), R"({"motor": {"R": "low"}})");
  ExpectOneLineFailure(RunOnExample({"--sim", dir.File("sim.json"), "run-program", "VDC_Detection_Test"}), 1,
                       "simulation.motor.R");
  ExpectOneLineFailure(RunOnExample({"--sim", dir.File("missing.json"), "get", "R"}), 1, "missing.json");
}

TEST(RunProgramCommand, ALinkFaultEndsTheRunWithItsText) {
  host_test::TempDir dir;
  host_test::WriteFile(dir.File("sim.json"), R"({"faults": {"read": {"from_call": 1, "text": "No answer on the link."}}})");
  ExpectOneLineFailure(RunOnExample({"--sim", dir.File("sim.json"), "run-program", "VDC_Detection_Test"}), 1,
                       "No answer on the link.");
}

}  // namespace
