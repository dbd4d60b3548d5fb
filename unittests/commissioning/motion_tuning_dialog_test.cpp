// What the speed and position controller tuning dialogs share: OK copies
// the run's limits into the setup's and keeps the scope settings the person
// changed in the dialog, clearing unused ones.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "commissioning/position_tuning_test.h"
#include "commissioning/speed_tuning_test.h"
#include "commissioning/speed_tuning_test_controls.h"
#include "kernel/ui/test_base_ids.h"
#include "unittests/commissioning/test_dialog_support.h"

namespace commissioningtest {
namespace {

struct TuningDialog {
  const char* caption;
  const char* scopeSettings;
  const char* onlinePlot;
  std::function<std::unique_ptr<CDialog>(CVX_Setup*)> open;
};

class MotionTuningDialog : public TestDialogTest, public testing::WithParamInterface<TuningDialog> {};

TEST_P(MotionTuningDialog, OkCopiesTheLimitsAndClearsUnusedScopeSettings) {
  const TuningDialog& d = GetParam();
  UseExample(dialogtest::kClosedLoopIncremental);
  setup->SetOption(d.scopeSettings, "500 2");
  const std::unique_ptr<CDialog> test = d.open(setup.get());
  platform::UserScript script;
  // The two templates place the limits alike.
  script.ExpectDialog(d.caption)
      .Type(speed_tuning::kCurrentLimitEdit, "2.5")
      .Type(speed_tuning::kProtectionEdit, "3.5")
      .Click(testdlg::kOkButton);
  EXPECT_EQ(RunTest(*test, script), IDOK);
  EXPECT_NEAR(Base("IlimPS"), 2.5, 1e-3);
  EXPECT_NEAR(Base("Imax_Prot"), 3.5, 1e-3);
  EXPECT_EQ(setup->GetOptionNoError(d.scopeSettings), "");
}

TEST_P(MotionTuningDialog, OkKeepsTheScopeSettingsThePersonChanged) {
  const TuningDialog& d = GetParam();
  UseExample(dialogtest::kClosedLoopIncremental);
  SetInternal(d.onlinePlot, 1);
  const std::unique_ptr<CDialog> test = d.open(setup.get());
  platform::UserScript script;
  ChangeScopeSettings(script, d.caption, speed_tuning::kTabs, 400, 3).Click(testdlg::kOkButton);
  EXPECT_EQ(RunTest(*test, script), IDOK);
  EXPECT_EQ(setup->GetOptionNoError(d.scopeSettings), "400 3");
}

INSTANTIATE_TEST_SUITE_P(
    Tests, MotionTuningDialog,
    testing::Values(TuningDialog{"Speed Controller Tuning Test", "SpeedTuningOscSettings", "OnlinePlotS",
                                 [](CVX_Setup* s) { return std::make_unique<CTestSpeedTuning>(s); }},
                    TuningDialog{"Position Controller Tuning Test", "PositionTuningOscSettings", "OnlinePlotP",
                                 [](CVX_Setup* s) { return std::make_unique<CTestPositionTuning>(s); }}),
    [](const testing::TestParamInfo<TuningDialog>& info) {
      return std::string(info.param.scopeSettings).substr(0, std::string(info.param.scopeSettings).find("Tuning"));
    });

}  // namespace
}  // namespace commissioningtest
