#include "kernel/ui/edit_setup_dlg.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>
#include <vector>

#include "kernel/parameter.h"
#include "kernel/setup.h"
#include "platform/message_loop.h"
#include "platform/resources.h"
#include "platform/user_actions.h"
#include "platform/user_script.h"
#include "timebase/clock.h"
#include "unittests/support/kernel_errors.h"
#include "unittests/support/ui_resources.h"

namespace {

constexpr UINT kDialogId = 9100;
enum : int { kSpeedEdit = 100, kSpeedUnit = 101, kRatioEdit = 102, kShownEdit = 103, kEnableCheck = 110,
             kFirstMode = 120, kLastMode = 122, kFilterCombo = 130 };

constexpr char kTemplate[] = R"({
  "id": 9100, "caption": "Edit Setup Test", "w": 300, "h": 200,
  "controls": [
    {"id": 1, "class": "button", "text": "OK", "x": 180, "y": 176, "w": 50, "h": 14, "style": ["default"]},
    {"id": 2, "class": "button", "text": "Cancel", "x": 240, "y": 176, "w": 50, "h": 14},
    {"id": 100, "class": "edit", "x": 10, "y": 10, "w": 60, "h": 14},
    {"id": 101, "class": "combo", "x": 80, "y": 10, "w": 60, "h": 60},
    {"id": 102, "class": "edit", "x": 10, "y": 30, "w": 60, "h": 14},
    {"id": 103, "class": "edit", "x": 80, "y": 30, "w": 60, "h": 14, "style": ["readonly"]},
    {"id": 110, "class": "check", "text": "Enable", "x": 10, "y": 50, "w": 60, "h": 10},
    {"id": 120, "class": "radio", "text": "Position", "x": 10, "y": 70, "w": 60, "h": 10, "style": ["group"]},
    {"id": 121, "class": "radio", "text": "Speed", "x": 10, "y": 82, "w": 60, "h": 10},
    {"id": 122, "class": "radio", "text": "Torque", "x": 10, "y": 94, "w": 60, "h": 10},
    {"id": 130, "class": "combo", "x": 10, "y": 110, "w": 80, "h": 60, "style": ["group"]}
  ]
})";

const double kRpmPerRadS = 60.0 / (2.0 * std::numbers::pi);

class TestDlg : public CVX_EditSetupDlg {
 public:
  explicit TestDlg(CVX_Setup* setup) : CVX_EditSetupDlg(setup, kDialogId) {}

  BOOL OnInitDialog() override {
    const BOOL result = CVX_EditSetupDlg::OnInitDialog();
    auto* filter = static_cast<CComboBox*>(GetDlgItem(kFilterCombo));
    filter->SetItemData(filter->AddString("Low pass"), 4);
    filter->SetItemData(filter->AddString("Notch"), 7);
    AddParameterControls("maxspeed", kSpeedEdit, kSpeedUnit);
    AddParameterControls("Ratio", kRatioEdit);
    AddCheckParameterControls("Enable", kEnableCheck);
    AddSwitchParameterControls("Mode", kFirstMode, kLastMode);
    AddSwitchComboParameterControls("Filter", kFilterCombo);
    return result;
  }
  void OnChangedParameterValue(const std::string& name) override { log.push_back("changed " + name); }
  void OnChangedParameterUnit(const std::string& name) override { log.push_back("unit " + name); }
  void OnRefreshParameterValue(const std::string& name) override { log.push_back("refresh " + name); }

  std::vector<std::string> log;
};

class EditSetupDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    timebase::SetCurrentClock(&clock);

    setup.AddUnitFamily("rad/s");
    setup.MergeDerivedUnit("rpm", "rad/s", kRpmPerRadS, 0.0);
    CVX_Parameter* speed = setup.AddParameter("MaxSpeed");
    speed->ChangeUnitType("rad/s");
    speed->InitLimits(0.0, 100.0);
    speed->SetDecimals(2);
    speed->SetValueInBaseUnit(10.0);
    CVX_Parameter* ratio = setup.AddParameter("Ratio");
    ratio->SetDecimals(2);
    ratio->SetValueInBaseUnit(1.23456);
    setup.AddParameter("Enable")->SetDecimals(0);
    setup.AddParameter("Mode")->SetValueInBaseUnit(1.0);
    setup.AddParameter("Filter")->SetValueInBaseUnit(7.0);
  }
  void TearDown() override {
    EXPECT_TRUE(platform::OpenDialogs().empty());
    timebase::SetCurrentClock(nullptr);
  }

  // Plays `script`, then closes the dialog with OK.
  void Run(platform::UserScript& script) {
    script.Click(IDOK);
    const platform::ScriptRun run = platform::RunUserScript(script, [this] { return dialog.DoModal(); });
    EXPECT_TRUE(run.ok) << run.failure;
    EXPECT_EQ(run.result, IDOK);
  }
  double Value(const char* name) { return setup.GetParameterValueInBaseUnit(name); }

  testsupport::ScopedTemplates templates{kTemplate};
  timebase::VirtualClock clock;
  CVX_Setup setup;
  TestDlg dialog{&setup};
  testsupport::ErrorCapture errors;
};

TEST_F(EditSetupDlgTest, OpeningShowsStoredValuesInDisplayUnits) {
  platform::UserScript script;
  script.Expect(kSpeedEdit, {.text = "10.00"})
      .Expect(kSpeedUnit, {.text = "rad/s"})
      .Expect(kRatioEdit, {.text = "1.23"})
      .Expect(kEnableCheck, {.checked = false})
      .Expect(kFirstMode + 1, {.checked = true})
      .Expect(kFilterCombo, {.text = "Notch"})
      .Call([](CDialog& d) {
        const auto units = platform::ReadControl(d, kSpeedUnit)->items;
        EXPECT_EQ(units, (std::vector<std::string>{"rad/s", "rpm"}));
      });
  Run(script);
  EXPECT_TRUE(dialog.log.empty());
}

TEST_F(EditSetupDlgTest, EditBeyondLimitShowsKeptValueThenCallsBack) {
  platform::UserScript script;
  script.Type(kSpeedEdit, "250").Expect(kSpeedEdit, {.text = "100.00"})
      .Type(kSpeedEdit, " -3 ").Expect(kSpeedEdit, {.text = "0.00"})
      .Type(kSpeedEdit, "+12.345").Expect(kSpeedEdit, {.text = "12.35"});
  Run(script);
  EXPECT_DOUBLE_EQ(Value("MaxSpeed"), 12.345);  // the display rounds, the setup keeps what was typed
  const std::vector<std::string> once{"changed MaxSpeed", "refresh MaxSpeed"};
  std::vector<std::string> expected;
  for (int i = 0; i < 3; ++i) expected.insert(expected.end(), once.begin(), once.end());
  EXPECT_EQ(dialog.log, expected);
}

TEST_F(EditSetupDlgTest, UnitSwitchConvertsShownAndTypedValues) {
  platform::UserScript script;
  script.Select(kSpeedUnit, "rpm")
      .Expect(kSpeedEdit, {.text = "95.49"})
      .Type(kSpeedEdit, "6000")  // 628 rad/s: beyond the limit
      .Expect(kSpeedEdit, {.text = "954.93"})
      .Select(kSpeedUnit, "rad/s")
      .Expect(kSpeedEdit, {.text = "100.00"});
  Run(script);
  EXPECT_DOUBLE_EQ(Value("MaxSpeed"), 100.0);
  EXPECT_EQ(setup.FindParameter("MaxSpeed")->GetUnitName(), "rad/s");
  EXPECT_EQ(dialog.log, (std::vector<std::string>{"unit MaxSpeed", "changed MaxSpeed", "refresh MaxSpeed",
                                                  "unit MaxSpeed"}));
}

// The person sees why the value was not taken, in a box to be answered.
TEST_F(EditSetupDlgTest, MalformedOrNonFiniteEntryIsRefusedWithAMessage) {
  platform::UserScript script;
  for (const char* text : {"12abc", "2 rad/s", "", "1,5", "inf", "nan", "1e999"}) {
    script.Answer(kernel::NotANumberMessage(text, "MaxSpeed"), IDOK)
        .Type(kSpeedEdit, text)
        .Expect(kSpeedEdit, {.text = "10.00"});
  }
  Run(script);
  EXPECT_DOUBLE_EQ(Value("MaxSpeed"), 10.0);
  EXPECT_TRUE(errors.errors.empty());
  EXPECT_TRUE(dialog.log.empty());
  EXPECT_EQ(kernel::NotANumberMessage("2 A", "RunCurrent"),
            "\"2 A\" is not a number. Type the number alone, in the unit the dialog shows for it; RunCurrent "
            "keeps its value.");
}

TEST_F(EditSetupDlgTest, UnansweredRefusalStopsTheScript) {
  platform::UserScript script;
  script.Type(kSpeedEdit, "2 rad/s").Click(IDOK);
  const platform::ScriptRun run = platform::RunUserScript(script, [this] { return dialog.DoModal(); });
  EXPECT_FALSE(run.ok);
  EXPECT_NE(run.failure.find(kernel::NotANumberMessage("2 rad/s", "MaxSpeed")), std::string::npos) << run.failure;
  EXPECT_DOUBLE_EQ(Value("MaxSpeed"), 10.0);
}

// A number the kernel cannot store is refused with the kernel's reason: here
// the speed's unit cannot convert while the plug-in's factor for it is 0.
TEST_F(EditSetupDlgTest, ValueTheKernelRefusesIsShownWithItsReason) {
  const kernel::ScaleFactorFn savedFactor = kernel::InstalledScaleFactor();
  const kernel::ScaleOffsetFn savedOffset = kernel::InstalledScaleOffset();
  platform::UserScript script;
  script.Call([](CDialog&) {
    kernel::SetUnitScaleFunctions([](CVX_Setup*, const char*, const char*) { return 0.0; },
                                  [](CVX_Setup*, const char*) { return 0.0; });
  });
  script.Answer("parameter \"MaxSpeed\": unit \"rad/s\" cannot convert now (factor 0, offset 0). MaxSpeed keeps its "
                "value.",
                IDOK)
      .Type(kSpeedEdit, "5");
  script.Call([&](CDialog&) { kernel::SetUnitScaleFunctions(savedFactor, savedOffset); });
  Run(script);
  kernel::SetUnitScaleFunctions(savedFactor, savedOffset);
  EXPECT_DOUBLE_EQ(Value("MaxSpeed"), 10.0);
  EXPECT_TRUE(errors.errors.empty());
  EXPECT_TRUE(dialog.log.empty());
}

TEST_F(EditSetupDlgTest, LeavingAnEditUnchangedKeepsTheFullValue) {
  platform::UserScript script;
  script.Type(kRatioEdit, "1.23").Expect(kRatioEdit, {.text = "1.23"});
  Run(script);
  EXPECT_DOUBLE_EQ(Value("Ratio"), 1.23456);
  EXPECT_TRUE(dialog.log.empty());
}

TEST_F(EditSetupDlgTest, CheckRadioAndComboWriteTheirValues) {
  platform::UserScript script;
  script.Click(kEnableCheck)
      .Click(kLastMode)
      .Expect(kFirstMode + 1, {.checked = false})
      .SelectData(kFilterCombo, 4)
      .Click(kEnableCheck);
  Run(script);
  EXPECT_DOUBLE_EQ(Value("Enable"), 0.0);
  EXPECT_DOUBLE_EQ(Value("Mode"), 2.0);
  EXPECT_DOUBLE_EQ(Value("Filter"), 4.0);
  EXPECT_EQ(dialog.log, (std::vector<std::string>{"changed Enable", "refresh Enable", "changed Mode", "refresh Mode",
                                                  "changed Filter", "refresh Filter", "changed Enable",
                                                  "refresh Enable"}));
}

TEST_F(EditSetupDlgTest, RefreshShowsValuesSetByCodeAndChildHelpersReachControls) {
  platform::UserScript script;
  script.Call([this](CDialog&) {
          setup.SetParameterValueInBaseUnit("MaxSpeed", 42.0);
          setup.SetParameterValueInBaseUnit("Mode", 0.0);
          dialog.RefreshParameterControls("MAXSPEED");
          dialog.ShowChildren({kFirstMode, kLastMode}, false);
          dialog.EnableChild(kRatioEdit, false);
          dialog.SetChildText(kEnableCheck, "Enabled");
        })
      .Expect(kSpeedEdit, {.text = "42.00"})
      .Expect(kFirstMode + 1, {.checked = true})  // not refreshed yet
      .Expect(kFirstMode, {.visible = false})
      .Expect(kRatioEdit, {.enabled = false})
      .Expect(kEnableCheck, {.text = "Enabled"})
      .Call([this](CDialog&) {
        setup.MergeDerivedUnit("krpm", "rad/s", kRpmPerRadS / 1000.0, 0.0);
        dialog.RefreshAllParametersWithCompatibleUnits("rad/s");
        dialog.RefreshAllParameters();
      })
      .Expect(kFirstMode, {.checked = true})
      .Call([](CDialog& d) {
        EXPECT_EQ(platform::ReadControl(d, kSpeedUnit)->items, (std::vector<std::string>{"rad/s", "rpm", "krpm"}));
      });
  Run(script);
}

TEST(EditSetupDlgBinding, MissingParameterIsReportedAndNotBound) {
  testsupport::ErrorCapture errors;
  CVX_Setup setup;
  CVX_EditSetupDlg dialog(&setup, kDialogId);
  dialog.AddParameterControls("NoSuchParameter", kSpeedEdit);
  EXPECT_EQ(errors.errors.size(), 1u);
}

TEST(ParameterText, FormatsPlainAndParsesStrictly) {
  EXPECT_EQ(kernel::FormatParameterValue(2.345, 2), "2.35");
  EXPECT_EQ(kernel::FormatParameterValue(-0.001, 2), "0.00");
  EXPECT_EQ(kernel::FormatParameterValue(1234.0, -2), "1200");
  EXPECT_EQ(kernel::FormatParameterValue(7.0, 0), "7");
  EXPECT_EQ(kernel::ParseParameterValue("1e3"), 1000.0);
  EXPECT_EQ(kernel::ParseParameterValue("\t-0.5 "), -0.5);
  EXPECT_EQ(kernel::ParseParameterValue("+-1"), std::nullopt);
  EXPECT_EQ(kernel::ParseParameterValue("+"), std::nullopt);
  EXPECT_EQ(kernel::ParseParameterValue("0x10"), std::nullopt);
}

}  // namespace

// A figure derived for display: bound and refreshed like a parameter, but
// never part of the setup, so it cannot reach a saved file.
TEST_F(EditSetupDlgTest, DialogParametersShowInTheirControlsAndStayOutOfTheSetup) {
  const int countBefore = setup.GetParametersCount();
  CVX_Parameter* shown = dialog.AddDialogParameter("EquivSpeed", *setup.FindParameter("MaxSpeed"));
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(dialog.AddDialogParameter("EQUIVSPEED", *setup.FindParameter("Ratio")), shown);
  shown->SetValueInBaseUnit(20.0);
  dialog.AddParameterControls("EquivSpeed", kShownEdit);

  platform::UserScript script;
  script.Expect(kShownEdit, {.text = "20.00"})
      .Call([&](CDialog&) {
        shown->SetValueInBaseUnit(30.0);
        dialog.RefreshParameterControls("equivspeed");
      })
      .Expect(kShownEdit, {.text = "30.00"});
  Run(script);
  EXPECT_EQ(setup.GetParametersCount(), countBefore);
  EXPECT_EQ(setup.FindParameter("EquivSpeed"), nullptr);
  EXPECT_EQ(shown->GetUnitType(), "rad/s");
}
