#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "host_test_support.h"
#include "kernel/setup_file.h"
#include "unittests/support/failure_expectations.h"

namespace {

using host_test::ReadFile;
using host_test::RunBinary;
using host_test::RunResult;
using Json = nlohmann::json;
using testsupport::ExpectOneLineFailure;

const std::vector<std::string> kFive = {"NoMotorSteps", "NoMicroStepsPerStep", "StepperControlType",
                                        "Motor_transmission", "Load_transmission"};

TEST(DriveSetupProgram, ExitStatusTellsSuccessFailureAndUsage) {
  const RunResult help = RunBinary({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("roundtrip"), std::string::npos);

  const RunResult ok = RunBinary({"roundtrip"});
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_FALSE(ok.out.empty());

  ExpectOneLineFailure(RunBinary({}), 2, "command");
  ExpectOneLineFailure(RunBinary({"frobnicate", "--json"}), 2, "frobnicate");
  ExpectOneLineFailure(RunBinary({"get", "NoSuchParameter"}), 1, "NoSuchParameter");
  ExpectOneLineFailure(RunBinary({"--setup", "/nonexistent/setup.json", "roundtrip"}), 1, "/nonexistent/setup.json");
}

TEST(DriveSetupProgram, InitParamRebuildsStepUnitsOnTheFifthCountedName) {
  const host_test::TempDir dir;
  const std::string in = host_test::WriteTestSetup(dir.File("in.json"));
  std::vector<std::string> args = {"--setup", in, "--out", dir.File("out.json"), "--json", "init-param"};
  args.insert(args.end(), kFive.begin(), kFive.end());
  args.insert(args.end(), {"NOMOTORSTEPS", "Gain"});
  const RunResult r = RunBinary(args);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Json::parse(r.out), (Json{{"results", {1, 1, 1, 1, 1, 1, 1}}}));

  // The fifth call built the step units, and they were saved.
  const kernel::SetupLoadResult saved = kernel::LoadSetupFile(dir.File("out.json"));
  ASSERT_TRUE(saved.ok()) << saved.ErrorText();
  EXPECT_NE(saved.setup->FindUnit("steps"), nullptr);
  EXPECT_NE(saved.setup->FindUnit("µsteps/s"), nullptr);
}

TEST(DriveSetupProgram, InitParamReportsARefusedStepUnitsUpdate) {
  const host_test::TempDir dir;
  const std::string in = host_test::WriteTestSetup(dir.File("in.json"), /*withStepFamilies=*/false);
  std::vector<std::string> args = {"--setup", in, "--json", "init-param"};
  args.insert(args.end(), kFive.begin(), kFive.end());
  args.insert(args.end(), kFive.begin(), kFive.begin() + 1);
  const RunResult r = RunBinary(args);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Json::parse(r.out), (Json{{"results", {1, 1, 1, 1, 0, 1}}}));
}

// --out and the input file: the input is never touched unless --out names it,
// a run that fails writes nothing, and no temporary file is left behind.
class OutputFileSafety : public ::testing::Test {
 protected:
  void SetUp() override { original = ReadFile(host_test::WriteTestSetup(in)); }

  host_test::TempDir dir;
  std::string in = dir.File("in.json");
  std::string out = dir.File("out.json");
  std::string original;
};

TEST_F(OutputFileSafety, InputStaysAsItWasAndTheOutputLoads) {
  const RunResult r = RunBinary({"--setup", in, "--set", "Gain=7", "roundtrip", "--out", out});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(in), original);
  const kernel::SetupLoadResult saved = kernel::LoadSetupFile(out);
  ASSERT_TRUE(saved.ok()) << saved.ErrorText();
  EXPECT_EQ(saved.setup->GetParameterValueInBaseUnit("Gain"), 7.0);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"in.json", "out.json"}));
}

TEST_F(OutputFileSafety, WithoutOutNothingIsWritten) {
  const RunResult r = RunBinary({"--setup", in, "--set", "Gain=7", "roundtrip"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(in), original);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"in.json"});
}

TEST_F(OutputFileSafety, OutNamingTheInputReplacesIt) {
  const RunResult r = RunBinary({"--setup", in, "--set", "Gain=7", "--out", in, "roundtrip"});
  ASSERT_EQ(r.status, 0) << r.err;
  const kernel::SetupLoadResult saved = kernel::LoadSetupFile(in);
  ASSERT_TRUE(saved.ok()) << saved.ErrorText();
  EXPECT_EQ(saved.setup->GetParameterValueInBaseUnit("Gain"), 7.0);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"in.json"});
}

TEST_F(OutputFileSafety, FailedRunLeavesAnExistingOutputAlone) {
  host_test::WriteFile(out, "previous contents");
  ExpectOneLineFailure(RunBinary({"--setup", in, "--set", "NoSuchThing=1", "roundtrip", "--out", out}), 1,
                       "NoSuchThing");
  ExpectOneLineFailure(RunBinary({"--setup", in, "get", "NoSuchThing", "--out", out}), 1, "NoSuchThing");
  EXPECT_EQ(ReadFile(out), "previous contents");
  EXPECT_EQ(ReadFile(in), original);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"in.json", "out.json"}));
}

TEST_F(OutputFileSafety, UnwritableOutputFailsCleanly) {
  const std::string missingDir = dir.File("missing/out.json");
  ExpectOneLineFailure(RunBinary({"--setup", in, "roundtrip", "--out", missingDir}), 1, missingDir);

  std::filesystem::create_directory(dir.File("taken"));
  ExpectOneLineFailure(RunBinary({"--setup", in, "roundtrip", "--out", dir.File("taken")}), 1, "taken");
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("taken")));
  EXPECT_EQ(ReadFile(in), original);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"in.json", "taken"}));
}

}  // namespace
