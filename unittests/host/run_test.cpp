#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "host/plugin_library.h"
#include "host_test_support.h"
#include "unittests/support/failure_expectations.h"

namespace {

using host_test::Lines;
using host_test::RunInProcess;
using host_test::RunResult;
using Json = nlohmann::json;
using testsupport::ExpectOneLineFailure;

class DriveSetupRun : public ::testing::Test {
 protected:
  void SetUp() override { host_test::WriteTestSetup(setupPath); }

  RunResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--setup", setupPath});
    return RunInProcess(args);
  }

  Json RunJson(std::vector<std::string> args) {
    args.push_back("--json");
    const RunResult r = Run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return Json::parse(r.out);
  }

  host_test::TempDir dir;
  std::string setupPath = dir.File("setup.json");
};

TEST_F(DriveSetupRun, JsonDocumentDescribesTheWholeSetup) {
  const Json doc = RunJson({"limits"});
  ASSERT_EQ(doc.size(), 4u);

  const Json& pwm = doc.at("parameters").at("PWM_freq");
  EXPECT_EQ(pwm.at("value"), 20000.0);
  EXPECT_EQ(pwm.at("internal"), 20000.0);
  EXPECT_EQ(pwm.at("min"), 1000.0);
  EXPECT_EQ(pwm.at("max"), 100000.0);
  EXPECT_EQ(pwm.at("unit"), "kHz") << "the display unit, not the family";

  const Json& gain = doc.at("parameters").at("Gain");
  EXPECT_TRUE(gain.at("min").is_null()) << "no limit is null, not an infinity";
  EXPECT_TRUE(gain.at("max").is_null());
  EXPECT_EQ(gain.at("unit"), "");

  EXPECT_EQ(doc.at("variables").at("APOS"), (Json{{"unit", "rad"}}));
  EXPECT_TRUE(doc.at("variables").contains("MER"));
  EXPECT_EQ(doc.at("units").at("Hz"), Json::array({"kHz"}));
  EXPECT_EQ(doc.at("options").at("MaxFilters"), "4");
}

TEST_F(DriveSetupRun, ParametersKeepTheSetupsOrder) {
  const RunResult r = Run({"limits", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  // Read from the text: a parsed nlohmann::json object sorts its keys.
  EXPECT_LT(r.out.find("\"Gain\""), r.out.find("\"PWM_freq\""));
  EXPECT_LT(r.out.find("\"PWM_freq\""), r.out.find("\"KPI\""));
  EXPECT_LT(r.out.find("\"KPI\""), r.out.find("\"NoMotorSteps\""));
}

TEST_F(DriveSetupRun, AssignmentsApplyInOrderInBaseUnits) {
  const Json doc = RunJson({"--set", "Gain=3", "get", "Gain", "PWM_freq", "--set", "gain=4", "--set", "PWM_freq=25000"});
  EXPECT_EQ(doc.at("parameters").at("Gain").at("value"), 4.0);
  EXPECT_EQ(doc.at("parameters").at("PWM_freq").at("value"), 25000.0) << "base Hz, not the kHz display unit";
}

TEST_F(DriveSetupRun, AssignmentsAreClippedAndFittedByTheKernel) {
  const Json doc = RunJson({"--set", "PWM_freq=1e9", "--set", "KPI=100.6", "get", "PWM_freq", "KPI"});
  EXPECT_EQ(doc.at("parameters").at("PWM_freq").at("value"), 100000.0);
  EXPECT_EQ(doc.at("parameters").at("KPI").at("internal"), 101.0);
}

TEST_F(DriveSetupRun, GetPrintsOnlyTheNamedParametersAsTheSetupSpellsThem) {
  const Json doc = RunJson({"get", "pwm_FREQ", "kpi", "KPI"});
  EXPECT_EQ(doc, (Json{{"parameters",
                        {{"PWM_freq", {{"value", 20000.0}, {"internal", 20000.0}, {"min", 1000.0}, {"max", 100000.0},
                                       {"unit", "kHz"}}},
                         {"KPI", {{"value", 100.0}, {"internal", 100.0}, {"min", nullptr}, {"max", nullptr},
                                  {"unit", ""}}}}}}));
}

TEST_F(DriveSetupRun, UnknownParameterIsAnError) {
  ExpectOneLineFailure(Run({"get", "KPI", "NoSuchThing"}), 1, "NoSuchThing");
  ExpectOneLineFailure(Run({"--set", "NoSuchThing=1", "roundtrip"}), 1, "NoSuchThing");
}

TEST_F(DriveSetupRun, BadValuesAreUsageErrors) {
  ExpectOneLineFailure(Run({"--set", "Gain=nan", "roundtrip"}), 2, "Gain");
  ExpectOneLineFailure(Run({"--set", "Gain=1,5", "roundtrip"}), 2, "1,5");
}

TEST_F(DriveSetupRun, ScaleOfAnUnscaledUnitIsOneAndZero) {
  EXPECT_EQ(RunJson({"scale", "rpm", "Limit_Speed"}), (Json{{"factor", 1.0}, {"offset", 0.0}}));
  const RunResult text = Run({"scale", "Hz", "PWM_freq"});
  EXPECT_EQ(text.out, "factor 1\noffset 0\n");
}

TEST_F(DriveSetupRun, InitParamPrintsOneResultPerName) {
  // Names that do not count leave the process-wide count alone.
  EXPECT_EQ(RunJson({"init-param", "Gain", "KPI", "Other"}), (Json{{"results", {1, 1, 1}}}));
  const RunResult text = Run({"init-param", "Gain", "KPI"});
  EXPECT_EQ(text.out, "Gain 1\nKPI 1\n");
}

TEST_F(DriveSetupRun, TextOutputNamesEveryParameterWithItsUnit) {
  const RunResult r = Run({"roundtrip"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Parameters (8):"), std::string::npos) << r.out;
  bool found = false;
  for (const std::string& line : Lines(r.out))
    if (line.find("PWM_freq") != std::string::npos) {
      found = true;
      EXPECT_NE(line.find("= 20000 Hz (20 kHz)"), std::string::npos) << line;
      EXPECT_NE(line.find("[1000, 100000]"), std::string::npos) << line;
    }
  EXPECT_TRUE(found);
  EXPECT_NE(r.out.find("MaxFilters = \"4\""), std::string::npos);
}

TEST_F(DriveSetupRun, SetupThatDoesNotLoadIsOneLine) {
  ExpectOneLineFailure(RunInProcess({"--setup", dir.File("absent.json"), "roundtrip"}), 1, "absent.json");

  host_test::WriteFile(dir.File("broken.json"), "{\"format\": \"drivesetup-setup\", \"version\": 1,");
  ExpectOneLineFailure(RunInProcess({"--setup", dir.File("broken.json"), "roundtrip"}), 1, "broken.json");

  host_test::WriteFile(dir.File("wrong.json"), "{\"bogus1\": 1, \"bogus2\": [], \"bogus3\": {}}");
  const RunResult r = RunInProcess({"--setup", dir.File("wrong.json"), "roundtrip"});
  ExpectOneLineFailure(r, 1, "more error");
}

TEST_F(DriveSetupRun, PluginThatDoesNotLoadIsOneLine) {
  ExpectOneLineFailure(Run({"--plugin", dir.File("libnothing.so"), "roundtrip"}), 1, "libnothing.so");
  // A library that loads but is not the plug-in: the first missing export is named.
  ExpectOneLineFailure(Run({"--plugin", DRIVESETUP_BINARY_DIR "/bin/libplatform.so", "roundtrip"}), 1,
                       "\"EditSetup\"");
}

TEST(DriveSetupDefault, PluginBesideTheProgramIsTheDefault) {
  namespace fs = std::filesystem;
  EXPECT_EQ(fs::weakly_canonical(host::DefaultPluginPath()),
            fs::weakly_canonical(DRIVESETUP_BINARY_DIR "/bin/libsclplugin.so"));
}

TEST(DriveSetupDefault, BundledSetupRunsEveryCommand) {
  for (const char* command : {"compute", "recover", "roundtrip", "limits", "options"}) {
    const RunResult r = RunInProcess({command, "--json"});
    EXPECT_EQ(r.status, 0) << command << ": " << r.err;
    EXPECT_FALSE(Json::parse(r.out).at("parameters").empty()) << command;
  }
}

TEST(DriveSetupDefault, CurrentGainSurvivesTheRoundTripQuantised) {
  // 1.5 needs one shift: 1.5 * 32767 / 2 = 24575.25, stored as 24575.
  const RunResult r = RunInProcess({"--set", "Kp_C_scl=1.5", "roundtrip", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  const Json parameters = Json::parse(r.out).at("parameters");
  EXPECT_EQ(parameters.at("SFTKPI").at("internal"), 1.0);
  EXPECT_EQ(parameters.at("KPI").at("internal"), 24575.0);
  const Json& kp = parameters.at("Kp_C_scl");
  EXPECT_DOUBLE_EQ(kp.at("value").get<double>(), 24575.0 * 2 / 32767);
  EXPECT_EQ(kp.at("min"), 0.0);
  EXPECT_EQ(kp.at("max"), 16384.0);
}

}  // namespace
