#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui_test_support.h"
#include "platform/user_actions.h"

namespace uitest {
namespace {

using platform::ControlClass;
using platform::UserScript;

// Runs `check` inside the open sample dialog, then closes it with Cancel.
void InsideSample(SampleDialog& dialog, const std::function<void(SampleDialog&)>& check) {
  UserScript script;
  script.Call([&](CDialog&) { check(dialog); }).Click(IDCANCEL);
  const platform::ScriptRun run = platform::RunUserScript(script, [&] { return dialog.DoModal(); });
  EXPECT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDCANCEL);
}

using DialogWindows = UiTest;

TEST_F(DialogWindows, BuildsEveryControlClassWithItsState) {
  SampleDialog dialog;
  InsideSample(dialog, [](SampleDialog& d) {
    EXPECT_EQ(d.GetWindowText(), "Sample Test Dialog");
    const std::vector<std::pair<int, ControlClass>> classes{
        {kGainEdit, ControlClass::kEdit},          {kFilterCombo, ControlClass::kComboBox},
        {kProtectionCheck, ControlClass::kCheckBox}, {kSpeedRadio, ControlClass::kRadioButton},
        {IDOK, ControlClass::kPushButton},         {kMotorButton, ControlClass::kBitmapButton},
        {kWarningText, ControlClass::kStatic},     {kDiagramPicture, ControlClass::kPicture},
        {kSettingsGroup, ControlClass::kGroupBox}, {kPagesTab, ControlClass::kTab},
        {kGainSlider, ControlClass::kSlider},      {kGainSpin, ControlClass::kSpin},
        {kProgress, ControlClass::kProgress},      {kGraph, ControlClass::kGraph}};
    for (const auto& [id, cls] : classes) {
      ASSERT_NE(d.GetDlgItem(id), nullptr) << id;
      EXPECT_EQ(d.GetDlgItem(id)->GetControlClass(), cls) << id;
    }
    EXPECT_NE(dynamic_cast<CEdit*>(d.GetDlgItem(kGainEdit)), nullptr);
    EXPECT_NE(dynamic_cast<CButton*>(d.GetDlgItem(kSettingsGroup)), nullptr);
    EXPECT_NE(dynamic_cast<CSpinButtonCtrl*>(d.GetDlgItem(kGainSpin)), nullptr);
    // The data exchange attached the member: it is now the control's object.
    EXPECT_EQ(d.GetDlgItem(kFilterCombo), &d.filterCombo);
    EXPECT_EQ(d.GetDlgItem(kMeasuredEdit)->GetWindowText(), "0.5");
    EXPECT_FALSE(d.GetDlgItem(kWarningText)->IsWindowVisible());
    EXPECT_FALSE(d.GetDlgItem(kApplyButton)->IsWindowEnabled());
    EXPECT_EQ(d.GetDlgItem(IDOK)->GetParent(), &d);
    EXPECT_EQ(d.GetCheckedRadioButton(kPositionRadio, kTorqueRadio), kPositionRadio);

    const auto combo = platform::ReadControl(d, kFilterCombo);
    EXPECT_EQ(combo->items, (std::vector<std::string>{"LowPass, High", "Low pass", "High pass"}));
    EXPECT_EQ(d.filterCombo.GetItemData(2), 20U);
    EXPECT_EQ(combo->selection, -1);
    EXPECT_EQ(platform::ReadControl(d, kMotorButton)->bitmap, "TO_MOTORSETUP");
    EXPECT_EQ(platform::ReadControl(d, kDiagramPicture)->bitmap, "3017");
    EXPECT_EQ(platform::ReadControl(d, kPagesTab)->text, "Parameters");
    EXPECT_EQ(platform::ReadControl(d, kGainSlider)->text, "50");
    EXPECT_EQ(platform::ReadControl(d, kGainSpin)->text, "5");
    EXPECT_EQ(platform::ReadControl(d, kGraph)->text, "Graph") << "a widget's display shows its caption";
    EXPECT_FALSE(platform::ReadControl(d, 999).has_value());
  });
  // Destroyed with the dialog: the objects no longer reach a window.
  EXPECT_EQ(dialog.filterCombo.m_hWnd, nullptr);
  EXPECT_EQ(dialog.GetDlgItem(kGainEdit), nullptr);
  EXPECT_EQ(dialog.filterCombo.GetCount(), 0);
}

TEST_F(DialogWindows, AProgressBarStaysWithinItsRange) {
  SampleDialog dialog;
  InsideSample(dialog, [](SampleDialog& d) {
    auto* progress = dynamic_cast<CProgressCtrl*>(d.GetDlgItem(kProgress));
    ASSERT_NE(progress, nullptr);
    progress->SetRange32(0, 5);
    EXPECT_EQ(progress->SetPos(3), 0);
    EXPECT_EQ(platform::ReadControl(d, kProgress)->text, "3");
    progress->SetPos(9);
    EXPECT_EQ(progress->GetPos(), 5);
    progress->SetPos(-1);
    EXPECT_EQ(progress->GetPos(), 0);
    progress->SetPos(4);
    progress->SetRange32(0, 2);
    EXPECT_EQ(progress->GetPos(), 2) << "a narrower range moves the position into it";
    int lower = -1;
    int upper = -1;
    progress->GetRange(lower, upper);
    EXPECT_EQ(upper, 2);
  });
}

TEST_F(DialogWindows, ComboBoxKeepsSelectionAndItemDataThroughEdits) {
  SampleDialog dialog;
  InsideSample(dialog, [](SampleDialog& d) {
    CComboBox& combo = d.filterCombo;
    EXPECT_EQ(combo.SelectString(-1, "low"), 0);  // a prefix, case ignored, from the start
    EXPECT_EQ(combo.GetWindowText(), "LowPass, High");
    EXPECT_EQ(combo.SelectString(0, "low"), 1);  // searches after the start entry
    EXPECT_EQ(combo.FindString(1, "low"), 0);    // and wraps round
    EXPECT_EQ(combo.FindStringExact(-1, "HIGH PASS"), 2);
    EXPECT_EQ(combo.FindStringExact(-1, "High"), CB_ERR);
    EXPECT_EQ(combo.InsertString(0, "Notch"), 0);
    EXPECT_EQ(combo.GetCurSel(), 2);  // the selected entry moved down
    EXPECT_EQ(combo.GetItemData(2), 10U);
    EXPECT_EQ(combo.DeleteString(2), 3);
    EXPECT_EQ(combo.GetCurSel(), -1);
    EXPECT_EQ(combo.GetWindowText(), "");
    EXPECT_EQ(combo.SetCurSel(7), CB_ERR);
    EXPECT_EQ(combo.GetItemData(7), static_cast<DWORD_PTR>(CB_ERR));
    combo.SetWindowText("free text");  // a drop-down list takes no free text
    EXPECT_EQ(combo.GetWindowText(), "");
    combo.ResetContent();
    EXPECT_EQ(combo.GetCount(), 0);
  });
}

TEST_F(DialogWindows, WindowStateCallsReportThePreviousState) {
  SampleDialog dialog;
  InsideSample(dialog, [](SampleDialog& d) {
    CWnd* warning = d.GetDlgItem(kWarningText);
    EXPECT_FALSE(warning->ShowWindow(SW_SHOW));
    EXPECT_TRUE(warning->ShowWindow(SW_SHOW));
    CWnd* apply = d.GetDlgItem(kApplyButton);
    EXPECT_TRUE(apply->EnableWindow(TRUE));  // was disabled
    EXPECT_FALSE(apply->EnableWindow(FALSE));
    d.CheckRadioButton(kPositionRadio, kTorqueRadio, kTorqueRadio);
    EXPECT_EQ(d.IsDlgButtonChecked(kPositionRadio), 0U);
    EXPECT_EQ(d.GetCheckedRadioButton(kPositionRadio, kTorqueRadio), kTorqueRadio);
    d.CheckDlgButton(IDOK, BST_CHECKED);  // a push button keeps no check
    EXPECT_EQ(d.IsDlgButtonChecked(IDOK), 0U);

    BOOL translated = FALSE;
    d.SetDlgItemText(kGainEdit, " -42 ");
    EXPECT_EQ(static_cast<int>(d.GetDlgItemInt(kGainEdit, &translated)), -42);
    EXPECT_TRUE(translated);
    d.GetDlgItemInt(kGainEdit, &translated, FALSE);
    EXPECT_FALSE(translated);
    d.SetDlgItemText(kGainEdit, "4x");
    d.GetDlgItemInt(kGainEdit, &translated);
    EXPECT_FALSE(translated);

    auto* slider = static_cast<CSliderCtrl*>(d.GetDlgItem(kGainSlider));
    slider->SetPos(500);
    EXPECT_EQ(slider->GetPos(), 100);
    slider->SetRange(10, 20);
    EXPECT_EQ(slider->GetPos(), 20);
    auto* spin = static_cast<CSpinButtonCtrl*>(d.GetDlgItem(kGainSpin));
    spin->SetRange32(10, 0);  // a spin may count downwards
    EXPECT_EQ(spin->SetPos(-3), 5);
    EXPECT_EQ(spin->GetPos(), 0);
    spin->SetBuddy(d.GetDlgItem(kGainEdit));
    EXPECT_EQ(spin->GetBuddy(), d.GetDlgItem(kGainEdit));
  });
}

using PersonActions = UiTest;

TEST_F(PersonActions, TypingChangesTheTextThenLeavesTheEdit) {
  SampleDialog dialog;
  InsideSample(dialog, [](SampleDialog& d) {
    ASSERT_TRUE(platform::TypeInto(d, kGainEdit, "1.5").ok);
    EXPECT_EQ(d.log.back(), "leave 1.5");
    EXPECT_EQ(d.log[d.log.size() - 2], "change");
    EXPECT_EQ(CWnd::GetFocus(), nullptr);
    static_cast<CEdit*>(d.GetDlgItem(kGainEdit))->SetLimitText(3);
    ASSERT_TRUE(platform::TypeInto(d, kGainEdit, "123456").ok);
    EXPECT_EQ(d.GetDlgItemText(kGainEdit), "123");
    EXPECT_EQ(platform::TypeInto(d, kMeasuredEdit, "1").error, "the edit is read-only");
  });
}

TEST_F(PersonActions, ButtonsToggleChecksAndRadioGroupsStaySeparate) {
  SampleDialog dialog;
  InsideSample(dialog, [](SampleDialog& d) {
    d.CheckRadioButton(kOnRadio, kOffRadio, kOnRadio);
    ASSERT_TRUE(platform::Click(d, kSpeedRadio).ok);
    EXPECT_EQ(d.GetCheckedRadioButton(kPositionRadio, kTorqueRadio), kSpeedRadio);
    EXPECT_EQ(d.IsDlgButtonChecked(kOnRadio), static_cast<UINT>(BST_CHECKED));  // another group
    EXPECT_EQ(d.log.back(), "mode 131");

    ASSERT_TRUE(platform::SetChecked(d, kProtectionCheck, true).ok);
    EXPECT_EQ(d.log.back(), "protection on");
    EXPECT_TRUE(d.GetDlgItem(kWarningText)->IsWindowVisible());
    const std::size_t before = d.log.size();
    ASSERT_TRUE(platform::SetChecked(d, kProtectionCheck, true).ok);  // already checked: no click
    EXPECT_EQ(d.log.size(), before);
    ASSERT_TRUE(platform::Click(d, kProtectionCheck).ok);
    EXPECT_EQ(d.log.back(), "protection off");
    EXPECT_EQ(platform::SetChecked(d, kSpeedRadio, false).error,
              "a person cannot clear a radio button; click another button of its group");
  });
}

TEST_F(PersonActions, CombosTabsSlidersAndSpinsNotifyTheDialog) {
  SampleDialog dialog;
  InsideSample(dialog, [](SampleDialog& d) {
    ASSERT_TRUE(platform::SelectByText(d, kFilterCombo, "High pass").ok);
    EXPECT_EQ(d.log.back(), "filter 2 data 20");
    ASSERT_TRUE(platform::SelectByData(d, kFilterCombo, 10).ok);
    EXPECT_EQ(d.log.back(), "filter 1 data 10");
    EXPECT_EQ(platform::ReadControl(d, kFilterCombo)->text, "Low pass");

    ASSERT_TRUE(platform::SelectTab(d, kPagesTab, 1).ok);
    EXPECT_EQ(d.log.back(), "page 1");
    d.lockPages = true;
    ASSERT_TRUE(platform::SelectTab(d, kPagesTab, 0).ok);
    EXPECT_EQ(platform::ReadControl(d, kPagesTab)->text, "Test");

    ASSERT_TRUE(platform::MoveSlider(d, kGainSlider, 70).ok);
    EXPECT_EQ(d.log.back(), "slide 180 code 8 pos 70");
    EXPECT_EQ(d.log[d.log.size() - 2], "slide 180 code 4 pos 70");
    EXPECT_FALSE(platform::MoveSlider(d, kGainSlider, 101).ok);

    ASSERT_TRUE(platform::ClickSpin(d, kGainSpin, 1).ok);
    EXPECT_EQ(d.log.back(), "spin 5 by 1");
    EXPECT_EQ(platform::ReadControl(d, kGainSpin)->text, "6");
  });
}

TEST_F(PersonActions, CtlColorHandlerPaintsTheWarningRed) {
  SampleDialog dialog;
  UserScript script;
  script.Expect(kMeasuredEdit, {.color = RGB(0, 0, 0)})
      .Check(kProtectionCheck, true)
      .Expect(kWarningText, {.visible = true, .color = kWarningRed})
      .Click(IDOK);
  const platform::ScriptRun run = RunSample(script, dialog);
  EXPECT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDOK);
}

// A dialog whose own table takes one command from the sample's and leaves
// every other message to the base tables.
class DerivedDialog : public SampleDialog {
 public:
  int asks = 0;

 private:
  void OnAskInstead() { ++asks; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedDialog, SampleDialog)
  ON_BN_CLICKED(kAskButton, &DerivedDialog::OnAskInstead)
END_MESSAGE_MAP()

using MessageMaps = UiTest;

TEST_F(MessageMaps, DerivedTablesComeFirstAndBaseTablesCatchTheRest) {
  DerivedDialog dialog;
  UserScript script;
  script.Click(kAskButton).Click(kTorqueRadio).Click(IDOK);
  const platform::ScriptRun run = platform::RunUserScript(script, [&] { return dialog.DoModal(); });
  EXPECT_TRUE(run.ok) << run.failure;  // no message box: the derived handler took the click
  EXPECT_EQ(dialog.asks, 1);
  EXPECT_EQ(dialog.log.back(), "mode 132");  // the sample's range handler
  EXPECT_EQ(run.result, IDOK);               // the framework's table: IDOK reaches OnOK
}

// Exchanges an integer with the sub-dialog's edit.
class ExchangeDialog : public CDialog {
 public:
  ExchangeDialog() : CDialog(kSubDialogId) {}
  void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, kSubEdit, value); }
  int value = 7;
};

using DataExchange = UiTest;

TEST_F(DataExchange, ATextThatIsNoNumberIsRefusedAndTheDialogStaysOpen) {
  ExchangeDialog dialog;
  UserScript script;
  script.Expect(kSubEdit, {.text = "7"})
      .Type(kSubEdit, "seven")
      .Answer("Please enter an integer.", IDOK)
      .Click(IDOK)
      .ExpectDialog("Sample Sub-dialog")  // still open: the exchange failed
      .Type(kSubEdit, " 42 ")
      .Click(IDOK);
  const platform::ScriptRun run = platform::RunUserScript(script, [&] { return dialog.DoModal(); });
  EXPECT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDOK);
  EXPECT_EQ(dialog.value, 42);
}

}  // namespace
}  // namespace uitest
