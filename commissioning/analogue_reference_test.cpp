#include "commissioning/analogue_reference_test.h"

#include <fmt/format.h>

#include "commissioning/drive_errors.h"
#include "commissioning/program_inputs.h"
#include "kernel/comm.h"
#include "kernel/parameter.h"
#include "kernel/probe.h"
#include "kernel/setup.h"

using namespace analogue_reference;

namespace {

constexpr const char* kStageTexts[CTestAnalogueRef::kStepCount] = {"Launching test", "Running test"};

// A limit in the unit its parameter shows, with that unit's name.
struct ShownValue {
  double value = 0.0;
  std::string unit;
};

ShownValue Shown(CVX_Setup& setup, std::string_view name) {
  const CVX_Parameter* parameter = kernel::ProbeParameter(setup, name);
  if (!parameter) return {};
  return {parameter->GetValueInUnit(parameter->GetUnitName()), parameter->GetUnitName()};
}

}  // namespace

CTestAnalogueRef::CTestAnalogueRef(CVX_Setup* setup, int flag, CWnd* pParentWnd)
    : CMyTestDlg(setup, kTemplateId, flag, pParentWnd) {
  m_nStepCount = kStepCount;
  m_bContinuousTest = 1;
  m_input = commissioning::AnalogueInputRange_V(setup->GetParameterValueInBaseUnit("AnalogueInputsRange"));
  const commissioning::CommandParameters command =
      commissioning::CommandParametersFor(setup->GetParameterValueInBaseUnit("ControlMode"));
  const ShownValue low = Shown(*setup, command.minimum);
  const ShownValue high = Shown(*setup, command.maximum);
  m_command = {low.value, high.value};
  m_caption = command.caption;
  m_commandUnit = high.unit;
}

BOOL CTestAnalogueRef::OnInitDialog() {
  CMyTestDlg::OnInitDialog();
  OverrideOpenLoopOSR();
  commissioning::LoadProgram(m_program, kProgram);
  SetChildText(kCommandCaption, m_caption);
  SetChildText(kCommandUnit, m_commandUnit);
  SetChildText(kCommandRangeUnit, fmt::format("{:.2f} to {:.2f} {}", m_command.low, m_command.high, m_commandUnit));
  ClearDisplays();
  return TRUE;
}

void CTestAnalogueRef::ClearDisplays() {
  SetChildText(kVoltageEdit, "");
  SetChildText(kCommandEdit, "");
}

void CTestAnalogueRef::BeginTest() {
  ClearDisplays();
  if (!StartRun()) return;
  SetInfoText(kStageTexts[m_nStepIndex]);
  if (!RunProgram(kProgram, m_program)) return;
  SetInfoText(kStageTexts[m_nStepIndex]);
  PollAgain();
}

void CTestAnalogueRef::OnPollTick() {
  if (m_bStopRequested) {
    // The program reads the input until it is stopped.
    if (ResetBoard()) TestSucceeded(1);
    return;
  }
  // A protection that stopped the program would freeze the reading.
  if (!CheckDriveErrors(1, commissioning::kMaskShortCircuit | commissioning::kMaskProgramStoppedIgnoringEnable)) return;
  const std::optional<double> reading = ReadDriveVariable("AD5");
  if (!reading) return;
  SetChildText(kVoltageEdit, fmt::format("{:.2f}", commissioning::ScaleAnalogueReading(*reading, m_input)));
  SetChildText(kCommandEdit, fmt::format("{:.2f}", commissioning::ScaleAnalogueReading(*reading, m_command)));
  PollAgain();
}
