#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "kernel/coff_format.h"
#include "kernel/program_image.h"
#include "kernel/program_run.h"
#include "unittests/support/environment.h"
#include "unittests/support/kernel_errors.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kMinimal =
    R"({"program": "Tiny", "variables": [{"name": "STARTED", "type": "int16", "role": "output"}]})";

TEST(ProgramImage, ADescriptorGivesNameVariablesAndTheirRoles) {
  const auto parse = kernel::ParseProgramImage(R"({
    "program": "Tiny", "description": "a test",
    "variables": [
      {"name": "STARTED", "type": "int16", "role": "output"},
      {"name": "In1", "type": "int16", "role": "inout", "meaning": "current"},
      {"name": "b0", "type": "double", "role": "input"},
      {"name": "delta_time", "type": "int32", "role": "output"}],
    "driveVariables": [{"name": "REFTST_V"}],
    "logs": ["IQ"], "commands": ["!CAP;"]})",
                                               "tiny.json");
  ASSERT_TRUE(parse.image) << parse.error;
  const kernel::ProgramImage& image = *parse.image;
  EXPECT_EQ(image.name, "Tiny");
  ASSERT_EQ(image.variables.size(), 4u);
  EXPECT_EQ(image.FindVariable("in1")->role, kernel::ProgramVariableRole::kInOut);
  EXPECT_EQ(image.FindVariable("B0")->type, kernel::ValueType::kDouble);
  EXPECT_EQ(image.FindVariable("delta_time")->type, kernel::ValueType::kInt32);
  EXPECT_EQ(image.FindVariable("In2"), nullptr);
  EXPECT_EQ(image.driveVariables[0].name, "REFTST_V");
  EXPECT_EQ(image.logs, std::vector<std::string>{"IQ"});
  EXPECT_EQ(image.commands, std::vector<std::string>{"!CAP;"});
}

TEST(ProgramImage, EveryFaultIsNamedWithItsPlace) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"{\"program\": \"Tiny\",", "tiny.json: parse error at line 1, column 20"},
      {"[]", "tiny.json: must be an object, found array"},
      {R"({"variables": []})", "tiny.json: missing \"program\""},
      {R"({"program": "Tiny"})", "tiny.json: missing \"variables\""},
      {R"({"program": "Tiny", "variables": []})", "must declare its output \"STARTED\""},
      {R"({"program": "Tiny", "variables": [{"name": "STARTED", "type": "int16", "role": "input"}]})",
       "\"STARTED\" must be an output"},
      {R"({"program": "Tiny", "variables": [{"name": "STARTED", "type": "float", "role": "output"}]})",
       "tiny.json: variables[0].type: must be one of \"int16\", \"uint16\", \"int32\", \"uint32\", \"double\", found \"float\""},
      {R"({"program": "Tiny", "variables": [{"name": "STARTED", "type": "constant", "role": "output"}]})",
       "variables[0].type: must be one of"},
      {R"({"program": "Tiny", "variables": [{"name": "STARTED", "type": "int16", "role": "both"}]})",
       "tiny.json: variables[0].role: must be one of \"input\", \"output\", \"inout\", found \"both\""},
      {R"({"program": "Tiny", "variables": [{"name": "STARTED", "type": "int16", "role": "output"},
           {"name": "started", "type": "int16", "role": "output"}]})",
       "variables[1]: the variable \"started\" is declared twice"},
      {R"({"program": "Tiny", "variables": [{"name": "STARTED", "type": "int16", "role": "output", "unit": "A"}]})",
       "tiny.json: variables[0].unit: unknown key (expected one of: name, type, role, meaning)"},
      {R"({"program": "Tiny", "variables": [{"name": "STARTED", "type": "int16", "role": "output"}], "log": []})",
       "tiny.json: log: unknown key (expected one of: program, description, variables, driveVariables, logs, commands)"},
      {R"({"program": "Tiny", "variables": [{"name": "STARTED", "type": "int16", "role": "output"}], "logs": [""]})",
       "tiny.json: logs[0]: must not be empty"},
  };
  for (const Case& c : cases) {
    const auto parse = kernel::ParseProgramImage(c.text, "tiny.json");
    EXPECT_FALSE(parse.image) << c.text;
    EXPECT_NE(parse.error.find(c.expected), std::string::npos) << c.text << "\n gave: " << parse.error;
  }
}

TEST(ProgramImage, ReadCoffReportsAMissingMalformedOrMisnamedFile) {
  testsupport::TempDir dir;
  testsupport::ErrorCapture errors;

  CVX_CoffFormat missing((dir.path() / "Nowhere.json").string());
  EXPECT_EQ(missing.ReadCoff(), 0);
  EXPECT_FALSE(missing.IsLoaded());
  EXPECT_NE(missing.GetErrorText().find("Nowhere.json\" does not exist"), std::string::npos);

  CVX_CoffFormat malformed(dir.Write("Tiny.json", "{\"program\": \"Tiny\""));
  EXPECT_EQ(malformed.ReadCoff(), 0);
  EXPECT_NE(malformed.GetErrorText().find("Tiny.json: parse error"), std::string::npos);

  CVX_CoffFormat misnamed(dir.Write("Other.json", kMinimal));
  EXPECT_EQ(misnamed.ReadCoff(), 0);
  EXPECT_NE(misnamed.GetErrorText().find("describes the program \"Tiny\""), std::string::npos);

  ASSERT_EQ(errors.errors.size(), 3u) << "each failure is reported";
  EXPECT_EQ(errors.errors[0], missing.GetErrorText());

  CVX_CoffFormat good(dir.Write("tiny.json", kMinimal));
  ASSERT_NE(good.ReadCoff(), 0) << "the file name matches without regard to case";
  EXPECT_EQ(good.GetProgramName(), "Tiny");
  good.SetPath(dir.path() / "Nowhere.json");
  EXPECT_FALSE(good.IsLoaded()) << "a new path forgets the image";
}

TEST(ProgramPaths, TheEnvironmentThenTheDataFolderBesideTheProgram) {
  testsupport::TempDir dir;
  {
    testsupport::ScopedEnv programs("DRIVESETUP_PROGRAMS_DIR", dir.path().string());
    EXPECT_EQ(kernel::GetOutPathName("VDC_Detection_Test"), (dir.path() / "VDC_Detection_Test.json").string());
  }
  testsupport::ScopedEnv noPrograms("DRIVESETUP_PROGRAMS_DIR", std::nullopt);
  testsupport::ScopedEnv noResources("DRIVESETUP_RESOURCES_DIR", std::nullopt);
  {
    testsupport::ScopedEnv gui("DRIVESETUP_GUI_DIR", (dir.path() / "gui").string());
    EXPECT_EQ(kernel::ProgramsDirectory(), (dir.path() / "gui" / "programs").string());
    EXPECT_EQ(kernel::ResourcesDirectory(), (dir.path() / "gui").string());
  }
  // This test program runs from <build>/bin, where the build keeps a copy of
  // the data files in <build>/share/drivesetup, as an installation does.
  testsupport::ScopedEnv noGui("DRIVESETUP_GUI_DIR", std::nullopt);
  const fs::path data = fs::path(DRIVESETUP_BINARY_DIR) / "share" / "drivesetup";
  EXPECT_TRUE(fs::equivalent(kernel::ResourcesDirectory(), data));
  EXPECT_TRUE(fs::equivalent(kernel::ProgramsDirectory(), data / "programs"));
  EXPECT_TRUE(fs::exists(fs::path(kernel::ProgramsDirectory()) / "VDC_Detection_Test.json"));
}

}  // namespace
