// The current tuning test's two pages, what shows on them, and the sliders.
#include <algorithm>

#include "commissioning/current_tuning_test.h"
#include "kernel/setup.h"
#include "kernel/ui/test_base_ids.h"
#include "platform/controls.h"

using namespace current_tuning;

namespace {

enum Page { kParametersPage = 0, kTestPage = 1 };

const std::vector<int> kParametersPageControls = {
    kTestCurrentEdit, kTestCurrentUnit, kProtectionEdit, kProtectionUnit,        kParametersGroup,
    kPicture,         kProcedureLabel,  kProcedureText,  testdlg::kPurposeCaption, testdlg::kPurposeText,
    kTestCurrentLabel, kProtectionLabel};

const std::vector<int> kTestPageControls = {
    testdlg::kStartStopButton, kGainsGroup,  kKpLabel,     kKpEdit,        kKpDown,          kKpSlider,
    kKpUp,                     kKpApply,     kKiLabel,     kKiEdit,        kKiDown,          kKiSlider,
    kKiUp,                     kKiApply,     kBandwidthLabel, kBandwidthEdit, kBandwidthUnit, kBandwidthDown,
    kBandwidthSlider,          kBandwidthUp, kTuneButton,  kGraph,         kSavePlotsButton, kResultLabel,
    kStatusLabel,              testdlg::kResultBox, testdlg::kStatusBox, testdlg::kProgressBar};

// The gains a person may not change while the step runs: during a run they
// change only through the bandwidth and "Tune".
const std::vector<int> kGainEditControls = {kKpEdit, kKpDown, kKpSlider, kKpUp, kKpApply,
                                            kKiEdit, kKiDown, kKiSlider, kKiUp, kKiApply};

}  // namespace

int CTestCurrent::CurrentPage() const {
  const auto* tabs = dynamic_cast<const CTabCtrl*>(GetDlgItem(kTabs));
  return tabs ? tabs->GetCurSel() : kParametersPage;
}

void CTestCurrent::ShowPage(int page) {
  CVX_Setup& setup = *GetSetup();
  const bool test = page == kTestPage;
  ShowChildren(kParametersPageControls, !test);
  ShowChildren(kTestPageControls, test);
  const bool closedLoop = setup.GetParameterValueInBaseUnit("StepperControlType") == 1;
  const bool filter = setup.GetParameterValueInBaseUnit("isUseFilterOnCrtCtrlOutput") == 1;
  const bool gravity = setup.GetParameterValueInBaseUnit("isCompensateGravitationalLoads") == 1;
  ShowChildren({kFilterGroup, kUseFilterCheck, kGravityGroup, kCompensateGravityCheck}, test && closedLoop);
  ShowChildren({kFilterLabel, kFilterEdit, kFilterUnit}, test && closedLoop && filter);
  ShowChildren({kOffsetLabel, kOffsetEdit, kOffsetUnit}, test && closedLoop && gravity);
  if (!test) {
    ShowChild(testdlg::kDetailsButton, false);
    return;
  }
  // The test page shows the last outcome again.
  if (m_nTestOutcome == 1) {
    TestSucceeded(0);
  } else if (m_nTestOutcome != -1 && !m_strErrorText.empty()) {
    TestFailed(0);
  }
  ApplyRunningState();
}

void CTestCurrent::ApplyRunningState() {
  const bool idle = !m_bTestRunning;
  EnableChild(testdlg::kOkButton, idle);
  EnableChildren(kGainEditControls, idle);
}

void CTestCurrent::OnTabChanging(NMHDR*, LRESULT* result) {
  *result = FALSE;
  const bool toParameters = CurrentPage() == kTestPage;
  if ((toParameters && m_bTestRunning) || !UpdateData(TRUE)) {
    *result = TRUE;
    return;
  }
  CVX_Setup& setup = *GetSetup();
  if (!toParameters && setup.GetParameterValueInBaseUnit("TestCurrent") >
                           setup.GetParameterValueInBaseUnit("TestProtectionCurrent")) {
    AfxMessageBox(kProtectionBelowTestCurrent, MB_OK | MB_ICONWARNING);
    *result = TRUE;
  }
}

void CTestCurrent::OnTabChange(NMHDR*, LRESULT* result) {
  *result = 0;
  ShowPage(CurrentPage());
}

void CTestCurrent::OnOutputOptionClicked() {
  RecomputeOutputRegisters();
  RefreshAllParameters();
  ShowPage(CurrentPage());
}

void CTestCurrent::OnApplyEdits() {
  if (UpdateData(TRUE)) UpdateData(FALSE);
}

void CTestCurrent::OnHScroll(UINT, UINT, CScrollBar* pScrollBar) {
  if (const auto name = m_sliders.OnSliderMoved(pScrollBar)) ValueChanged(*name);
}

void CTestCurrent::OnSpin(NMHDR* header, LRESULT* result) {
  const auto* change = reinterpret_cast<const NMUPDOWN*>(header);
  if (const auto name = m_sliders.OnSpin(header, change->iDelta)) ValueChanged(*name);
  // The slider keeps the value; the spin's own position means nothing.
  *result = 1;
}
