#include "commissioning/angle_tuning_test.h"

#include <algorithm>
#include <cmath>

#include "commissioning/angle_tuning_result.h"
#include "commissioning/angle_tuning_test_controls.h"
#include "commissioning/drive_errors.h"
#include "kernel/errors.h"
#include "kernel/missing_value.h"
#include "kernel/parameter.h"
#include "kernel/setup.h"
#include "kernel/ui/edit_setup_dlg.h"
#include "kernel/ui/test_base_ids.h"

namespace {

constexpr const char* kProgram = "Angle_Controller_Tuning_Test";
constexpr const char* kStageTexts[] = {"Launching the application for test", "Running test", "Uploading results"};
constexpr int kRunningStage = 2;
constexpr int kParametersPage = 0;
constexpr int kTestPage = 1;
constexpr const char* kPlotName = "AngleTuning";
// Logged variables, after the time (variable 0).
constexpr int kCurrentVariable = 1;
constexpr int kAngleVariable = 2;
constexpr int kCurrentColour = 1;
constexpr int kAngleColour = 4;
constexpr int kCurveWidth = 2;

double Internal(const CVX_Setup* setup, const char* name) {
  const kernel::QuietErrors quiet;
  return setup ? setup->GetParameterValueInInternalUnit(name) : kMissingValue;
}

bool Has(const CVX_Setup* setup, const char* name) {
  const kernel::QuietErrors quiet;
  return setup && setup->FindParameter(name) != nullptr;
}

}  // namespace

BEGIN_MESSAGE_MAP(CTestAngle, CMyTestDlg)
  ON_WM_HSCROLL()
  ON_NOTIFY_RANGE(UDN_DELTAPOS, angle_tuning::kKpDown, angle_tuning::kKiUp, &CTestAngle::OnSpin)
  ON_NOTIFY(TCN_SELCHANGE, angle_tuning::kTabs, &CTestAngle::OnTabChanged)
  ON_BN_CLICKED(angle_tuning::kSavePlotsButton, &CTestAngle::OnSavePlots)
END_MESSAGE_MAP()

CTestAngle::CTestAngle(CVX_Setup* setup, CWnd* pParent)
    : CMyTestDlg(setup, angle_tuning::kTemplateId, 1, pParent),
      m_acquisitions{"AquisitionsNo", angle_tuning::kAcquisitionsEdit, 2000, 10, 5000, !Has(setup, "AquisitionsNo")},
      m_sampling{"SamplingRate", angle_tuning::kSamplingEdit, 2, 1, 200, !Has(setup, "SamplingRate")} {
  m_nStepCount = 3;
  SetHelpContext(angle_tuning::kHelpContext);
  AddParameterControls("MAX_CURRENT", angle_tuning::kTestCurrentEdit, angle_tuning::kTestCurrentUnit);
  AddParameterControls("REF_INC", angle_tuning::kIncrementEdit, angle_tuning::kIncrementUnit);
  AddParameterControls("TIME_LIMIT", angle_tuning::kStabilizeTimeEdit, angle_tuning::kStabilizeTimeUnit);
  for (LoggerSetting* setting : {&m_acquisitions, &m_sampling})
    if (!setting->local) AddParameterControls(setting->name, setting->editId);
  AddParameterControls("Kp_T_scl", angle_tuning::kKpEdit);
  AddParameterControls("Ki_T_scl", angle_tuning::kKiEdit);
  m_sliders.Add("Kp_T_scl", {angle_tuning::kKpDown, angle_tuning::kKpSlider, angle_tuning::kKpUp});
  m_sliders.Add("Ki_T_scl", {angle_tuning::kKiDown, angle_tuning::kKiSlider, angle_tuning::kKiUp});
}

BOOL CTestAngle::OnInitDialog() {
  m_coff.SetPath(GetOutPathName(kProgram));
  m_coff.ReadCoff();
  m_logger = std::make_unique<CVX_SingleAxisLogger>(*GetSetup(), &m_coff);
  const BOOL result = CMyTestDlg::OnInitDialog();
  for (LoggerSetting* setting : {&m_acquisitions, &m_sampling})
    if (setting->local) SetChildText(setting->editId, kernel::FormatParameterValue(setting->value, 0));
  m_pages.Attach(*this, angle_tuning::kTemplateId, angle_tuning::kTabs, {"Test Parameters", "Test"},
                 {angle_tuning::kGraph});
  m_graph.Create(this, angle_tuning::kGraph, m_logger->GetGraphDocument().GetFilter());
  m_sliders.AttachAll(*this);
  return result;
}

INT_PTR CTestAngle::DoModal() {
  const INT_PTR result = CMyTestDlg::DoModal();
  // The setup is put back when the dialog ends without OK; the gains the
  // drive took during the runs go back with it.
  if (result != IDOK && GetSetup()) m_liveWrites.Restore(*GetSetup());
  return result;
}

double CTestAngle::SettingValue(LoggerSetting& setting) {
  if (!setting.local) {
    const double value = Internal(GetSetup(), setting.name);
    return value == kMissingValue ? setting.value : value;
  }
  if (const auto typed = kernel::ParseParameterValue(GetDlgItemText(setting.editId))) setting.value = std::clamp(std::round(*typed), setting.low, setting.high);
  SetChildText(setting.editId, kernel::FormatParameterValue(setting.value, 0));
  return setting.value;
}

bool CTestAngle::RebuildLogger() {
  CVX_SingleAxisLogger& logger = *m_logger;
  logger.RemoveAllVariables();
  if (!logger.ChangeSettings(static_cast<int>(SettingValue(m_acquisitions)), kernel::LoggingRequest::kFastLoop,
                             static_cast<int>(SettingValue(m_sampling))) ||
      !logger.AddVariable("Motor_Current", 1) || !logger.AddVariable("Electric_Angle", 1))
    return false;
  logger.CorrectPointsNo();
  CGraphFilter& filter = logger.GetGraphDocument().GetFilter();
  filter.RemoveAllCurves();
  filter.AddCurve(CXYCurve(0, kCurrentVariable, 1, kCurrentColour, kCurveWidth));
  filter.AddCurve(CXYCurve(0, kAngleVariable, 2, kAngleColour, kCurveWidth));
  return true;
}

void CTestAngle::BeginTest() {
  RefreshAllParameters();
  const double current = Internal(GetSetup(), "MAX_CURRENT");
  const double increment = Internal(GetSetup(), "REF_INC");
  const double time = Internal(GetSetup(), "TIME_LIMIT");
  if (current == kMissingValue || increment == kMissingValue || time == kMissingValue) return;
  if (!StartRun()) return;
  m_notStabilized = false;
  SetInfoText(kStageTexts[0]);
  if (!RebuildLogger()) {
    FailInternal();
    return;
  }
  std::string error;
  for (const auto& [name, value] : {std::pair{"In1", current}, {"ReferenceIncrement", increment}, {"TimeLimit", time}}) {
    if (!SetUserVariableValue(m_coff, name, value, error)) {
      Fail(error);
      return;
    }
  }
  if (!RunProgram(kProgram, m_coff, m_logger.get())) return;
  SetInfoText(kStageTexts[1]);
  PollAgain();
}

void CTestAngle::OnPollTick() {
  if (m_nStepIndex != kRunningStage) {
    FailInternal();
    return;
  }
  if (WaitForProgram(m_coff, commissioning::kMaskPositioning) != ProgramState::kFinished) return;
  if (!CheckDriveErrors(1, commissioning::kMaskPositioning)) return;
  if (UploadResults(*m_logger, &m_graph, kStageTexts[2], false) != UploadEnd::kComplete) return;
  Evaluate();
}

void CTestAngle::Evaluate() {
  double flag = kMissingValue;
  std::string error;
  if (!GetUserVariableValue(m_coff, "test_flag", flag, error)) {
    Fail(error);
    return;
  }
  std::optional<double> theta;
  if (flag == commissioning::kAngleNotStabilizedFlag) {
    double value = kMissingValue;
    if (GetUserVariableValue(m_coff, "theta_1", value, error)) theta = value;
  }
  const commissioning::AngleRunOutcome outcome = commissioning::EvaluateAngleRun(flag, theta);
  m_notStabilized = outcome.notStabilized;
  if (outcome.internalError) {
    FailInternal();
  } else if (!outcome.succeeded) {
    Fail(outcome.text);
  } else {
    TestSucceeded(1);
  }
}

void CTestAngle::OnChangedParameterValue(const std::string& name) {
  CMyTestDlg::OnChangedParameterValue(name);
  if (CGainSlider* slider = m_sliders.Find(name)) {
    GainChanged(name);
    slider->Rearm();
  }
}

void CTestAngle::GainChanged(const std::string& name) {
  if (commissioning::ApplyGainChange(*GetSetup(), name, m_liveWrites, IsTestRunning())) RefreshParameterControls(name);
}

void CTestAngle::OnHScroll(UINT, UINT, CScrollBar* control) {
  if (const auto name = m_sliders.OnSliderMoved(control)) GainChanged(*name);
}

void CTestAngle::OnSpin(NMHDR* header, LRESULT* result) {
  const auto* change = reinterpret_cast<const NMUPDOWN*>(header);
  if (const auto name = m_sliders.OnSpin(header, change->iDelta)) GainChanged(*name);
  // The slider keeps the value; the spin's own position means nothing.
  *result = 1;
}

void CTestAngle::OnTabChanged(NMHDR*, LRESULT* result) {
  *result = 0;
  // The parameters of a run cannot change while it goes on.
  if (m_pages.Selected() == kParametersPage && IsTestRunning()) {
    m_pages.Select(kTestPage);
    return;
  }
  m_pages.Select(m_pages.Selected());
}

void CTestAngle::OnSavePlots() {
  if (!IsTestRunning()) m_logger->SaveGraph(kPlotName);
}
