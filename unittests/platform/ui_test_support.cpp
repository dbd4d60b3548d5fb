#include "platform/ui_test_support.h"

#include "platform/resources.h"
#include "unittests/support/ui_resources.h"

namespace uitest {

BEGIN_MESSAGE_MAP(SubDialog, CDialog)
  ON_BN_CLICKED(kSubAskButton, &SubDialog::OnAsk)
  ON_BN_CLICKED(kSubDeeperButton, &SubDialog::OnDeeper)
END_MESSAGE_MAP()

BOOL SubDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  SetDlgItemText(kSubEdit, "initial");
  return TRUE;
}

void SubDialog::OnOK() {
  text = GetDlgItemText(kSubEdit);
  CDialog::OnOK();
}

void SubDialog::OnAsk() {
  askResult = MessageBox("Close the sub-dialog?", "Sub", MB_YESNO | MB_ICONQUESTION);
  if (askResult == IDYES) EndDialog(IDYES);
}

void SubDialog::OnDeeper() {
  SubDialog deeper(this);
  deeperResult = deeper.DoModal();
  SetDlgItemText(kSubEdit, std::string("deeper returned ") + std::to_string(deeperResult));
}

BEGIN_MESSAGE_MAP(SampleDialog, CDialog)
  ON_EN_CHANGE(kGainEdit, &SampleDialog::OnChangeGain)
  ON_EN_KILLFOCUS(kGainEdit, &SampleDialog::OnKillFocusGain)
  ON_CBN_SELCHANGE(kFilterCombo, &SampleDialog::OnSelchangeFilter)
  ON_BN_CLICKED(kProtectionCheck, &SampleDialog::OnProtection)
  ON_CONTROL_RANGE(BN_CLICKED, kPositionRadio, kTorqueRadio, &SampleDialog::OnMode)
  ON_BN_CLICKED(kSubDialogButton, &SampleDialog::OnOpenSub)
  ON_BN_CLICKED(kAskButton, &SampleDialog::OnAsk)
  ON_BN_CLICKED(kTimerButton, &SampleDialog::OnStartTimer)
  ON_BN_CLICKED(kHelpButton, &SampleDialog::OnHelp)
  ON_NOTIFY(TCN_SELCHANGING, kPagesTab, &SampleDialog::OnSelchangingPages)
  ON_NOTIFY(TCN_SELCHANGE, kPagesTab, &SampleDialog::OnSelchangePages)
  ON_NOTIFY(UDN_DELTAPOS, kGainSpin, &SampleDialog::OnSpinDelta)
  ON_WM_TIMER()
  ON_WM_SHOWWINDOW()
  ON_WM_CTLCOLOR()
  ON_WM_CLOSE()
  ON_WM_HSCROLL()
END_MESSAGE_MAP()

BOOL SampleDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  filterCombo.SetItemData(filterCombo.AddString("Low pass"), 10);
  filterCombo.SetItemData(filterCombo.AddString("High pass"), 20);
  auto* pages = static_cast<CTabCtrl*>(GetDlgItem(kPagesTab));
  pages->InsertItem(0, "Parameters");
  pages->InsertItem(1, "Test");
  static_cast<CSliderCtrl*>(GetDlgItem(kGainSlider))->SetRange(0, 100);
  static_cast<CSliderCtrl*>(GetDlgItem(kGainSlider))->SetPos(50);
  static_cast<CSpinButtonCtrl*>(GetDlgItem(kGainSpin))->SetRange32(0, 10);
  static_cast<CSpinButtonCtrl*>(GetDlgItem(kGainSpin))->SetPos(5);
  CBitmap diagram;
  diagram.LoadBitmap(3017);
  static_cast<CStatic*>(GetDlgItem(kDiagramPicture))->SetBitmap(diagram);
  CheckRadioButton(kPositionRadio, kTorqueRadio, kPositionRadio);
  log.push_back("init");
  if (onInit) onInit(*this);
  return TRUE;
}

void SampleDialog::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, kFilterCombo, filterCombo);
}

BOOL SampleDialog::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message == WM_KEYDOWN && pMsg->wParam == static_cast<WPARAM>(kExpertLetter) &&
      GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) < 0 && GetKeyState(VK_SHIFT) < 0) {
    expert = !expert;
    log.push_back("chord");
    return TRUE;
  }
  return CDialog::PreTranslateMessage(pMsg);
}

void SampleDialog::OnChangeGain() { log.push_back("change"); }

void SampleDialog::OnKillFocusGain() {
  const std::string text = GetDlgItemText(kGainEdit);
  log.push_back("leave " + text);
  if (text == "bad") AfxMessageBox("The gain must be a number.", MB_OK | MB_ICONERROR);
}

void SampleDialog::OnSelchangeFilter() {
  const int selection = filterCombo.GetCurSel();
  log.push_back(std::string("filter ") + std::to_string(selection) + " data " +
                std::to_string(filterCombo.GetItemData(selection)));
}

void SampleDialog::OnProtection() {
  const bool on = IsDlgButtonChecked(kProtectionCheck) == BST_CHECKED;
  log.push_back(on ? "protection on" : "protection off");
  GetDlgItem(kWarningText)->ShowWindow(on ? SW_SHOW : SW_HIDE);
  GetDlgItem(kApplyButton)->EnableWindow(on);
}

void SampleDialog::OnMode(UINT id) { log.push_back(std::string("mode ") + std::to_string(id)); }

void SampleDialog::OnOpenSub() {
  SubDialog sub(this);
  subResult = sub.DoModal();
  subText = sub.text;
  log.push_back(std::string("sub returned ") + std::to_string(subResult));
}

void SampleDialog::OnAsk() {
  askResult = AfxMessageBox("Keep the new values?", MB_YESNOCANCEL | MB_ICONQUESTION);
  log.push_back(std::string("ask ") + std::to_string(askResult));
  if (askResult == IDYES) EndDialog(IDOK);
}

void SampleDialog::OnStartTimer() { SetTimer(1, 20); }

void SampleDialog::OnHelp() { HtmlHelpA(m_hWnd, "help/drive.chm", HH_HELP_CONTEXT, 262406); }

void SampleDialog::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent == 2) {
    // One shot: opens the sub-dialog once the dialog is on screen.
    KillTimer(2);
    OnOpenSub();
    return;
  }
  if (nIDEvent != 1) {
    CDialog::OnTimer(nIDEvent);
    return;
  }
  ++ticks;
  if (ticks == ticksToRun) KillTimer(1);
}

void SampleDialog::OnShowWindow(BOOL bShow, UINT nStatus) {
  CDialog::OnShowWindow(bShow, nStatus);
  log.push_back("show");
  if (bShow && openSubOnShow) SetTimer(2, 1);
}

HBRUSH SampleDialog::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
  HBRUSH brush = CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
  if (pWnd->GetDlgCtrlID() == kWarningText) pDC->SetTextColor(kWarningRed);
  return brush;
}

void SampleDialog::OnClose() {
  log.push_back("close");
  CDialog::OnClose();
}

void SampleDialog::OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
  log.push_back(std::string("slide ") + std::to_string(pScrollBar->GetDlgCtrlID()) + " code " +
                std::to_string(nSBCode) + " pos " + std::to_string(nPos));
}

void SampleDialog::OnSelchangingPages(NMHDR*, LRESULT* pResult) { *pResult = lockPages ? TRUE : FALSE; }

void SampleDialog::OnSelchangePages(NMHDR*, LRESULT*) {
  log.push_back(std::string("page ") + std::to_string(static_cast<CTabCtrl*>(GetDlgItem(kPagesTab))->GetCurSel()));
}

void SampleDialog::OnSpinDelta(NMHDR* pNMHDR, LRESULT* pResult) {
  const auto* change = reinterpret_cast<NMUPDOWN*>(pNMHDR);
  log.push_back(std::string("spin ") + std::to_string(change->iPos) + " by " + std::to_string(change->iDelta));
  *pResult = 0;
}

void UiTest::SetUp() {
  const std::shared_ptr<platform::ResourceSet> resources = testsupport::LoadProjectResources();
  ASSERT_TRUE(resources);
  for (const char* name : {"sample_test_dialog.json", "sample_sub_dialog.json"}) {
    const auto errors =
        platform::AddDialogFile(*resources, std::string(DRIVESETUP_SOURCE_DIR "/unittests/platform/data/") + name);
    ASSERT_TRUE(errors.empty()) << errors.front();
  }
  // Initialisation data of the filter combo, as resources/combos.json gives it.
  ASSERT_TRUE(resources->AddComboItems(kSampleDialogId, kFilterCombo, {"LowPass, High"}).empty());
  platform::SetCurrentResources(resources);
  timebase::SetCurrentClock(&clock);
}

void UiTest::TearDown() {
  EXPECT_TRUE(platform::OpenDialogs().empty());
  EXPECT_EQ(platform::RunningTimerCount(), 0);
  timebase::SetCurrentClock(nullptr);
  platform::SetCurrentResources(nullptr);
}

platform::ScriptRun UiTest::RunSample(platform::UserScript& script, SampleDialog& dialog) {
  return platform::RunUserScript(script, [&dialog] { return dialog.DoModal(); });
}

}  // namespace uitest
