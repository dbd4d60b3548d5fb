#include "commissioning/phase_connection_test.h"

#include <cmath>
#include <utility>

#include <fmt/format.h>

#include "commissioning/drive_errors.h"
#include "commissioning/phase_connection.h"
#include "commissioning/program_inputs.h"
#include "kernel/kernel_functions.h"
#include "kernel/missing_value.h"
#include "kernel/setup.h"

using namespace phase_connection;
using commissioning::kMaskPositioning;

namespace {

constexpr const char* kStageTexts[CTestPhaseConnections::kStepCount] = {
    "Launching the application for preliminary test",
    "Waiting preliminary test to be finished",
    "Launching the application for test",
    "Running test",
    "Finished test",
};

std::string ConnectionProgramName(const CVX_Setup& setup) {
  if (setup.GetParameterValueInBaseUnit("StepperMotorType") == 1) return "Motor_Phase_Connection_Test_SOL3";
  return setup.GetParameterValueInBaseUnit("StepperControlType") == 1 ? "Motor_Phase_Connection_Test_SCL"
                                                                      : "Motor_Phase_Connection_Test_SOL";
}

}  // namespace

CTestPhaseConnections::CTestPhaseConnections(CVX_Setup* setup, int flag, CWnd* pParentWnd)
    : CMyTestDlg(setup, kTemplateId, flag, pParentWnd),
      m_positioningName(PositioningProgramName(*setup)),
      m_testName(ConnectionProgramName(*setup)) {
  m_nStepCount = kStepCount;
  SetHelpContext(kHelpContext);
  AddParameterControls("TestCurrent", kTestCurrentEdit, kTestCurrentUnit);
}

bool CTestPhaseConnections::ThreePhaseOpenLoop() const {
  const CVX_Setup& setup = *GetSetup();
  return setup.GetParameterValueInBaseUnit("StepperControlType") == 0 &&
         setup.GetParameterValueInBaseUnit("StepperMotorType") == 1;
}

BOOL CTestPhaseConnections::OnInitDialog() {
  CMyTestDlg::OnInitDialog();
  OverrideOpenLoopOSR();
  commissioning::LoadProgram(m_positioning, m_positioningName);
  commissioning::LoadProgram(m_test, m_testName);
  // Room for a phase current half as large again as the test current, of
  // either sign.
  const double range_A = 1.5 * std::fabs(GetSetup()->GetParameterValueInBaseUnit("TestCurrent"));
  const std::pair<CBarGraph*, int> bars[] = {{&m_phaseABar, kPhaseABar}, {&m_phaseBBar, kPhaseBBar}};
  for (const auto& [bar, id] : bars) {
    bar->Create(this, id);
    bar->SetLimits(-range_A, range_A);
    bar->SetLabelFormat("%.3G");
  }
  ShowCurrents(0.0, 0.0);
  return TRUE;
}

void CTestPhaseConnections::ShowCurrents(double ia_A, double ib_A) {
  m_phaseABar.SetValue(ia_A);
  m_phaseBBar.SetValue(ib_A);
}

void CTestPhaseConnections::BeginTest() {
  SetChildText(kPhaseACurrentEdit, "");
  SetChildText(kPhaseBCurrentEdit, "");
  ShowCurrents(0.0, 0.0);
  const double current = GetSetup()->GetParameterValueInInternalUnit("TestCurrent");
  if (current == kMissingValue) return;
  if (!StartRun()) return;
  SetInfoText(kStageTexts[m_nStepIndex]);
  if (const auto error = commissioning::WriteInputs(m_positioning, {{"In1", std::trunc(current)}})) {
    Fail(*error);
    return;
  }
  if (!RunProgram(m_positioningName, m_positioning)) return;
  SetInfoText(kStageTexts[m_nStepIndex]);
  PollAgain();
}

void CTestPhaseConnections::OnPollTick() {
  switch (m_nStepIndex) {
    case 2:
      if (ProgramEnded(m_positioning, kMaskPositioning, commissioning::kMaskProgramStopped)) AfterPositioning();
      return;
    case 4:
      if (ProgramEnded(m_test, kMaskPositioning, commissioning::kMaskProgramStopped)) AfterConnectionRun();
      return;
    default:
      FailInternal();
  }
}

void CTestPhaseConnections::AfterPositioning() {
  const std::optional<double> reference = ReadPositioningResult(m_positioning);
  if (!reference) return;
  // A three-phase motor in open loop is driven along the whole vector the
  // positioning found.
  double increment = 0.0;
  if (ThreePhaseOpenLoop()) {
    const std::optional<double> beta = ReadDriveVariable("RINCTST_V");
    if (!beta) return;
    increment = *beta;
  }
  SetInfoText(kStageTexts[m_nStepIndex]);
  const auto error = ThreePhaseOpenLoop()
                         ? commissioning::WriteInputs(m_test, {{"RefTest", *reference}, {"RIncTest", increment}})
                         : commissioning::WriteInputs(m_test, {{"RefTest", *reference}});
  if (error) {
    Fail(*error);
    return;
  }
  if (!RunProgram(m_testName, m_test)) return;
  SetInfoText(kStageTexts[m_nStepIndex]);
  PollAgain();
}

void CTestPhaseConnections::AfterConnectionRun() {
  CVX_Setup& setup = *GetSetup();
  const std::optional<double> countsA = ReadDriveVariable("var_i1");
  if (!countsA) return;
  const std::optional<double> countsB = ReadDriveVariable("var_i2");
  if (!countsB) return;
  const double adcMax = Compute_ADCMaxValue(&setup);
  const double imax_A = setup.GetParameterValueInBaseUnit("ImaxPS");
  const double ia_A = commissioning::PhaseCurrent_A(*countsA, imax_A, adcMax);
  const double ib_A = commissioning::PhaseCurrent_A(*countsB, imax_A, adcMax);
  SetChildText(kPhaseACurrentEdit, fmt::format("{:.3G}", ia_A));
  SetChildText(kPhaseBCurrentEdit, fmt::format("{:.3G}", ib_A));
  const bool threePhase = setup.GetParameterValueInBaseUnit("StepperMotorType") == 1;
  if (!commissioning::PhaseConnectionPasses(ia_A, ib_A, setup.GetParameterValueInBaseUnit("TestCurrent"), threePhase)) {
    Fail(kFailureText);
    return;
  }
  ShowCurrents(ia_A, ib_A);
  SetInfoText(kStageTexts[m_nStepIndex]);
  TestSucceeded(1);
}
