#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "host_test_support.h"
#include "unittests/support/example_setups.h"

namespace {

using namespace host_test;

const std::string kExample = testsupport::ExamplePath("two_phase_open_loop");

// Raises the run current and the stand-by current, then presses `button`.
std::string EditScript(const std::string& button) {
  return R"([
    {"do": "expect-dialog", "caption": "Drive Setup"},
    {"do": "type", "id": 3416, "text": "2"},
    {"do": "type", "id": 3211, "text": "1.25"},
    {"do": "click", "id": )" + button + R"(}
  ])";
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

// A setup file keeps values to 15 or 17 digits and a conversion and its
// inverse differ in the last bits; only what differs beyond that changed.
TEST(EditCommandChanges, PlainOkListsOnlyValuesThatReallyChanged) {
  TempDir dir;
  const std::string script = dir.File("ok.json");
  WriteFile(script, R"([{"do": "click", "id": 1}])");
  for (const char* example : {"two_phase_open_loop", "open_loop_step_loss_encoder", "closed_loop_incremental_1000",
                              "closed_loop_ssi_17bit", "three_phase_open_loop"}) {
    SCOPED_TRACE(example);
    const std::string input = std::string(DRIVESETUP_SOURCE_DIR "/examples/") + example + ".json";
    const RunResult edit = RunBinary({"--setup", input, "edit", "--script", script, "--json"});
    ASSERT_EQ(edit.status, 0) << edit.err;
    const nlohmann::json changed = nlohmann::json::parse(edit.out)["changed"]["parameters"];
    std::vector<std::string> args{"--setup", input, "get", "--json"};
    for (const auto& [name, value] : changed.items()) args.push_back(name);
    if (changed.empty()) continue;
    const RunResult get = RunBinary(args);
    ASSERT_EQ(get.status, 0) << get.err;
    const nlohmann::json before = nlohmann::json::parse(get.out)["parameters"];
    for (const auto& [name, value] : changed.items()) {
      const double a = before[name]["internal"].get<double>();
      const double b = value["internal"].get<double>();
      EXPECT_GT(std::fabs(a - b), 1e-13 * std::max(std::fabs(a), std::fabs(b))) << name << ": " << a << " " << b;
    }
  }
}

// A value the dialog cannot take is a message box the person reads and
// closes; a script that does not answer it fails and says so.
TEST_F(EditCommand, RefusedEntryIsAMessageTheScriptMustAnswer) {
  const std::string typed = R"(
    {"do": "type", "id": 3416, "text": "2 A"},
    {"do": "click", "id": 1})";
  const RunResult unanswered = Edit("[" + typed + "]");
  EXPECT_EQ(unanswered.status, 1);
  EXPECT_NE(unanswered.err.find("\"2 A\" is not a number"), std::string::npos) << unanswered.err;
  EXPECT_FALSE(std::filesystem::exists(output));

  const double before = SavedBase(input, "RunCurrent");
  const RunResult answered = Edit(R"([{"do": "answer", "text": "\"2 A\" is not a number. Type the number alone, )"
                                  R"(in the unit the dialog shows for it; RunCurrent keeps its value.", "button": "ok"},)" +
                                  typed + "]");
  ASSERT_EQ(answered.status, 0) << answered.err;
  EXPECT_EQ(answered.err, "");
  EXPECT_NEAR(SavedBase(output, "RunCurrent"), before, 1e-9);
}

// The registers are computed from the values set before the dialog opens,
// so the dialog shows them (as the drive will use them).
TEST_F(EditCommand, SetBeforeEditHolds) {
  WriteFile(input, ReadFile(DRIVESETUP_SOURCE_DIR "/examples/closed_loop_incremental_1000.json"));
  const std::string scriptFile = dir.File("script.json");
  WriteFile(scriptFile, R"([
    {"do": "expect", "id": 3173, "text": "1.49998"},
    {"do": "click", "id": 1}
  ])");
  const RunResult run = RunBinary({"--setup", input, "--set", "Kp_C_scl=1.5", "edit", "--script", scriptFile, "--out", output});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NEAR(SavedBase(output, "Kp_C_scl"), 1.5, 1e-4);
}

// A register that the computation gives its own value cannot be set for
// the dialog; the refusal says which and what to set instead.
TEST_F(EditCommand, SetOfAComputedRegisterWithEditIsRefused) {
  const std::string scriptFile = dir.File("script.json");
  WriteFile(scriptFile, R"([{"do": "click", "id": 1}])");
  const RunResult run = RunBinary({"--setup", input, "--set", "KPI=1000", "edit", "--script", scriptFile, "--out", output});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("--set KPI=1000"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("edit"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(EditCommand, ListShowsEveryControlAndKeepsTheSetup) {
  const RunResult text = RunBinary({"--setup", input, "edit", "--list", "--out", output});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("dialog \"Drive Setup\" (template 106)"), std::string::npos) << text.out;
  bool tuneButton = false;
  for (const std::string& line : host_test::Lines(text.out))
    if (line.find("3137") != std::string::npos && line.find("button") != std::string::npos &&
        line.find("\"Tune && Test\"") != std::string::npos)
      tuneButton = true;
  EXPECT_TRUE(tuneButton) << text.out;
  EXPECT_FALSE(std::filesystem::exists(output));

  const RunResult json = RunBinary({"--setup", input, "edit", "--list", "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  const nlohmann::json listed = nlohmann::json::parse(json.out)["lists"];
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0]["dialog"], "Drive Setup");
  EXPECT_EQ(listed[0]["template"], 106);
  bool runCurrent = false;
  for (const nlohmann::json& control : listed[0]["controls"]) {
    if (control["id"] != 3416) continue;
    runCurrent = true;
    EXPECT_EQ(control["class"], "edit");
    EXPECT_EQ(control["visible"], true);
    EXPECT_FALSE(control.contains("checked"));
  }
  EXPECT_TRUE(runCurrent);

  EXPECT_EQ(RunBinary({"edit", "--list", "--script", dir.File("any.json")}).status, 2);
}

TEST_F(EditCommand, ListStepPrintsBeforeTheResult) {
  const RunResult run = Edit(R"([{"do": "list"}, {"do": "click", "id": 1}])");
  ASSERT_EQ(run.status, 0) << run.err;
  const size_t listing = run.out.find("dialog \"Drive Setup\"");
  const size_t result = run.out.find("EditSetup: OK (1)");
  ASSERT_NE(listing, std::string::npos) << run.out;
  ASSERT_NE(result, std::string::npos) << run.out;
  EXPECT_LT(listing, result);
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

// With --sim the test buttons reach the simulated drive, as a person's
// clicks reach a drive on the link: the speed tuning test runs from the
// Drive Setup dialog, and the run's current limit is kept with OK.
class EditCommandSim : public SimulatedCommandTest {
 protected:
  EditCommandSim() : SimulatedCommandTest("closed_loop_incremental_1000") {}
  RunResult EditWith(const std::vector<std::string>& options, const std::string& result) {
    const std::string scriptFile = dir.File("script.json");
    WriteFile(scriptFile, R"([
      {"do": "expect-dialog", "caption": "Drive Setup"},
      {"do": "click", "id": 3178},
      {"do": "expect-dialog", "caption": "Speed Controller Tuning Test"},
      {"do": "type", "id": 3284, "text": "2.2"},
      {"do": "tab", "id": 1300, "index": 1},
      {"do": "click", "id": 10000},
      {"do": "wait-until", "id": 10000, "text": "&Start", "ms": 60000},
      {"do": "expect", "id": 10001, "text": ")" + result + R"("},
      {"do": "click", "id": 1},
      {"do": "expect-dialog", "caption": "Drive Setup"},
      {"do": "click", "id": 1}
    ])");
    std::vector<std::string> args{"--setup", input};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), {"--out", output, "edit", "--script", scriptFile});
    return RunBinary(args);
  }
};

TEST_F(EditCommandSim, TheTestButtonsRunOnTheSimulatedDrive) {
  WriteFile(simulation, R"({"supply_V": 46})");
  const RunResult run = EditWith({"--sim", simulation}, "Test succeeded");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("EditSetup: OK (1)"), std::string::npos) << run.out;
  EXPECT_NEAR(SavedBase(output, "IlimPS"), 2.2, 1e-3) << "the test's OK copies its current limit";

  const RunResult withoutDrive = EditWith({}, "Test failed");
  EXPECT_EQ(withoutDrive.status, 0) << withoutDrive.err << "without --sim no drive answers";
}

}  // namespace
