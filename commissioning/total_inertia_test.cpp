#include "commissioning/total_inertia_test.h"

#include <cmath>
#include <fmt/format.h>

#include "commissioning/drive_errors.h"
#include "commissioning/inertia_setup.h"
#include "commissioning/measured_values.h"
#include "commissioning/total_inertia_test_controls.h"
#include "kernel/errors.h"
#include "kernel/missing_value.h"
#include "kernel/parameter.h"
#include "kernel/setup.h"
#include "kernel/ui/test_base_ids.h"

namespace {

constexpr const char* kProgram = "Total_Inertia_Identification_Test";
constexpr const char* kStageTexts[] = {"Launching code for preliminary test", "Waiting preliminary test to be finished",
                                       "Launching code for J test", "Waiting J test to be finished"};
constexpr const char* kProtectionBelowTestText = "I protection must be greater or equal to Test current.";
constexpr const char* kNoSpeedText =
    "The maximum speed of the test is below the smallest speed the drive can tell: raise \"TestMaxSpeed\".";
// Stage indices as SetInfoText leaves them: waiting for the positioning
// program after two texts, for the identification after four.
constexpr int kPositioningStage = 2;
constexpr int kIdentificationStage = 4;
// The identification program drives the motor hard; every protection,
// also the feedback, ends it.
constexpr std::uint16_t kAllErrors = 0xFFFF;

double Value(const CVX_Setup* setup, const char* name, bool internal) {
  const kernel::QuietErrors quiet;
  if (!setup) return kMissingValue;
  return internal ? setup->GetParameterValueInInternalUnit(name) : setup->GetParameterValueInBaseUnit(name);
}

}  // namespace

BEGIN_MESSAGE_MAP(CTotalInertiaTest, CMyTestDlg)
  ON_BN_CLICKED(testdlg::kStartStopButton, &CTotalInertiaTest::OnStartStop)
END_MESSAGE_MAP()

CTotalInertiaTest::CTotalInertiaTest(CVX_Setup* setup, CWnd* pParent)
    : CMyTestDlg(setup, total_inertia::kTemplateId, 1, pParent) {
  m_nStepCount = 4;
  SetHelpContext(total_inertia::kHelpContext);
  AddParameterControls("Jt", total_inertia::kTotalInertiaEdit, total_inertia::kTotalInertiaUnit);
  AddParameterControls("TestCurrent", total_inertia::kTestCurrentEdit, total_inertia::kTestCurrentUnit);
  AddParameterControls("TestProtectionCurrent", total_inertia::kProtectionEdit, total_inertia::kProtectionUnit);
  AddParameterControls("TestMaxSpeed", total_inertia::kMaxSpeedEdit, total_inertia::kMaxSpeedUnit);
}

BOOL CTotalInertiaTest::OnInitDialog() {
  m_positioning.SetPath(GetOutPathName(PositioningProgramName(*GetSetup())));
  m_positioning.ReadCoff();
  m_identification.SetPath(GetOutPathName(kProgram));
  m_identification.ReadCoff();
  m_oldInertia_kgm2 = Value(GetSetup(), "Jt", false);
  return CMyTestDlg::OnInitDialog();
}

void CTotalInertiaTest::OnStartStop() {
  if (!IsTestRunning() &&
      Value(GetSetup(), "TestCurrent", false) > Value(GetSetup(), "TestProtectionCurrent", false)) {
    AfxMessageBox(kProtectionBelowTestText, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  OnBtnStartStop();
}

void CTotalInertiaTest::BeginTest() {
  SetChildText(total_inertia::kTotalInertiaEdit, "");
  const double current = Value(GetSetup(), "TestCurrent", true);
  if (current == kMissingValue) return;
  m_testCurrent = std::trunc(current);
  if (!StartRun()) return;
  SetInfoText(kStageTexts[0]);
  std::string error;
  if (!SetUserVariableValue(m_positioning, "In1", m_testCurrent, error)) {
    Fail(error);
    return;
  }
  if (!RunProgram(PositioningProgramName(*GetSetup()), m_positioning)) return;
  if (!PollAgain()) return;
  SetInfoText(kStageTexts[1]);
}

void CTotalInertiaTest::OnPollTick() {
  switch (m_nStepIndex) {
    case kPositioningStage:
      if (WaitForProgram(m_positioning, commissioning::kMaskPositioning) != ProgramState::kFinished) return;
      StartIdentification();
      return;
    case kIdentificationStage:
      if (WaitForProgram(m_identification, kAllErrors, false) != ProgramState::kFinished) return;
      if (!CheckDriveErrors(1, kAllErrors)) return;
      Evaluate();
      return;
    default:
      FailInternal();
  }
}

void CTotalInertiaTest::StartIdentification() {
  const std::optional<double> reference = ReadPositioningResult(m_positioning);
  if (!reference) return;
  SetInfoText(kStageTexts[2]);
  const double speed = std::trunc(Value(GetSetup(), "TestMaxSpeed", true));
  const double protection = std::trunc(Value(GetSetup(), "TestProtectionCurrent", true));
  if (speed == kMissingValue || protection == kMissingValue) {
    FailInternal();
    return;
  }
  if (speed < 1.0) {
    Fail(kNoSpeedText);
    return;
  }
  std::string error;
  for (const auto& [name, value] : {std::pair{"RefTest", *reference}, {"In1", m_testCurrent},
                                    {"LimitSpeedMax", speed}, {"Imax_Prot_Test", protection}}) {
    if (!SetUserVariableValue(m_identification, name, value, error)) {
      Fail(error);
      return;
    }
  }
  if (!RunProgram(kProgram, m_identification)) return;
  if (!PollAgain()) return;
  SetInfoText(kStageTexts[3]);
}

void CTotalInertiaTest::Evaluate() {
  commissioning::InertiaRunReport report{};
  std::string error;
  for (auto [name, value] : {std::pair{"test_flag", &report.testFlag}, {"delta_time", &report.deltaTime_samples},
                             {"delta_speed", &report.deltaSpeed}}) {
    if (!GetUserVariableValue(m_identification, name, *value, error)) {
      Fail(error);
      return;
    }
    if (*value == kMissingValue) {
      FailInternal();
      return;
    }
  }
  const auto inertia = commissioning::MeasuredTotalInertia(*GetSetup(), report, m_testCurrent);
  if (!inertia.ok()) {
    Fail(inertia.error());
    return;
  }
  CVX_Parameter* total = [&] {
    const kernel::QuietErrors quiet;
    return GetSetup()->FindParameter("Jt");
  }();
  // Stored clipped to its limits, the value would be a wrong one reported
  // as measured.
  if (!total || inertia.value() < total->GetMinimum() || inertia.value() > total->GetMaximum()) {
    Fail(fmt::format("The measured total inertia of {:g} kg*m^2 lies outside the range the setup accepts for \"Jt\".",
                     inertia.value()));
    return;
  }
  total->SetValueInBaseUnit(inertia.value());
  RefreshAllParameters();
  TestSucceeded(1);
}

void CTotalInertiaTest::OnOK() {
  CMyTestDlg::OnOK();
  const double protection = Value(GetSetup(), "TestProtectionCurrent", false);
  const kernel::QuietErrors quiet;
  if (CVX_Parameter* imax = GetSetup()->FindParameter("Imax_Prot"); imax && protection != kMissingValue)
    imax->SetValueInBaseUnit(protection);
}

void CTotalInertiaTest::OnCancel() {
  using commissioning::FormatMeasured;
  using commissioning::ValueFormat;
  const double measured = Value(GetSetup(), "Jt", false);
  switch (AskToKeepMeasuredValues({{"Total inertia", FormatMeasured(m_oldInertia_kgm2, ValueFormat::kGeneral),
                                    FormatMeasured(measured, ValueFormat::kGeneral)}})) {
    case IDYES:
      EndDialog(IDOK);
      return;
    case IDNO: {
      const kernel::QuietErrors quiet;
      if (CVX_Parameter* total = GetSetup()->FindParameter("Jt")) total->SetValueInBaseUnit(m_oldInertia_kgm2);
      EndDialog(IDCANCEL);
      return;
    }
    default:
      CMyTestDlg::OnCancel();
  }
}
