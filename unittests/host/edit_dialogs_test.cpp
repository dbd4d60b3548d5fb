// `drivesetup edit --dialog NAME`: a user script written for the motor, the
// reference or the Filters dialog, played after the way there.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "dialogs/filters_controls.h"
#include "dialogs/motor_setup_controls.h"
#include "dialogs/reference_controls.h"
#include "host_test_support.h"
#include "unittests/support/example_setups.h"

namespace {

using namespace host_test;

const std::string kClosedLoop = testsupport::ExamplePath(testsupport::kClosedLoopIncremental);

using nlohmann::json;

class EditDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    input = dir.File("input.json");
    WriteFile(input, ReadFile(kClosedLoop));
    output = dir.File("output.json");
  }

  RunResult Edit(const std::string& dialog, const std::string& script) {
    const std::string scriptFile = dir.File("script.json");
    WriteFile(scriptFile, script);
    return RunBinary({"--setup", input, "edit", "--dialog", dialog, "--script", scriptFile, "--out", output});
  }

  nlohmann::json Saved(const std::vector<std::string>& names) {
    std::vector<std::string> args{"--setup", output, "get"};
    args.insert(args.end(), names.begin(), names.end());
    args.push_back("--json");
    const RunResult get = RunBinary(args);
    EXPECT_EQ(get.status, 0) << get.err;
    return get.status == 0 ? nlohmann::json::parse(get.out)["parameters"] : nlohmann::json::object();
  }

  TempDir dir;
  std::string input;
  std::string output;
};

// Edits the motor, presses OK in the motor dialog, then `driveSetupButton`
// (IDOK or IDCANCEL) in the Drive Setup dialog.
std::string MotorScript(int driveSetupButton) {
  using namespace motorsetup;
  return json::array({
                         {{"do", "expect-dialog"}, {"caption", "Step Motor and Load Setup"}},
                         {{"do", "type"}, {"id", kResistanceEdit}, {"text", "2.2"}},
                         {{"do", "type"}, {"id", kInductanceEdit}, {"text", "5.1"}},  // shown in mH
                         {{"do", "type"}, {"id", kStepsEdit}, {"text", "400"}},
                         {{"do", "select"}, {"id", kMotorSensorCombo}, {"text", "Sine/Cosine encoder"}},
                         {{"do", "click"}, {"id", kLinearRadio}},
                         {{"do", "click"}, {"id", kOkButton}},
                         {{"do", "expect-dialog"}, {"caption", "Drive Setup"}},
                         {{"do", "click"}, {"id", driveSetupButton}},
                     })
      .dump();
}

TEST_F(EditDialogs, MotorEditsAreSavedAfterOkInBothDialogs) {
  const RunResult run = Edit("motor", MotorScript(1));  // IDOK
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("EditSetup: OK (1)"), std::string::npos) << run.out;
  const nlohmann::json saved = Saved({"R", "L", "NoMotorSteps", "MotorSensorType", "TransmissionType"});
  EXPECT_NEAR(saved["R"]["value"].get<double>(), 2.2, 1e-9);
  EXPECT_NEAR(saved["L"]["value"].get<double>(), 0.0051, 1e-9);
  EXPECT_EQ(saved["NoMotorSteps"]["value"].get<double>(), 400.0);
  EXPECT_EQ(saved["MotorSensorType"]["value"].get<double>(), 2.0);
  EXPECT_EQ(saved["TransmissionType"]["value"].get<double>(), 1.0);
  // The figures the motor dialog derives for display stay out of the file.
  EXPECT_EQ(ReadFile(output).find("EquivCountsPerRev"), std::string::npos);
  EXPECT_EQ(ReadFile(input), ReadFile(kClosedLoop));
}

TEST_F(EditDialogs, CancelInTheDriveSetupKeepsNothing) {
  const RunResult run = Edit("motor", MotorScript(2));  // IDCANCEL
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("not OK (0)"), std::string::npos) << run.out;
  EXPECT_FALSE(std::filesystem::exists(output));
  EXPECT_EQ(ReadFile(input), ReadFile(kClosedLoop));
}

// Filters 1 and 3 on the speed feedback, filter 2 at the position
// controller output.
TEST_F(EditDialogs, FiltersAloneFillTheSlotsInTheOrderOfTheirPlaces) {
  using filters::kFilterControls;
  json script = json::array({{{"do", "expect-dialog"}, {"caption", "Filters"}}});
  const auto place = [&](int k, const char* location) {
    script.push_back({{"do", "check"}, {"id", kFilterControls[k - 1].onOff}, {"value", location != nullptr}});
    if (location) script.push_back({{"do", "select"}, {"id", kFilterControls[k - 1].location}, {"text", location}});
  };
  place(1, "Speed Feedback");
  place(2, "Position Controller Output");
  place(3, "Speed Feedback");
  for (int k = 4; k <= 10; ++k) place(k, nullptr);
  script.push_back({{"do", "click"}, {"id", filters::kOkButton}});
  const RunResult run = Edit("filters", script.dump());
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json saved = Saved({"SPDREF_BQ_INI", "IQREF_BQ_INI", "ASPD_BQ_INI"});
  EXPECT_EQ(saved["SPDREF_BQ_INI"]["value"].get<double>(), 1.0);
  EXPECT_EQ(saved["IQREF_BQ_INI"]["value"].get<double>(), 0.0);
  EXPECT_EQ(saved["ASPD_BQ_INI"]["value"].get<double>(), 2.0);
}

TEST_F(EditDialogs, TheReferenceIsReachedThroughExternalReference) {
  const RunResult run =
      Edit("reference", json::array({
                                        {{"do", "expect-dialog"}, {"caption", "External Reference Setup"}},
                                        {{"do", "click"}, {"id", reference::kDigitalRadio}},
                                        {{"do", "click"}, {"id", reference::kOkButton}},
                                        {{"do", "click"}, {"id", 1}},
                                    })
                            .dump());
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json saved = Saved({"ExternalReference", "isAnalogueReference"});
  EXPECT_EQ(saved["ExternalReference"]["value"].get<double>(), 1.0);
  EXPECT_EQ(saved["isAnalogueReference"]["value"].get<double>(), 0.0);
}

TEST_F(EditDialogs, AFailingStepIsNumberedInTheScriptAsWritten) {
  const RunResult run = Edit("motor", R"([
    {"do": "click", "id": 4242}
  ])");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("step 1 (click) in dialog \"Step Motor and Load Setup\", control 4242"), std::string::npos)
      << run.err;
  EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(EditDialogs, AnUnknownDialogIsAUsageError) {
  const RunResult run = Edit("gearbox", "[]");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("gearbox"), std::string::npos) << run.err;
}

}  // namespace
