#include "commissioning/resistance_inductance_test.h"

#include <cmath>
#include <vector>

#include "commissioning/drive_errors.h"
#include "commissioning/measured_values.h"
#include "commissioning/program_inputs.h"
#include "commissioning/running_mean.h"
#include "commissioning/supply_voltage.h"
#include "commissioning/winding.h"
#include "engine/loop_periods.h"
#include "engine/scales.h"
#include "engine/setup_access.h"
#include "kernel/comm.h"
#include "kernel/kernel_functions.h"
#include "kernel/missing_value.h"
#include "kernel/setup.h"

using namespace resistance_inductance;
using commissioning::kMaskPositioning;

namespace {

constexpr const char* kStageTexts[CTestRL::kStepCount] = {
    "Launching code for preliminary test (1)", "Waiting preliminary test to be finished (1)",
    "Launching code for R test (1)",           "Waiting R test to be finished (1)",
    "Launching code for preliminary test (2)", "Waiting preliminary test to be finished (2)",
    "Launching code for R test (2)",           "Waiting R test to be finished (2)",
    "Launching code for L test",               "Waiting L test to be finished",
};

// The inputs of the inductance run in open loop, where the positioning's
// voltage is no guide: a current limit and an amplitude of the drive's own.
constexpr double kOpenLoopInductanceCurrent = 4960;
constexpr double kOpenLoopInductanceAmplitude = 10000;

// 400 points of the slow loop, every sample.
constexpr int kLoggedPoints = 400;
constexpr int kSlowLoopLog = 1;

}  // namespace

CTestRL::CTestRL(CVX_Setup* setup, int flag, CWnd* pParentWnd)
    : CMyTestDlg(setup, kTemplateId, flag, pParentWnd), m_names(ProgramsFor(*setup)) {
  m_nStepCount = kStepCount;
  SetHelpContext(kHelpContext);
  AddParameterControls("R", kResistanceEdit, kResistanceUnit);
  AddParameterControls("L", kInductanceEdit, kInductanceUnit);
  AddParameterControls("TestCurrent", kTestCurrentEdit, kTestCurrentUnit);
  m_logger = std::make_unique<CVX_SingleAxisLogger>(*setup, &m_resistance);
}

CTestRL::~CTestRL() = default;

CTestRL::Programs CTestRL::ProgramsFor(const CVX_Setup& setup) {
  const bool closedLoop = setup.GetParameterValueInBaseUnit("StepperControlType") == 1.0;
  const bool threePhase = setup.GetParameterValueInBaseUnit("StepperMotorType") == 1.0;
  Programs names;
  names.positioning = PositioningProgramName(setup);
  if (threePhase) {
    names.resistance = "Ident_R_or_Rs_SOL3";
    names.inductance = "Ident_L_or_Tau_el_SOL3";
  } else {
    names.resistance = closedLoop ? "Ident_R_or_Rs_SCL" : "Ident_R_or_Rs_SOL";
    names.inductance = closedLoop ? "Ident_L_or_Tau_el_SCL" : "Ident_L_or_Tau_el_SOL";
  }
  return names;
}

BOOL CTestRL::OnInitDialog() {
  CMyTestDlg::OnInitDialog();
  CVX_Setup& setup = *GetSetup();
  m_rAtOpening = setup.GetParameterValueInBaseUnit("R");
  m_lAtOpening = setup.GetParameterValueInBaseUnit("L");
  commissioning::LoadProgram(m_positioning, m_names.positioning);
  commissioning::LoadProgram(m_resistance, m_names.resistance);
  commissioning::LoadProgram(m_inductance, m_names.inductance);
  OverrideOpenLoopOSR();
  return TRUE;
}

void CTestRL::BeginTest() {
  CVX_Setup& setup = *GetSetup();
  RefreshAllParameters();
  SetChildText(kResistanceEdit, "");
  SetChildText(kInductanceEdit, "");
  const double current = setup.GetParameterValueInInternalUnit("TestCurrent");
  if (current == kMissingValue) return;
  m_testCurrent = std::trunc(current);
  m_runs = commissioning::ResistanceRuns();

  if (!StartRun()) return;
  if (!m_logger) {
    Fail(kNoLogger);
    return;
  }
  SetInfoText(kStageTexts[m_nStepIndex]);
  if (const auto error = commissioning::WriteInputs(m_positioning, {{"In1", m_testCurrent}})) {
    Fail(*error);
    return;
  }
  if (!RunProgram(m_names.positioning, m_positioning)) return;
  SetInfoText(kStageTexts[m_nStepIndex]);
  PollAgain();
}

void CTestRL::OnPollTick() {
  const CVX_CoffFormat* waitingFor = nullptr;
  void (CTestRL::*next)() = nullptr;
  switch (m_nStepIndex) {
    case 2:
      waitingFor = &m_positioning, next = &CTestRL::AfterFirstPositioning;
      break;
    case 4:
      waitingFor = &m_resistance, next = &CTestRL::AfterFirstResistanceRun;
      break;
    case 6:
      waitingFor = &m_positioning, next = &CTestRL::AfterSecondPositioning;
      break;
    case 8:
      waitingFor = &m_resistance, next = &CTestRL::AfterSecondResistanceRun;
      break;
    case 10:
      waitingFor = &m_inductance, next = &CTestRL::AfterInductanceRun;
      break;
    default:
      FailInternal();
      return;
  }
  if (ProgramEnded(*waitingFor, kMaskPositioning, commissioning::kMaskProgramStopped)) (this->*next)();
}

bool CTestRL::StartResistanceRun(double current_counts, double reference) {
  if (const auto error =
          commissioning::WriteInputs(m_resistance, {{"In1", current_counts}, {"RefTest", std::trunc(reference)}})) {
    Fail(*error);
    return false;
  }
  m_logger->RemoveAllVariables();
  if (!m_logger->ChangeSettings(kLoggedPoints, kSlowLoopLog, 1) || !m_logger->AddVariable("IQ", 0)) {
    FailInternal();
    return false;
  }
  m_logger->Reset();
  if (!RunProgram(m_names.resistance, m_resistance, m_logger.get())) return false;
  SetInfoText(kStageTexts[m_nStepIndex]);
  return PollAgain();
}

template <class Take>
bool CTestRL::UploadPoints(Take take) {
  if (!m_logger->BeginOrContinueUploadData()) {
    FailInternal();
    return false;
  }
  std::vector<double> point;
  while (m_logger->ReadPoint(point)) take(point);
  if (m_logger->GetUploadState() == CVX_SingleAxisLogger::UploadState::kFailed) {
    Fail(CVX_Comm::GetLastErrorText());
    return false;
  }
  return true;
}

void CTestRL::AfterFirstPositioning() {
  const std::optional<double> reference = ReadPositioningResult(m_positioning);
  if (!reference) return;
  m_reference = *reference;
  SetInfoText(kStageTexts[m_nStepIndex]);
  StartResistanceRun(m_testCurrent, m_reference);
}

void CTestRL::AfterFirstResistanceRun() {
  const std::optional<double> voltage = ReadDriveVariable("var_i1");
  if (!voltage) return;
  commissioning::RunningMean current;
  if (!UploadPoints([&](const std::vector<double>& p) { current.Add(p.at(1)); })) return;
  m_runs.full = {*voltage, current.value()};
  SetInfoText(kStageTexts[m_nStepIndex]);
  if (const auto error = commissioning::WriteInputs(m_positioning, {{"In1", std::floor(m_testCurrent / 2)}})) {
    // The system's text, and the link's, which names the cause.
    Fail(std::string(kSecondInputFailed) + "\r\n" + *error);
    return;
  }
  if (!RunProgram(m_names.positioning, m_positioning)) return;
  SetInfoText(kStageTexts[m_nStepIndex]);
  PollAgain();
}

void CTestRL::AfterSecondPositioning() {
  const std::optional<double> reference = ReadPositioningResult(m_positioning);
  if (!reference) return;
  SetInfoText(kStageTexts[m_nStepIndex]);
  StartResistanceRun(std::floor(m_testCurrent / 2), *reference);
}

void CTestRL::AfterSecondResistanceRun() {
  CVX_Setup& setup = *GetSetup();
  const std::optional<double> voltage = ReadDriveVariable("var_i1");
  if (!voltage) return;
  const std::optional<double> supply_counts = ReadDriveVariable("var_u2");
  if (!supply_counts) return;
  commissioning::RunningMean current;
  if (!UploadPoints([&](const std::vector<double>& p) { current.Add(p.at(1)); })) return;
  m_runs.half = {*voltage, current.value()};

  // Both formulas scale the drive's voltage by the supply just measured.
  const auto supply_V = commissioning::SupplyVoltage_V(*supply_counts, Compute_ADCMaxValue(&setup),
                                                       setup.GetParameterValueInBaseUnit("VdcMaxMeasurable"));
  if (!supply_V.ok()) {
    Fail(supply_V.error());
    return;
  }
  const std::optional<double> kc = engine::CurrentScale(setup);
  const std::optional<double> kv = engine::MotorVoltageScaleAt(setup, supply_V.value());
  if (!kc || !kv) {
    FailInternal();
    return;
  }
  m_runs.test_current_counts = m_testCurrent;
  m_runs.current_counts_per_A = *kc;
  m_runs.voltage_counts_per_V = *kv;
  const auto resistance = commissioning::ResistanceFromTwoRuns(m_runs);
  if (!resistance.ok()) {
    Fail(resistance.error());
    return;
  }
  m_measuredR = resistance.value();
  SetInfoText(kStageTexts[m_nStepIndex]);

  const bool closedLoop = setup.GetParameterValueInBaseUnit("StepperControlType") != 0.0;
  const double in1 = closedLoop ? m_testCurrent : kOpenLoopInductanceCurrent;
  const double amplitude = closedLoop ? std::trunc(m_reference) : kOpenLoopInductanceAmplitude;
  if (const auto error = commissioning::WriteInputs(m_inductance, {{"In1", in1}, {"RefTest", amplitude}})) {
    Fail(*error);
    return;
  }
  m_logger->RemoveAllVariables();
  if (!m_logger->AddVariable("IQ", 0) || !m_logger->AddVariable("ID", 0)) {
    FailInternal();
    return;
  }
  m_logger->Reset();
  if (!RunProgram(m_names.inductance, m_inductance, m_logger.get())) return;
  SetInfoText(kStageTexts[m_nStepIndex]);
  PollAgain();
}

void CTestRL::AfterInductanceRun() {
  CVX_Setup& setup = *GetSetup();
  const std::optional<double> increment = ReadDriveVariable("TINCTST");
  if (!increment) return;
  const std::optional<double> amplitude = ReadDriveVariable("var_i1");
  if (!amplitude) return;
  commissioning::InductanceRun run;
  // Each point: the time, the lagging part and the part in phase.
  if (!UploadPoints([&](const std::vector<double>& p) { run.means.Add(p.at(1), p.at(2)); })) return;
  run.amplitude_counts = *amplitude;
  run.increment = *increment;
  run.period_s = engine::FastLoopPeriod(setup).value_or(0.0);
  run.current_counts_per_A = m_runs.current_counts_per_A;
  run.voltage_counts_per_V = m_runs.voltage_counts_per_V;
  const auto inductance = commissioning::InductanceFromSineRun(run);
  if (!inductance.ok()) {
    Fail(inductance.error());
    return;
  }

  const double factor = commissioning::WindingImpedanceFactor(
      commissioning::IsDeltaConnected(setup.GetParameterValueInBaseUnit("StepperMotorType"),
                                      setup.GetParameterValueInBaseUnit("MotorPhaseConnectionType")));
  engine::WriteBase(setup, "L", inductance.value() * factor);
  engine::WriteBase(setup, "R", m_measuredR * factor);
  RefreshParameterControls("R");
  RefreshParameterControls("L");
  TestSucceeded(1);
}

void CTestRL::OnCancel() {
  using commissioning::FormatMeasured;
  using commissioning::ValueFormat;
  CVX_Setup& setup = *GetSetup();
  const int answer = AskToKeepMeasuredValues({
      {"Phase resistance", FormatMeasured(m_rAtOpening, ValueFormat::kFixed),
       FormatMeasured(setup.GetParameterValueInBaseUnit("R"), ValueFormat::kFixed)},
      {"Phase inductance", FormatMeasured(m_lAtOpening, ValueFormat::kFixed),
       FormatMeasured(setup.GetParameterValueInBaseUnit("L"), ValueFormat::kFixed)},
  });
  EndKeepingOnYes(answer);
}
