#include "commissioning/motion_tuning_test.h"

#include <fmt/format.h>

#include <initializer_list>
#include <utility>

#include "commissioning/inertia_setup.h"
#include "commissioning/position_tuning_test_controls.h"
#include "commissioning/speed_tuning_test_controls.h"
#include "commissioning/total_inertia.h"
#include "commissioning/total_inertia_test.h"
#include "kernel/comm.h"
#include "kernel/errors.h"
#include "kernel/name_key.h"
#include "kernel/missing_value.h"
#include "kernel/parameter.h"
#include "kernel/setup.h"
#include "kernel/ui/test_base_ids.h"

namespace {

// The two templates share the layout of what both tests do; the code names
// those controls once, by the speed test's names.
namespace ids = speed_tuning;
constexpr bool Shared(std::initializer_list<std::pair<int, int>> pairs) {
  for (auto [speed, position] : pairs)
    if (speed != position) return false;
  return true;
}
static_assert(Shared({{ids::kTabs, position_tuning::kTabs},
                      {ids::kTuneButton, position_tuning::kTuneButton},
                      {ids::kFiltersButton, position_tuning::kFiltersButton},
                      {ids::kGraph, position_tuning::kGraph},
                      {ids::kOscilloscope, position_tuning::kOscilloscope},
                      {ids::kInertiaRatioSlider, position_tuning::kInertiaRatioSlider},
                      {ids::kInertiaRatioUp, position_tuning::kInertiaRatioUp},
                      {ids::kSavePlotsButton, position_tuning::kSavePlotsButton},
                      {ids::kPauseButton, position_tuning::kPauseButton},
                      {ids::kTotalInertiaEdit, position_tuning::kTotalInertiaEdit},
                      {ids::kMultiCycleCheck, position_tuning::kMultiCycleCheck},
                      {ids::kPlotOnlineRadio, position_tuning::kPlotOnlineRadio},
                      {ids::kCurrentLimitEdit, position_tuning::kCurrentLimitEdit}}));

constexpr const char* kLimitAboveProtectionText =
    "Over current protection must be greater than Drive current limit. Recommended value for Drive current limit is "
    "maximum 90% of Over current protection.";
// The controls of the load-to-motor inertia ratio, enabled while the motor's
// inertia is known.
constexpr int kInertiaRatioControls[] = {ids::kInertiaRatioLabel, ids::kInertiaRatioEdit, ids::kInertiaRatioDown,
                                         ids::kInertiaRatioSlider, ids::kInertiaRatioUp};

double Base(const CVX_Setup* setup, const char* name) {
  const kernel::QuietErrors quiet;
  return setup ? setup->GetParameterValueInBaseUnit(name) : kMissingValue;
}

}  // namespace

BEGIN_MESSAGE_MAP(CMotionTuningTest, CMyTestDlg)
  ON_WM_HSCROLL()
  ON_NOTIFY_RANGE(UDN_DELTAPOS, 1300, 1599, &CMotionTuningTest::OnSpin)
  ON_NOTIFY(TCN_SELCHANGE, ids::kTabs, &CMotionTuningTest::OnTabChanged)
  ON_BN_CLICKED(ids::kTuneButton, &CMotionTuningTest::OnTune)
  ON_BN_CLICKED(speed_tuning::kInertiaTestButton, &CMotionTuningTest::OnInertiaTest)
  ON_BN_CLICKED(position_tuning::kInertiaTestButton, &CMotionTuningTest::OnInertiaTest)
  ON_BN_CLICKED(ids::kFiltersButton, &CMotionTuningTest::OnFilters)
  ON_BN_CLICKED(ids::kSavePlotsButton, &CMotionTuningTest::OnSavePlots)
  ON_BN_CLICKED(ids::kSaveButton, &CMotionTuningTest::OnSavePlots)
  ON_BN_CLICKED(ids::kPictureButton, &CMotionTuningTest::OnSavePicture)
  ON_BN_CLICKED(ids::kExportButton, &CMotionTuningTest::OnExportData)
  ON_BN_CLICKED(ids::kScopeSettingsButton, &CMotionTuningTest::OnScopeSettings)
  ON_BN_CLICKED(ids::kScopeDefaultsButton, &CMotionTuningTest::OnScopeDefaults)
  ON_BN_CLICKED(ids::kScopeAutoscaleButton, &CMotionTuningTest::OnScopeAutoscale)
  ON_BN_CLICKED(ids::kScopeLoadButton, &CMotionTuningTest::OnScopeLoad)
  ON_BN_CLICKED(ids::kScopeSaveButton, &CMotionTuningTest::OnScopeSave)
  ON_BN_CLICKED(ids::kPauseButton, &CMotionTuningTest::OnPause)
  ON_BN_CLICKED(ids::kResumeButton, &CMotionTuningTest::OnResume)
END_MESSAGE_MAP()

CMotionTuningTest::CMotionTuningTest(CVX_Setup* setup, const Names& names,
                                     const commissioning::SetupDialogOpeners& openers, CWnd* pParent)
    : CMyTestDlg(setup, names.templateId, 1, pParent), m_names(names), m_openers(openers) {
  SetHelpContext(names.helpContext);
  AddParameterControls("TestLimitCurrent", ids::kCurrentLimitEdit, ids::kCurrentLimitUnit);
  AddParameterControls("TestProtectionCurrent", ids::kProtectionEdit, ids::kProtectionUnit);
  AddParameterControls("Jt", ids::kTotalInertiaEdit, ids::kTotalInertiaUnit);
  AddSwitchParameterControls(names.onlinePlot, ids::kPlotAfterRadio, ids::kPlotOnlineRadio);
  AddCheckParameterControls(names.multiCycle, ids::kMultiCycleCheck);
  AddSlider("Jload_over_J", ids::kInertiaRatioEdit,
            {ids::kInertiaRatioDown, ids::kInertiaRatioSlider, ids::kInertiaRatioUp});
}

void CMotionTuningTest::AddSlider(const char* name, int editId, CGainSlider::Ids sliderIds) {
  AddParameterControls(name, editId);
  m_sliders.Add(name, sliderIds);
}

bool CMotionTuningTest::MotorInertiaKnown() { return commissioning::MotorInertiaKnown(*GetSetup()); }

BOOL CMotionTuningTest::OnInitDialog() {
  CVX_Setup& setup = *GetSetup();
  m_positioning.SetPath(GetOutPathName(PositioningProgramName(setup)));
  m_positioning.ReadCoff();
  m_test.SetPath(GetOutPathName(m_names.program));
  m_test.ReadCoff();
  // A total below the motor's own inertia cannot be: the person says what
  // holds before the dialog shows.
  if (commissioning::TotalInertiaBelowMotor(setup) && m_openers.inertiaQuestion)
    m_openers.inertiaQuestion(&setup, this);
  commissioning::FollowTotalInertia(setup);
  const BOOL result = CMyTestDlg::OnInitDialog();
  m_pages.Attach(*this, m_names.templateId, ids::kTabs, {"Test Parameters", "Test"}, {ids::kGraph});
  m_sliders.AttachAll(*this);
  SetUpPlots();
  ApplyRules();
  return result;
}

INT_PTR CMotionTuningTest::DoModal() {
  const INT_PTR result = CMyTestDlg::DoModal();
  if (m_frameHandler) CVX_Comm::UnregisterReceiveUnsolicitedMsgHandler(m_frameHandler);
  m_frameHandler = 0;
  // The setup is put back when the dialog ends without OK; what the runs
  // left on the drive goes back with it.
  if (result != IDOK && GetSetup()) m_liveWrites.Restore(*GetSetup());
  return result;
}

void CMotionTuningTest::ApplyRules() {
  const bool known = MotorInertiaKnown();
  for (int id : kInertiaRatioControls) EnableChild(id, known);
  EnableChild(ids::kAccelerationFeedForwardEdit, known);
  EnableChild(ids::kAccelerationFeedForwardSlider, known);
  if (m_pages.Shown() == kTestPage) {
    const bool scope = m_scope != nullptr;
    const bool live = Base(GetSetup(), m_names.onlinePlot) != 0.0;
    ShowChild(ids::kGraph, !live || scope);
    ShowChild(ids::kOscilloscope, live && !scope);
    for (int id : {ids::kScopeSettingsButton, ids::kScopeDefaultsButton, ids::kScopeAutoscaleButton,
                   ids::kScopeLoadButton, ids::kScopeSaveButton})
      ShowChild(id, scope);
    ShowChild(ids::kPauseButton, !scope);
    ShowChild(ids::kResumeButton, !scope);
  }
}

// ----- edits ---------------------------------------------------------------------

void CMotionTuningTest::OnChangedParameterValue(const std::string& name) {
  CMyTestDlg::OnChangedParameterValue(name);
  if (kernel::SameName(name, "Jt") || kernel::SameName(name, "Jload_over_J")) {
    InertiaChanged(name);
  } else if (kernel::SameName(name, m_names.multiCycle)) {
    // Live readings without a scope run only as long as the profile repeats.
    if (!m_scope && Base(GetSetup(), m_names.multiCycle) == 0.0) {
      const kernel::QuietErrors quiet;
      if (CVX_Parameter* online = GetSetup()->FindParameter(m_names.onlinePlot)) online->SetValueInBaseUnit(0.0);
      RefreshParameterControls(m_names.onlinePlot);
    }
  } else if (commissioning::FindGainEdit(name)) {
    if (kernel::SameName(name, "KFFA_scl") && !MotorInertiaKnown()) return;
    GainChanged(name);
    if (CGainSlider* slider = m_sliders.Find(name)) slider->Rearm();
  }
  ApplyRules();
}

void CMotionTuningTest::InertiaChanged(const std::string& name) {
  CVX_Setup& setup = *GetSetup();
  if (kernel::SameName(name, "Jt")) {
    if (commissioning::TotalInertiaBelowMotor(setup)) {
      AfxMessageBox(std::string(commissioning::kInertiaBelowMotorText), MB_OK | MB_ICONINFORMATION);
      const kernel::QuietErrors quiet;
      if (CVX_Parameter* unknown = setup.FindParameter("isMotorInertiaUnknown")) unknown->SetValueInBaseUnit(1.0);
    }
    commissioning::FollowTotalInertia(setup);
  } else {
    commissioning::FollowLoadInertiaRatio(setup);
  }
  RefreshParameterControls("Jt");
  RefreshParameterControls("Jload_over_J");
  if (CGainSlider* slider = m_sliders.Find("Jload_over_J")) slider->Rearm();
}

void CMotionTuningTest::GainChanged(const std::string& name) {
  if (commissioning::ApplyGainChange(*GetSetup(), name, m_liveWrites, IsTestRunning())) RefreshParameterControls(name);
}

void CMotionTuningTest::OnHScroll(UINT, UINT, CScrollBar* control) {
  const auto name = m_sliders.OnSliderMoved(control);
  if (!name) return;
  if (kernel::SameName(*name, "Jload_over_J")) {
    InertiaChanged(*name);
  } else {
    GainChanged(*name);
  }
}

void CMotionTuningTest::OnSpin(NMHDR* header, LRESULT* result) {
  const auto* change = reinterpret_cast<const NMUPDOWN*>(header);
  if (const auto name = m_sliders.OnSpin(header, change->iDelta)) {
    if (kernel::SameName(*name, "Jload_over_J")) {
      InertiaChanged(*name);
    } else {
      GainChanged(*name);
    }
  }
  // The slider keeps the value; the spin's own position means nothing.
  *result = 1;
}

void CMotionTuningTest::OnTabChanged(NMHDR*, LRESULT* result) {
  *result = 0;
  const int wanted = m_pages.Selected();
  // The parameters of a run cannot change while it goes on.
  if (wanted == kParametersPage && IsTestRunning()) {
    m_pages.Select(kTestPage);
    return;
  }
  if (wanted == kTestPage && Base(GetSetup(), "TestLimitCurrent") > Base(GetSetup(), "TestProtectionCurrent")) {
    AfxMessageBox(kLimitAboveProtectionText, MB_OK | MB_ICONEXCLAMATION);
    m_pages.Select(kParametersPage);
    return;
  }
  m_pages.Select(wanted);
  ApplyRules();
}

// ----- buttons ----------------------------------------------------------------

void CMotionTuningTest::OnTune() {
  if (const std::optional<std::string> why = m_names.tune(*GetSetup())) {
    AfxMessageBox(*why, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (IsTestRunning()) {
    std::string error;
    for (const char* gain : m_names.tunedGains) {
      const commissioning::GainEdit* edit = commissioning::FindGainEdit(gain);
      if (edit && !m_liveWrites.WriteLive(*GetSetup(), *edit, error)) break;
    }
  }
  RefreshAllParameters();
  m_sliders.RearmAll();
}

void CMotionTuningTest::OnInertiaTest() {
  if (IsTestRunning()) return;
  CTotalInertiaTest test(GetSetup(), this);
  if (test.DoModal() != IDOK) return;
  InertiaChanged("Jt");
  RefreshAllParameters();
  ApplyRules();
}

void CMotionTuningTest::OnFilters() {
  if (!m_openers.filters) return;
  // Filters cannot change under a running loop: the test shows them locked.
  if (m_openers.filters(GetSetup(), IsTestRunning() ? 1 : 0, this) != IDOK) return;
  RefreshAllParameters();
}

void CMotionTuningTest::OnOK() {
  CMyTestDlg::OnOK();
  CVX_Setup& setup = *GetSetup();
  const kernel::QuietErrors quiet;
  for (const auto& [from, to] : {std::pair{"TestProtectionCurrent", "Imax_Prot"}, {"TestLimitCurrent", "IlimPS"}}) {
    const double value = Base(&setup, from);
    if (CVX_Parameter* target = setup.FindParameter(to); target && value != kMissingValue)
      target->SetValueInBaseUnit(value);
  }
  if (m_scope && m_scopeSettingsUsed) {
    setup.SetOption(m_names.scopeSettings, fmt::format("{} {}", m_scope->GetPointsNo(), m_scope->GetDivider()));
  } else {
    setup.ClearOption(m_names.scopeSettings);
  }
}
