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
  // The colours are the drive maker's: the input in red, the command in green.
  m_voltageBar.Create(this, kVoltageBar);
  m_voltageBar.SetLimits(m_input.low, m_input.high);
  m_voltageBar.SetBarColor(0x0000FF);
  m_voltageBar.SetLabelFormat("%.2G");
  m_voltageBar.SetValue(0.0);
  m_commandBar.Create(this, kCommandBar);
  m_commandBar.SetLimits(m_command.low, m_command.high);
  m_commandBar.SetBarColor(0x00FF00);
  m_commandBar.SetLabelFormat("%.2f");
  m_commandBar.SetValue(m_command.low);
  m_voltageBar.SetDrawingReference(commissioning::BarDrawingReference(m_input));
  m_commandBar.SetDrawingReference(commissioning::BarDrawingReference(m_command));
  ClearDisplays();
  return TRUE;
}

void CTestAnalogueRef::ClearDisplays() {
  SetChildText(kVoltageEdit, "");
  SetChildText(kCommandEdit, "");
}

void CTestAnalogueRef::ResetBars() {
  m_voltageBar.SetValue(m_voltageBar.GetDrawingReference());
  m_commandBar.SetValue(m_commandBar.GetDrawingReference());
}

void CTestAnalogueRef::BeginTest() {
  ClearDisplays();
  ResetBars();
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
  const double voltage_V = commissioning::ScaleAnalogueReading(*reading, m_input);
  const double command = commissioning::ScaleAnalogueReading(*reading, m_command);
  SetChildText(kVoltageEdit, fmt::format("{:.2f}", voltage_V));
  SetChildText(kCommandEdit, fmt::format("{:.2f}", command));
  m_voltageBar.SetValue(voltage_V);
  m_commandBar.SetValue(command);
  PollAgain();
}
