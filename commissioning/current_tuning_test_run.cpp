// The current step run: the positioning, the step with the logged response,
// and saving its plot.
#include <algorithm>
#include <cmath>

#include "commissioning/current_tuning_test.h"
#include "commissioning/drive_errors.h"
#include "commissioning/program_inputs.h"
#include "commissioning/test_texts.h"
#include "kernel/missing_value.h"
#include "kernel/setup.h"

using commissioning::kMaskPositioning;

namespace {

constexpr const char* kStageTexts[CTestCurrent::kStepCount] = {
    "Launching the application for preliminary test",
    "Waiting preliminary test to be finished",
    "Launching the application for test",
    "Running test",
    "Uploading results",
};

// A 16-bit signed program input.
double Int16(double value) { return std::clamp(std::trunc(value), -32768.0, 32767.0); }

}  // namespace

void CTestCurrent::BeginTest() {
  CVX_Setup& setup = *GetSetup();
  RecomputeOutputRegisters();
  const double current = setup.GetParameterValueInInternalUnit("TestCurrent");
  if (current == kMissingValue) return;
  if (!StartRun()) return;
  ApplyRunningState();
  SetInfoText(kStageTexts[m_nStepIndex]);
  if (const auto error = commissioning::WriteInputs(m_positioning, {{"In1", Int16(current)}})) {
    Fail(*error);
    return;
  }
  if (!RunProgram(m_positioningName, m_positioning)) return;
  SetInfoText(kStageTexts[m_nStepIndex]);
  PollAgain();
}

void CTestCurrent::OnPollTick() {
  switch (m_nStepIndex) {
    case 2:
      if (ProgramEnded(m_positioning, kMaskPositioning, commissioning::kMaskProgramStopped)) AfterPositioning();
      break;
    case 4:
      // The step runs with the protection the test sets; the errors are
      // checked once it has ended.
      if (WaitForProgram(m_test, kMaskPositioning, false) == ProgramState::kFinished) AfterStepRun();
      break;
    default:
      FailInternal();
  }
  if (!m_bTestRunning) ApplyRunningState();
}

void CTestCurrent::AfterPositioning() {
  CVX_Setup& setup = *GetSetup();
  const std::optional<double> reference = ReadPositioningResult(m_positioning);
  if (!reference) return;
  SetInfoText(kStageTexts[m_nStepIndex]);
  if (const auto error = commissioning::WriteInputs(
          m_test, {{"RefTest", *reference},
                   {"In1", Int16(setup.GetParameterValueInInternalUnit("TestCurrent"))},
                   // The protection the person set for the test on its first page.
                   {"Imax_Prot_Test", Int16(setup.GetParameterValueInInternalUnit("TestProtectionCurrent"))}})) {
    Fail(*error);
    return;
  }
  m_logger->Reset();
  if (!RunProgram(m_testName, m_test, m_logger.get())) return;
  SetInfoText(kStageTexts[m_nStepIndex]);
  PollAgain();
}

void CTestCurrent::AfterStepRun() {
  if (!CheckDriveErrors(1, kMaskPositioning)) return;
  // A protection other than the test's own current limit names itself.
  if (!CheckDriveErrors(1, commissioning::kMaskProgramStopped)) return;
  double flag = kMissingValue;
  std::string error;
  if (!GetUserVariableValue(m_test, "test_flag", flag, error)) {
    Fail(error);
    return;
  }
  if (flag == kMissingValue) {
    FailInternal();
    return;
  }
  if (flag <= 0) {
    Fail(commissioning::kCurrentProtectionText);
    return;
  }
  m_graph.Redraw();
  UploadResults(*m_logger, &m_graph, kStageTexts[m_nStepIndex]);
}

void CTestCurrent::OnSavePlots() {
  if (m_bTestRunning) return;
  m_logger->SaveGraph(kPlotName);
}
