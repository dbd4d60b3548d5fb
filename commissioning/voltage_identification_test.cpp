#include "commissioning/voltage_identification_test.h"

#include <cmath>

#include <fmt/format.h>

#include "commissioning/drive_errors.h"
#include "commissioning/measured_values.h"
#include "commissioning/program_inputs.h"
#include "engine/scales.h"
#include "engine/setup_access.h"
#include "kernel/comm.h"
#include "kernel/missing_value.h"
#include "kernel/setup.h"
#include "kernel/ui/test_base_ids.h"
#include "kernel/variable.h"

using namespace voltage_identification;
using commissioning::kMaskPositioning;

namespace {

// The voltage run ignores the ENABLE input.
constexpr std::uint16_t kRunMask = commissioning::kMaskShortCircuit;

constexpr const char* kPositioningProgram = "Initial_Positioning_Test_I2";
constexpr const char* kVoltageProgram = "Voltage_Controller_Test";

constexpr const char* kStageTexts[CTestVoltage::kStepCount] = {
    "Launching the application for preliminary test",
    "Waiting preliminary test to be finished",
    "Launching the application for detecting voltage offsets",
    "Waiting for test to be finished",
    "Launching the first application for test",
    "Running first test",
    "Launching the second application for test",
    "Running second test",
};

constexpr const char* kBoostChanged = "Voltage boost changed. Please run the test to update the parameters.";

// "VAR_STATUS" as the voltage program and the test exchange it.
constexpr double kAskingStatus = 8;
constexpr double kRetryStatus = 9;
constexpr double kAcceptedStatus = 10;

// "KUPHASE" holds "Kphase" with 12 fraction bits.
constexpr double kBoostScale = 4096;
// "V_MINCRT" starts at this share of the run current.
constexpr double kMinimumCurrentShare = 0.8;

}  // namespace

CTestVoltage::CTestVoltage(CVX_Setup* setup, int flag, CWnd* pParentWnd)
    : CMyTestDlg(setup, kTemplateId, flag, pParentWnd) {
  m_nStepCount = kStepCount;
  SetHelpContext(kHelpContext);
  AddParameterControls("V_MINCRT", kMinimumCurrentEdit, kMinimumCurrentUnit);
  AddParameterControls("V_MAXSPD", kMaximumSpeedEdit, kMaximumSpeedUnit);
  AddParameterControls("Kphase", kVoltageBoostEdit);
  AddParameterControls("KUPHASE", kVoltageBoostFactorEdit);
  AddParameterControls("KOMEGA", kSpeedConstantEdit);
  AddParameterControls("UOFFSET", kVoltageOffsetEdit);
  AddParameterControls("USTBYCRT", kStandByVoltageEdit);
  m_kuphaseAtOpening = setup->GetParameterValueInBaseUnit("KUPHASE");
  m_komegaAtOpening = setup->GetParameterValueInBaseUnit("KOMEGA");
  m_uoffsetAtOpening = setup->GetParameterValueInBaseUnit("UOFFSET");
  m_ustbycrtAtOpening = setup->GetParameterValueInBaseUnit("USTBYCRT");
}

CTestVoltage::~CTestVoltage() = default;

BOOL CTestVoltage::OnInitDialog() {
  CMyTestDlg::OnInitDialog();
  CVX_Setup& setup = *GetSetup();
  commissioning::LoadProgram(m_positioning, kPositioningProgram);
  commissioning::LoadProgram(m_voltageRun, kVoltageProgram);
  m_kphaseAtOpening = setup.GetParameterValueInBaseUnit("Kphase");
  engine::WriteInternal(setup, "KUPHASE", setup.GetParameterValueInInternalUnit("Kphase") * kBoostScale);
  engine::WriteBase(setup, "V_MINCRT", kMinimumCurrentShare * setup.GetParameterValueInBaseUnit("RunCurrent"));
  RefreshAllParameters();
  ApplyExpertView();
  return TRUE;
}

void CTestVoltage::ApplyExpertView() {
  EnableChildren({kMinimumCurrentEdit, kMinimumCurrentUnit, kSpeedConstantEdit, kVoltageOffsetEdit,
                  kStandByVoltageEdit},
                 m_expert);
  ShowChildren({kSpeedConstantEdit, kVoltageOffsetEdit, kStandByVoltageEdit, kVoltageBoostFactorEdit,
                kSpeedConstantLabel, kVoltageOffsetLabel, kStandByVoltageLabel, kVoltageBoostFactorLabel},
               m_expert);
}

BOOL CTestVoltage::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message == WM_KEYDOWN && pMsg->wParam == static_cast<WPARAM>(kExpertChordLetter) &&
      GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) < 0 && GetKeyState(VK_SHIFT) < 0) {
    m_expert = !m_expert;
    // Values typed in the expert view are offered for keeping like measured ones.
    if (m_expert) m_nTestOutcome = 1;
    ApplyExpertView();
    return TRUE;
  }
  return CMyTestDlg::PreTranslateMessage(pMsg);
}

void CTestVoltage::OnChangedParameterValue(const std::string& name) {
  CMyTestDlg::OnChangedParameterValue(name);
  if (name != "Kphase") return;
  CVX_Setup& setup = *GetSetup();
  engine::WriteInternal(setup, "KUPHASE", setup.GetParameterValueInInternalUnit("Kphase") * kBoostScale);
  RefreshParameterControls("KUPHASE");
  const bool changed = setup.GetParameterValueInBaseUnit("Kphase") != m_kphaseAtOpening;
  SetChildText(testdlg::kResultBox, changed ? kBoostChanged : "");
}

bool CTestVoltage::StartPositioning(double current_counts) {
  if (const auto error = commissioning::WriteInputs(m_positioning, {{"In1", std::trunc(current_counts)}})) {
    Fail(*error);
    return false;
  }
  return RunProgram(kPositioningProgram, m_positioning);
}

void CTestVoltage::BeginTest() {
  UpdateData(TRUE);
  UpdateData(FALSE);
  CVX_Setup& setup = *GetSetup();
  const double run_A = setup.GetParameterValueInBaseUnit("RunCurrent");
  const double standby_A = setup.GetParameterValueInBaseUnit("StandByCurrent");
  const std::optional<double> kc = engine::CurrentScale(setup);
  const double topSpeed = setup.GetParameterValueInInternalUnit("V_MAXSPD");
  if (run_A == kMissingValue || standby_A == kMissingValue || topSpeed == kMissingValue) return;
  m_currents = commissioning::ChooseVoltageTestCurrents(run_A, standby_A, kc.value_or(0.0));
  m_search.emplace(topSpeed);
  m_baseFromDrive = false;

  if (!StartRun()) return;
  if (!kc) {
    FailInternal();
    return;
  }
  SetInfoText(kStageTexts[m_nStepIndex]);
  if (!StartPositioning(m_currents.high_counts)) return;
  SetInfoText(kStageTexts[m_nStepIndex]);
  PollAgain();
}

void CTestVoltage::OnPollTick() {
  switch (m_nStepIndex) {
    case 2:
      if (ProgramEnded(m_positioning, kMaskPositioning, commissioning::kMaskProgramStopped)) AfterHighCurrentPositioning();
      return;
    case 4:
      if (ProgramEnded(m_positioning, kMaskPositioning, commissioning::kMaskProgramStopped)) AfterLowCurrentPositioning();
      return;
    case 6:  // the first speed
    case 8:  // a lower one
      WhileMotorRuns();
      return;
    default:
      FailInternal();
  }
}

void CTestVoltage::AfterHighCurrentPositioning() {
  const std::optional<double> voltage = ReadPositioningResult(m_positioning);
  if (!voltage) return;
  m_highVoltage = *voltage;
  SetInfoText(kStageTexts[m_nStepIndex]);
  if (!StartPositioning(m_currents.low_counts)) return;
  SetInfoText(kStageTexts[m_nStepIndex]);
  PollAgain();
}

void CTestVoltage::AfterLowCurrentPositioning() {
  CVX_Setup& setup = *GetSetup();
  const std::optional<double> lowVoltage = ReadPositioningResult(m_positioning);
  if (!lowVoltage) return;
  const auto line =
      commissioning::LineThroughTwoPoints(m_currents.high_counts, m_highVoltage, m_currents.low_counts, *lowVoltage);
  if (!line.ok()) {
    Fail(line.error());
    return;
  }
  const double kc = engine::CurrentScale(setup).value_or(0.0);
  const double kphase = setup.GetParameterValueInInternalUnit("Kphase");
  const auto offset =
      commissioning::VoltageRegisterAt(line.value(), setup.GetParameterValueInBaseUnit("RunCurrent"), kc, kphase);
  const auto standby =
      commissioning::VoltageRegisterAt(line.value(), setup.GetParameterValueInBaseUnit("StandByCurrent"), kc, kphase);
  if (!offset.ok() || !standby.ok()) {
    Fail(offset.ok() ? standby.error() : offset.error());
    return;
  }
  engine::WriteInternal(setup, "V_UI_R_test", line.value().slope);
  engine::WriteInternal(setup, "V_UI_U_test", line.value().intercept);
  engine::WriteInternal(setup, "UOFFSET", offset.value());
  engine::WriteInternal(setup, "USTBYCRT", standby.value());
  RefreshParameterControls("UOFFSET");
  RefreshParameterControls("USTBYCRT");
  SetInfoText(kStageTexts[m_nStepIndex]);

  const std::initializer_list<std::pair<std::string_view, double>> inputs = {
      {"Maximum_spd", setup.GetParameterValueInInternalUnit("V_MAXSPD")},
      {"Minim_crt", setup.GetParameterValueInInternalUnit("V_MINCRT")},
      {"Nominal_crt", setup.GetParameterValueInInternalUnit("RunCurrent")},
      {"KUPHASE_val", setup.GetParameterValueInInternalUnit("KUPHASE")},
      {"USTBYCRT_val", setup.GetParameterValueInInternalUnit("USTBYCRT")},
      {"UOFFSET_val", setup.GetParameterValueInInternalUnit("UOFFSET")},
  };
  if (const auto error = commissioning::WriteInputs(m_voltageRun, inputs)) {
    Fail(*error);
    return;
  }
  if (!RunProgram(kVoltageProgram, m_voltageRun)) return;
  for (const char* name : {"KUPHASE", "KOMEGA", "UOFFSET", "USTBYCRT"}) RefreshParameterControls(name);
  SetInfoText(kStageTexts[m_nStepIndex]);
  PollAgain();
}

void CTestVoltage::WhileMotorRuns() {
  const std::optional<double> komega = ReadDriveVariable("KOMEGA");
  if (!komega) return;
  SetDlgItemText(kSpeedConstantEdit, fmt::format("{}", static_cast<int>(*komega)));

  double started = 0;
  if (!GetUserVariableValue(m_voltageRun, "STARTED", started, m_strErrorText)) {
    TestFailed(1);
    return;
  }
  if (started == 0) {
    if (CheckDriveErrors(1, kRunMask)) PollAgain();
    return;
  }
  int on = 0;
  if (!GetAxisOn(on)) {
    FailInternal();
    return;
  }
  if (!on) {
    AfterMotorRun();
    return;
  }
  const std::optional<double> status = ReadDriveVariable("VAR_STATUS");
  if (!status) return;
  if (*status != kAskingStatus) {
    PollAgain();
    return;
  }
  CVX_Variable* statusVariable = GetSetup()->FindVariable("VAR_STATUS", 1);
  if (AfxMessageBox(kSmoothQuestion, MB_YESNO | MB_ICONQUESTION) == IDYES) {
    statusVariable->SetValueInInternalUnit(kAcceptedStatus);
    if (!statusVariable->WriteToChip()) {
      Fail(CVX_Comm::GetLastErrorText());
      return;
    }
    PollAgain();
    return;
  }
  if (!m_baseFromDrive) {
    // The first "No": the program may not have reached the speed asked for;
    // the steps go down from the speed it did reach.
    const std::optional<double> reached = ReadDriveVariable("CSPD");
    if (!reached) return;
    m_search->SetBase(*reached);
    m_baseFromDrive = true;
  }
  const std::optional<double> lower = m_search->Lower();
  if (!lower) {
    StopRun();
    Fail(kNoSmoothSpeed);
    return;
  }
  if (const auto error = commissioning::WriteInputs(m_voltageRun, {{"Maximum_spd", std::trunc(*lower)}})) {
    Fail(*error);
    return;
  }
  statusVariable->SetValueInInternalUnit(kRetryStatus);
  if (!statusVariable->WriteToChip()) {
    Fail(CVX_Comm::GetLastErrorText());
    return;
  }
  if (m_nStepIndex == 6) {
    SetInfoText(kStageTexts[m_nStepIndex]);
    SetInfoText(kStageTexts[m_nStepIndex]);
  }
  PollAgain();
}

void CTestVoltage::AfterMotorRun() {
  CVX_Setup& setup = *GetSetup();
  if (!CheckDriveErrors(1, kRunMask)) return;
  if (!CheckDriveErrors(1, commissioning::kMaskProgramStoppedIgnoringEnable)) return;
  double found = kMissingValue;
  std::string error;
  if (!GetUserVariableValue(m_voltageRun, "komega_val", found, error)) {
    Fail(error);
    return;
  }
  if (found == kMissingValue) {
    FailInternal();
    return;
  }
  const auto komega = commissioning::SpeedConstant(found);
  if (!komega.ok()) {
    Fail(komega.error());
    return;
  }
  engine::WriteInternal(setup, "KOMEGA_test", commissioning::KomegaTest(
                                                  setup.GetParameterValueInInternalUnit("NoMicroStepsPerStep"), komega.value()));
  engine::WriteInternal(setup, "KOMEGA", komega.value());
  for (const char* name : {"KUPHASE", "KOMEGA", "UOFFSET", "USTBYCRT"}) RefreshParameterControls(name);
  TestSucceeded(1);
}

void CTestVoltage::OnCancel() {
  using commissioning::FormatMeasured;
  using commissioning::ValueFormat;
  CVX_Setup& setup = *GetSetup();
  auto measured = [&](const char* label, double old, const char* name) {
    return commissioning::MeasuredValue{label, FormatMeasured(old, ValueFormat::kGeneralUpper),
                                        FormatMeasured(setup.GetParameterValueInBaseUnit(name), ValueFormat::kGeneralUpper)};
  };
  const int answer = AskToKeepMeasuredValues({
      measured("Voltage offset [U0]", m_uoffsetAtOpening, "UOFFSET"),
      measured("Speed constant [Kv]", m_komegaAtOpening, "KOMEGA"),
      measured("Voltage boost factor", m_kuphaseAtOpening, "KUPHASE"),
      measured("Stand-by voltage", m_ustbycrtAtOpening, "USTBYCRT"),
  });
  // Keep on Yes; any other answer closes the dialog, which puts the setup
  // back as it was.
  if (answer == IDYES) {
    EndDialog(IDOK);
    return;
  }
  CMyTestDlg::OnCancel();
}
