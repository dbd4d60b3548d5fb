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
