#include "kernel/motor_database.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "unittests/support/environment.h"

namespace {

namespace fs = std::filesystem;

std::string Document(const std::string& motors) {
  return R"({"format": "drivesetup-motors", "version": 1, "motors": [)" + motors + "]}";
}

TEST(MotorDatabase, TheStandardDatabaseLoadsCleanlyWithFullMotorData) {
  const kernel::MotorDatabaseLoad load = kernel::LoadMotorDatabase(DRIVESETUP_SOURCE_DIR "/resources/motors.json");
  ASSERT_TRUE(load.errors.empty()) << load.errors.front();
  EXPECT_GE(load.database.motors.size(), 12u);
  std::set<double> types;
  for (const kernel::MotorEntry& motor : load.database.motors) {
    EXPECT_EQ(motor.values.size(), kernel::kMotorParameterNames.size()) << motor.name;
    types.insert(motor.Value("StepperMotorType").value_or(-1));
    // The peak current is never below the nominal one.
    EXPECT_GE(motor.Value("ImaxM"), motor.Value("In")) << motor.name;
  }
  EXPECT_EQ(types, (std::set<double>{0.0, 1.0}));
}

TEST(MotorDatabase, ADocumentThatIsNotADatabaseLoadsNothingAndSaysWhy) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"{", "parse error at line 1, column 2"},
      {std::string(100000, '[') + std::string(100000, ']'), "nested deeper than 16 levels"},
      {"[]", "must be an object, found array"},
      {R"({"format": "drivesetup-setup", "version": 1, "motors": []})", R"(format: must be "drivesetup-motors", found "drivesetup-setup")"},
      {R"({"format": "drivesetup-motors", "version": 2, "motors": []})", R"(version: version 2 is not one this program reads (it reads 1))"},
      {R"({"format": "drivesetup-motors", "version": 1, "motors": {}})", R"(motors: must be a list of motors, found object)"},
  };
  for (const auto& [text, cause] : cases) {
    const kernel::MotorDatabaseLoad load = kernel::ParseMotorDatabase(text);
    EXPECT_TRUE(load.database.motors.empty()) << text;
    ASSERT_EQ(load.errors.size(), 1u) << text;
    EXPECT_NE(load.errors.front().find(cause), std::string::npos) << load.errors.front();
  }
}

TEST(MotorDatabase, ABrokenEntryIsLeftOutAndTheOthersLoad) {
  const kernel::MotorDatabaseLoad load = kernel::ParseMotorDatabase(Document(R"(
    {"name": "Good", "In": 2, "R": 0.5},
    {"name": "Typo", "Inn": 2},
    {"name": "Negative", "R": -0.5},
    {"name": "Five phase", "StepperMotorType": 2},
    {"name": "Half step", "NoMotorSteps": 200.5},
    {"name": "Text", "L": "3 mH"},
    {"In": 1},
    "motor",
    {"name": "GOOD", "In": 3},
    {"name": "Other", "StepperMotorType": 1, "NoMotorSteps": 200})"));
  ASSERT_EQ(load.database.motors.size(), 2u);
  EXPECT_EQ(load.database.motors[0].name, "Good");
  EXPECT_EQ(load.database.motors[0].Value("R"), 0.5);
  EXPECT_EQ(load.database.motors[1].name, "Other");
  const std::vector<std::string> expected = {
      R"(motors[1].Inn: unknown key (expected one of: name, StepperMotorType, NoMotorSteps, In, ImaxM, K, R, L, Jm))",
      R"(motors[2].R: must be greater than 0)",
      R"(motors[3].StepperMotorType: must be 0 (bi-phase) or 1 (tri-phase))",
      R"(motors[4].NoMotorSteps: must be a whole number of steps, 1 or more)",
      R"(motors[5].L: must be a number, found "3 mH")",
      R"(motors[6]: missing "name")",
      R"(motors[7]: must be an object, found "motor")",
      R"(motors[8]: the name "GOOD" is already used by an earlier motor)",
  };
  EXPECT_EQ(load.errors, expected);
}

TEST(MotorDatabase, PutFindAndRemoveIgnoreLetterCaseAndTheTextReadsBackTheSame) {
  kernel::MotorDatabase database;
  database.Put({"Axis motor", {{"In", 2.8}, {"Jm", 4.8e-5}}});
  database.Put({"Spare", {{"StepperMotorType", 1.0}}});
  database.Put({"AXIS MOTOR", {{"In", 3.0}}});
  ASSERT_EQ(database.motors.size(), 2u);
  EXPECT_EQ(database.Find("axis motor")->name, "AXIS MOTOR");
  EXPECT_EQ(database.Find("axis motor")->Value("Jm"), std::nullopt);

  const kernel::MotorDatabaseLoad reread = kernel::ParseMotorDatabase(kernel::SerializeMotorDatabase(database));
  EXPECT_TRUE(reread.errors.empty());
  ASSERT_EQ(reread.database.motors.size(), 2u);
  EXPECT_EQ(reread.database.motors[0].values, database.motors[0].values);
  EXPECT_EQ(reread.database.motors[1].values, database.motors[1].values);

  EXPECT_TRUE(database.Remove("spare"));
  EXPECT_FALSE(database.Remove("spare"));
  EXPECT_EQ(database.motors.size(), 1u);
}

TEST(MotorDatabase, SavingCreatesTheDirectoryAndAFailureNamesTheFileAndLeavesNoTrace) {
  testsupport::TempDir dir;
  const std::string path = (dir.path() / "config" / "drivesetup" / "user_motors.json").string();
  kernel::MotorDatabase database;
  database.Put({"Mine", {{"In", 1.5}}});
  ASSERT_EQ(kernel::SaveMotorDatabase(database, path), "");
  const kernel::MotorDatabaseLoad load = kernel::LoadMotorDatabase(path);
  EXPECT_TRUE(load.errors.empty());
  EXPECT_FALSE(load.fileMissing);
  ASSERT_NE(load.database.Find("Mine"), nullptr);

  // A file where the directory should be.
  const std::string blocker = dir.Write("blocked", "x");
  const std::string cause = kernel::SaveMotorDatabase(database, blocker + "/user_motors.json");
  EXPECT_NE(cause.find(blocker), std::string::npos) << cause;
  EXPECT_EQ(kernel::SaveMotorDatabase(database, ""), "there is no place for the file: set DRIVESETUP_USER_MOTORS or HOME");
  std::vector<std::string> left;
  for (const auto& entry : fs::recursive_directory_iterator(dir.path())) left.push_back(entry.path().filename());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"blocked", "config", "drivesetup", "user_motors.json"}));
}

TEST(MotorDatabase, AMissingFileIsAnEmptyDatabaseAndAnUnreadableOneAnError) {
  testsupport::TempDir dir;
  const kernel::MotorDatabaseLoad missing = kernel::LoadMotorDatabase((dir.path() / "none.json").string());
  EXPECT_TRUE(missing.fileMissing);
  EXPECT_TRUE(missing.errors.empty());
  const kernel::MotorDatabaseLoad directory = kernel::LoadMotorDatabase(dir.path().string());
  EXPECT_FALSE(directory.errors.empty());
}

TEST(MotorDatabase, TheUserDatabaseLivesWhereTheEnvironmentSays) {
  {
    testsupport::ScopedEnv file("DRIVESETUP_USER_MOTORS", "/tmp/motors.json");
    testsupport::ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(kernel::UserMotorDatabasePath(), "/tmp/motors.json");
  }
  {
    testsupport::ScopedEnv file("DRIVESETUP_USER_MOTORS", "");
    testsupport::ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(kernel::UserMotorDatabasePath(), "/home/someone/.config/drivesetup/user_motors.json");
  }
  testsupport::ScopedEnv file("DRIVESETUP_USER_MOTORS", std::nullopt);
  testsupport::ScopedEnv home("HOME", std::nullopt);
  EXPECT_EQ(kernel::UserMotorDatabasePath(), "");
}

}  // namespace
