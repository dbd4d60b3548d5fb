#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "host_test_support.h"

namespace {

using host_test::ReadFile;
using host_test::RunBinary;
using host_test::RunResult;
using host_test::TempDir;
using host_test::WriteFile;

const std::string kExample = DRIVESETUP_SOURCE_DIR "/examples/two_phase_open_loop.json";

// Raises the run current and the stand-by current, then presses `button`.
std::string EditScript(const std::string& button) {
  return R"([
    {"do": "expect-dialog", "caption": "Drive Setup"},
    {"do": "type", "id": 3416, "text": "2"},
    {"do": "type", "id": 3211, "text": "1.25"},
    {"do": "click", "id": )" + button + R"(}
  ])";
}

// A value of a saved setup in its base unit, as drivesetup shows it with
// the plug-in's unit scales.
double SavedBase(const std::string& path, const std::string& name) {
  const RunResult get = RunBinary({"--setup", path, "get", name, "--json"});
  EXPECT_EQ(get.status, 0) << get.err;
  if (get.status != 0) return 0.0;
  return nlohmann::json::parse(get.out)["parameters"][name]["value"].get<double>();
}

class EditCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    input = dir.File("input.json");
    WriteFile(input, ReadFile(kExample));
    output = dir.File("output.json");
  }

  RunResult Edit(const std::string& script, bool json = false) {
    const std::string scriptFile = dir.File("script.json");
    WriteFile(scriptFile, script);
    std::vector<std::string> args{"--setup", input, "edit", "--script", scriptFile, "--out", output};
    if (json) args.push_back("--json");
    return RunBinary(args);
  }

  TempDir dir;
  std::string input;
  std::string output;
};

TEST_F(EditCommand, OkSavesTheEditedValues) {
  const RunResult run = Edit(EditScript("1"), true);
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json printed = nlohmann::json::parse(run.out);
  EXPECT_EQ(printed["result"], 1);
  EXPECT_TRUE(printed["changed"]["parameters"].contains("RunCurrent")) << run.out;

  ASSERT_TRUE(std::filesystem::exists(output));
  EXPECT_NEAR(SavedBase(output, "RunCurrent"), 2.0, 1e-3);
  EXPECT_NEAR(SavedBase(output, "StandByCurrent"), 1.25, 1e-3);
  EXPECT_EQ(ReadFile(input), ReadFile(kExample));
}

TEST_F(EditCommand, CancelKeepsNothing) {
  const RunResult run = Edit(EditScript("2"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("not OK (0)"), std::string::npos) << run.out;
  EXPECT_FALSE(std::filesystem::exists(output));
  EXPECT_EQ(ReadFile(input), ReadFile(kExample));
}

TEST_F(EditCommand, ScriptThatDoesNotHoldFailsAndKeepsNothing) {
  const RunResult run = Edit(R"([
    {"do": "expect-dialog", "caption": "Drive Setup"},
    {"do": "type", "id": 3416, "text": "2"},
    {"do": "expect", "id": 3416, "text": "99"},
    {"do": "click", "id": 1}
  ])");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("3416"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_FALSE(std::filesystem::exists(output));
  EXPECT_EQ(ReadFile(input), ReadFile(kExample));
}

TEST_F(EditCommand, MalformedOrMissingScriptIsReported) {
  const RunResult malformed = Edit(R"([{"do": "fly"}])");
  EXPECT_EQ(malformed.status, 1);
  EXPECT_NE(malformed.err.find("step 1"), std::string::npos) << malformed.err;
  EXPECT_FALSE(std::filesystem::exists(output));

  const RunResult missing = RunBinary({"edit", "--script", dir.File("absent.json")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("absent.json"), std::string::npos) << missing.err;

  const RunResult noScript = RunBinary({"edit"});
  EXPECT_EQ(noScript.status, 2);
}

}  // namespace
