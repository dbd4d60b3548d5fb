#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "kernel/motor_database.h"
#include "kernel/parameter.h"
#include "kernel/setup.h"
#include "kernel/ui/edit_setup_dlg.h"
#include "platform/user_actions.h"
#include "platform/user_script.h"
#include "unittests/support/environment.h"
#include "unittests/support/kernel_errors.h"
#include "unittests/support/ui_resources.h"

namespace {

enum : int { kInEdit = 1159, kStepsEdit = 3350, kDatabases = 10010, kMotorNames = 10011, kSave = 10012,
             kDelete = 10013 };

constexpr char kTemplate[] = R"({
  "id": 9130, "caption": "Motor Editor Test", "w": 300, "h": 140,
  "controls": [
    {"id": 1, "class": "button", "text": "OK", "x": 240, "y": 120, "w": 50, "h": 14, "style": ["default"]},
    {"id": 1159, "class": "edit", "x": 10, "y": 10, "w": 60, "h": 14},
    {"id": 3350, "class": "edit", "x": 10, "y": 30, "w": 60, "h": 14},
    {"id": 10010, "class": "combo", "x": 100, "y": 10, "w": 80, "h": 60},
    {"id": 10011, "class": "combo", "x": 100, "y": 30, "w": 120, "h": 60, "style": ["editable"]},
    {"id": 10012, "class": "button", "text": "Save to User Database", "x": 100, "y": 50, "w": 90, "h": 14},
    {"id": 10013, "class": "button", "text": "Delete", "x": 200, "y": 50, "w": 40, "h": 14}
  ]
})";

constexpr char kStandardMotors[] = R"({"format": "drivesetup-motors", "version": 1, "motors": [
  {"name": "Small", "StepperMotorType": 0, "NoMotorSteps": 200, "In": 1.7, "ImaxM": 2.55, "K": 0.26, "R": 1.5,
   "L": 0.0028, "Jm": 8.2e-06},
  {"name": "Large", "StepperMotorType": 0, "NoMotorSteps": 200, "In": 6.0, "ImaxM": 8.4, "K": 0.75, "R": 0.4,
   "L": 0.0029, "Jm": 0.00027},
  {"name": "Tri", "StepperMotorType": 1, "NoMotorSteps": 200, "In": 3.5, "ImaxM": 5.0, "K": 0.45, "R": 0.9,
   "L": 0.0022, "Jm": 3e-05}
]})";

class MotorDlg : public CVX_EditSetupDlg {
 public:
  explicit MotorDlg(CVX_Setup* setup) : CVX_EditSetupDlg(setup, 9130, 1, {}) {
    AddParameterControls("In", kInEdit);
    AddParameterControls("NoMotorSteps", kStepsEdit);
    InitializeMotorEditor();
  }
  void OnChangedParameterValue(const std::string& name) override { changed.push_back(name); }

  std::vector<std::string> changed;
};

class MotorEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standardPath = dir.Write("motors.json", kStandardMotors);
    // The drive's current limits and the parameters of a setup; "L" is one
    // this drive lacks.
    const struct { const char* name; double low, high, value; int decimals; } parameters[] = {
        {"StepperMotorType", 0, 1, 0, 0}, {"NoMotorSteps", 4, 10000, 400, 0}, {"In", 0.001, 4.2, 1.0, 3},
        {"ImaxM", 0.001, 1000, 1.5, 3},   {"K", 0.0001, 100, 0.5, 4},         {"R", 0.001, 1000, 1.0, 4},
        {"Jm", 1e-9, 10, 1e-5, 9}};
    for (const auto& p : parameters) {
      CVX_Parameter* parameter = setup.AddParameter(p.name);
      parameter->InitLimits(p.low, p.high);
      parameter->SetDecimals(p.decimals);
      parameter->SetValueInBaseUnit(p.value);
    }
  }
  std::vector<std::string> Run(platform::UserScript& script) {
    MotorDlg dialog(&setup);
    script.Click(IDOK);
    const platform::ScriptRun run = platform::RunUserScript(script, [&] { return dialog.DoModal(); });
    EXPECT_TRUE(run.ok) << run.failure;
    return dialog.changed;
  }
  kernel::MotorDatabase UserMotors() {
    const kernel::MotorDatabaseLoad load = kernel::LoadMotorDatabase(userPath);
    EXPECT_TRUE(load.errors.empty());
    return load.database;
  }
  static std::vector<std::string> Items(CDialog& d, int id) { return platform::ReadControl(d, id)->items; }
  // What a person typing into the editable motor name box leaves in it.
  testsupport::ScopedTemplates templates{kTemplate};
  testsupport::TempDir dir;
  std::string standardPath;
  std::string userPath = (dir.path() / "user" / "user_motors.json").string();
  testsupport::ScopedEnv resourcesDir{"DRIVESETUP_RESOURCES_DIR", dir.path().string()};
  testsupport::ScopedEnv userMotors{"DRIVESETUP_USER_MOTORS", userPath};
  CVX_Setup setup;
  testsupport::ErrorCapture errors;
};

TEST_F(MotorEditorTest, OpeningListsTheDatabasesAndTheMotorsThatFitTheMotorType) {
  platform::UserScript script;
  script.Expect(kDatabases, {.text = "Standard"})
      .Expect(kMotorNames, {.text = ""})
      .Expect(kDelete, {.enabled = false})
      .Call([this](CDialog& d) {
        EXPECT_EQ(Items(d, kDatabases), (std::vector<std::string>{"Standard", "USER"}));
        EXPECT_EQ(Items(d, kMotorNames), (std::vector<std::string>{"Small", "Large"}));
        setup.SetParameterValueInBaseUnit("StepperMotorType", 1);
        static_cast<MotorDlg&>(d).FillMotorNameCombo();
        EXPECT_EQ(Items(d, kMotorNames), (std::vector<std::string>{"Tri"}));
      })
      .Select(kDatabases, "USER")
      .Expect(kDelete, {.enabled = true})
      .Call([](CDialog& d) {
        EXPECT_TRUE(Items(d, kMotorNames).empty());
        static_cast<MotorDlg&>(d).InitializeMotorEditor();  // a reload keeps the person's choice
      })
      .Expect(kDatabases, {.text = "USER"});
  EXPECT_TRUE(Run(script).empty());
  EXPECT_FALSE(std::filesystem::exists(userPath));
}

TEST_F(MotorEditorTest, ChoosingAMotorWritesWhatTheSetupHasClippedAndCallsBackForEachChange) {
  platform::UserScript script;
  script.Select(kMotorNames, "Large").Expect(kInEdit, {.text = "4.200"}).Expect(kStepsEdit, {.text = "200"});
  // "StepperMotorType" is already 0 and "L" is not in the setup.
  EXPECT_EQ(Run(script), (std::vector<std::string>{"NoMotorSteps", "In", "ImaxM", "K", "R", "Jm"}));
  EXPECT_DOUBLE_EQ(setup.GetParameterValueInBaseUnit("In"), 4.2);
  EXPECT_DOUBLE_EQ(setup.GetParameterValueInBaseUnit("ImaxM"), 8.4);
  EXPECT_DOUBLE_EQ(setup.GetParameterValueInBaseUnit("Jm"), 0.00027);

  platform::UserScript again;  // the next opening shows where the data came from
  again.Expect(kDatabases, {.text = "Standard"}).Expect(kMotorNames, {.text = "Large"});
  EXPECT_TRUE(Run(again).empty());
}

TEST_F(MotorEditorTest, SavingCreatesTheUserDatabaseAndReplacingAMotorAsksFirst) {
  const std::string question = "The USER database already has a motor named \"My motor\". Replace it?";
  platform::UserScript script;
  script.Click(kSave)
      .Answer("Type a name for the motor in the motor name box, then save again.", IDOK)
      .Type(kMotorNames, "  My motor ")
      .Click(kSave)
      .Expect(kDatabases, {.text = "USER"})
      .Expect(kMotorNames, {.text = "My motor"})
      .Expect(kDelete, {.enabled = true})
      .Call([this](CDialog&) { setup.SetParameterValueInBaseUnit("In", 2.0); })
      .Type(kMotorNames, "MY MOTOR")
      .Click(kSave)
      .Answer(question, IDNO)
      .Call([this](CDialog&) { EXPECT_DOUBLE_EQ(*UserMotors().Find("my motor")->Value("In"), 1.0); })
      .Click(kSave)
      .Answer(question, IDYES);
  Run(script);
  const kernel::MotorDatabase saved = UserMotors();
  ASSERT_EQ(saved.motors.size(), 1u);
  EXPECT_EQ(saved.motors[0].name, "MY MOTOR");
  EXPECT_EQ(saved.motors[0].values,
            (std::vector<std::pair<std::string, double>>{{"StepperMotorType", 0}, {"NoMotorSteps", 400},
                                                          {"In", 2.0}, {"ImaxM", 1.5}, {"K", 0.5}, {"R", 1.0},
                                                          {"Jm", 1e-5}}));
}

TEST_F(MotorEditorTest, DeletingAUserMotorAsksAndTheStandardDatabaseCannotBeChanged) {
  kernel::MotorDatabase user;
  user.Put({"A", {{"In", 1.0}}});
  user.Put({"B", {{"In", 2.0}}});
  ASSERT_EQ(kernel::SaveMotorDatabase(user, userPath), "");
  platform::UserScript script;
  script.Select(kDatabases, "USER")
      .Select(kMotorNames, "A")
      .Click(kDelete)
      .Answer("Delete the motor \"A\" from the USER database?", IDNO)
      .Call([this](CDialog&) { EXPECT_EQ(UserMotors().motors.size(), 2u); })
      .Click(kDelete)
      .Answer("Delete the motor \"A\" from the USER database?", IDYES)
      .Expect(kMotorNames, {.text = ""})
      .Call([](CDialog& d) { EXPECT_EQ(Items(d, kMotorNames), (std::vector<std::string>{"B"})); })
      .Type(kMotorNames, "C")
      .Click(kDelete)
      .Answer("The USER database has no motor named \"C\".", IDOK)
      .Select(kDatabases, "Standard")
      .Expect(kDelete, {.enabled = false});
  Run(script);
  const kernel::MotorDatabase left = UserMotors();
  ASSERT_EQ(left.motors.size(), 1u);
  EXPECT_EQ(left.motors[0].name, "B");
}

TEST_F(MotorEditorTest, BrokenFilesAreNamedWithTheCauseAndTheEditorKeepsWhatLoaded) {
  dir.Write("motors.json", R"({"format": "drivesetup-motors", "version": 1, "motors": [
    {"name": "Small", "In": 1.7}, {"name": "Broken", "R": 0}]})");
  std::filesystem::create_directories(dir.path() / "user");
  const std::string broken = R"({"motors": []})";
  dir.Write("user/user_motors.json", broken);
  platform::UserScript script;
  script
      .Answer("The motor database \"" + standardPath +
                  "\" could not be read completely:\nmotors[1].R: must be greater than 0\n"
                  "The motors that could be read are listed.",
              IDOK)
      .Answer("The motor database \"" + userPath +
                  "\" could not be read completely:\nmissing \"format\"\nmissing \"version\"\n"
                  "The motors that could be read are listed.",
              IDOK)
      .Call([](CDialog& d) {
        EXPECT_EQ(Items(d, kMotorNames), (std::vector<std::string>{"Small"}));
        // A reload, as after a change of motor type, does not repeat the messages.
        static_cast<MotorDlg&>(d).InitializeMotorEditor();
      })
      .Select(kMotorNames, "Small")
      .Expect(kInEdit, {.text = "1.700"})
      // Saving would overwrite what the person can still repair.
      .Type(kMotorNames, "Mine")
      .Click(kSave)
      .Answer("The USER database \"" + userPath +
                  "\" cannot be read, and saving would lose what it holds:\nmissing \"format\"\nmissing \"version\"\n"
                  "Correct or move the file, then save again.",
              IDOK);
  Run(script);
  std::ifstream file(userPath);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), broken);
}

TEST_F(MotorEditorTest, AMissingStandardDatabaseIsReportedAndTheUserOneStillWorks) {
  std::filesystem::remove(standardPath);
  platform::UserScript script;
  script
      .Answer("The motor database \"" + standardPath +
                  "\" could not be read completely:\nthe file does not exist\nThe motors that could be read are "
                  "listed.",
              IDOK)
      .Type(kMotorNames, "Mine")
      .Click(kSave);
  Run(script);
  EXPECT_NE(UserMotors().Find("Mine"), nullptr);
}

TEST(MotorEditorWithoutControls, ATemplateWithoutTheEditorIsLeftAlone) {
  testsupport::ScopedTemplates templates{R"({"id": 9131, "caption": "Plain", "w": 100, "h": 40,
    "controls": [{"id": 1, "class": "button", "text": "OK", "x": 40, "y": 20, "w": 50, "h": 14}]})"};
  testsupport::ErrorCapture errors;
  CVX_Setup setup;
  CVX_EditSetupDlg dialog(&setup, 9131, 1, {});
  dialog.InitializeMotorEditor();
  platform::UserScript script;
  script.Click(IDOK);
  EXPECT_TRUE(platform::RunUserScript(script, [&] { return dialog.DoModal(); }).ok);
  EXPECT_TRUE(errors.errors.empty());
  EXPECT_TRUE(setup.GetOptions().empty());
}

}  // namespace
