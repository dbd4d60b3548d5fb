#include "dialogs/my_setup_dlg.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/resources.h"
#include "unittests/dialogs/dialog_test_support.h"

namespace {

constexpr UINT kDialogId = 9200;
enum : int { kKpEdit = 100, kKffaEdit = 101, kMicrostepsEdit = 102, kMotorCurrentEdit = 103 };

constexpr char kTemplate[] = R"({
  "id": 9200, "caption": "Gains", "w": 200, "h": 120,
  "controls": [
    {"id": 1, "class": "button", "text": "OK", "x": 80, "y": 100, "w": 50, "h": 14, "style": ["default"]},
    {"id": 2, "class": "button", "text": "Cancel", "x": 140, "y": 100, "w": 50, "h": 14},
    {"id": 100, "class": "edit", "x": 10, "y": 10, "w": 60, "h": 14},
    {"id": 101, "class": "edit", "x": 10, "y": 30, "w": 60, "h": 14},
    {"id": 102, "class": "edit", "x": 10, "y": 50, "w": 60, "h": 14},
    {"id": 103, "class": "edit", "x": 10, "y": 70, "w": 60, "h": 14}
  ]
})";

class GainsDlg : public CMySetupDlg {
 public:
  explicit GainsDlg(CVX_Setup* setup) : CMySetupDlg(setup, kDialogId) {
    AddParameterControls("Kp_C_scl", kKpEdit);
    AddParameterControls("KFFA_scl", kKffaEdit);
    AddParameterControls("NoMicroStepsPerStep", kMicrostepsEdit);
    AddParameterControls("In", kMotorCurrentEdit);
  }
};

class MySetupDlgTest : public dialogtest::DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    auto resources = std::make_shared<platform::ResourceSet>(platform::CurrentResources());
    const auto errors = platform::AddDialogText(*resources, kTemplate, "gains test");
    ASSERT_TRUE(errors.empty()) << errors.front();
    platform::SetCurrentResources(resources);
    UseExample(dialogtest::kClosedLoopIncremental);
  }

  platform::ScriptRun Edit(platform::UserScript& script) {
    GainsDlg dialog(setup.get());
    return Run(script, [&] { return dialog.DoModal(); });
  }
};

// The value shown after an edit is the one the registers hold: mantissa
// times two to the shift over 32767.
TEST_F(MySetupDlgTest, EditedGainShowsTheQuantisedValue) {
  platform::UserScript script;
  script.Type(kKpEdit, "1.23456").Click(IDOK);
  const platform::ScriptRun run = Edit(script);
  ASSERT_TRUE(run.ok) << run.failure;

  const double kp = Base("Kp_C_scl");
  EXPECT_EQ(kp, Internal("KPI") * std::ldexp(1.0, static_cast<int>(Internal("SFTKPI"))) / 32767.0);
  EXPECT_NEAR(kp, 1.23456, 1.23456 / 16384.0);
  EXPECT_NE(kp, 1.23456);
}

TEST_F(MySetupDlgTest, AccelerationFeedForwardIsRoundTripped) {
  const double kffaBefore = Internal("KFFA");
  platform::UserScript script;
  script.Type(kKffaEdit, "0.3333333").Click(IDOK);
  ASSERT_TRUE(Edit(script).ok);
  EXPECT_NE(Internal("KFFA"), kffaBefore);
  EXPECT_NE(Base("KFFA_scl"), 0.3333333);
  EXPECT_NEAR(Base("KFFA_scl"), 0.3333333, 0.3333333 * 1e-3);
}

// The step units follow the microstep count at once, so a position shown in
// microsteps changes its factor with it.
TEST_F(MySetupDlgTest, MicrostepCountRebuildsTheStepUnits) {
  UseExample(dialogtest::kOpenLoop);
  const CVX_Unit* before = setup->FindUnit("µsteps");
  ASSERT_NE(before, nullptr);
  const double factorBefore = before->factor;
  const double microstepsBefore = Base("NoMicroStepsPerStep");
  ASSERT_NE(microstepsBefore, 64.0);
  platform::UserScript script;
  script.Type(kMicrostepsEdit, "64").Click(IDOK);
  ASSERT_TRUE(Edit(script).ok);
  const CVX_Unit* after = setup->FindUnit("µsteps");
  ASSERT_NE(after, nullptr);
  EXPECT_DOUBLE_EQ(after->factor, factorBefore * 64.0 / microstepsBefore);
}

TEST_F(MySetupDlgTest, MaxCurrentFollowsTheSmallerNominalCurrent) {
  platform::UserScript script;
  script.Type(kMotorCurrentEdit, "1.5").Click(IDOK);
  ASSERT_TRUE(Edit(script).ok);
  EXPECT_DOUBLE_EQ(setup->FindParameter("MAX_CURRENT")->GetMaximum(), Base("In"));
  EXPECT_LE(Base("MAX_CURRENT"), Base("In") + 1e-9);
}

}  // namespace
