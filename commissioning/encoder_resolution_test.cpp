#include "commissioning/encoder_resolution_test.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "commissioning/drive_errors.h"
#include "commissioning/encoder_resolution_estimate.h"
#include "commissioning/encoder_resolution_test_controls.h"
#include "commissioning/measured_values.h"
#include "engine/feedback_counting_direction.h"
#include "kernel/errors.h"
#include "kernel/missing_value.h"
#include "kernel/name_key.h"
#include "kernel/parameter.h"
#include "kernel/probe.h"
#include "kernel/setup.h"

namespace {

constexpr const char* kStageTexts[] = {"Launching code for the preliminary test", "Running preliminary test",
                                       "Launching code for the encoder resolution and direction test",
                                       "Waiting for the test to complete", "Processing test results"};
constexpr const char* kCounter = "var_lf_long";
constexpr const char* kLines = "No_encoder_lines";
constexpr const char* kReverseCounting = "ReverseCounting";
// Stage indices as SetInfoText leaves them.
constexpr int kPositioningStage = 2;
constexpr int kTurnStage = 4;
// Sine/cosine encoders have their own program.
constexpr int kSineCosineSensor = 2;

double Value(const CVX_Setup* setup, const char* name, bool internal) {
  const kernel::QuietErrors quiet;
  if (!setup) return kMissingValue;
  return internal ? setup->GetParameterValueInInternalUnit(name) : setup->GetParameterValueInBaseUnit(name);
}

}  // namespace

CDetectEncoderResolution::CDetectEncoderResolution(CVX_Setup* setup, CWnd* pParent)
    : CMyTestDlg(setup, encoder_resolution::kTemplateId, 1, pParent),
      m_testProgram(Value(setup, "MotorSensorType", true) == kSineCosineSensor
                        ? "SC_Encoder_Resolution_And_Direction_Test"
                        : "Encoder_Resolution_And_Direction_Test"),
      m_hasReverseCounting(setup && kernel::HasParameter(*setup, kReverseCounting)) {
  m_nStepCount = 5;
  SetHelpContext(encoder_resolution::kHelpContext);
  AddParameterControls("TestCurrent", encoder_resolution::kTestCurrentEdit, encoder_resolution::kTestCurrentUnit);
  AddParameterControls("NoMotorSteps", encoder_resolution::kMotorStepsEdit);
  if (m_hasReverseCounting) AddCheckParameterControls(kReverseCounting, encoder_resolution::kReverseCountingCheck);
}

BOOL CDetectEncoderResolution::OnInitDialog() {
  m_positioning.SetPath(GetOutPathName(PositioningProgramName(*GetSetup())));
  m_positioning.ReadCoff();
  m_test.SetPath(GetOutPathName(m_testProgram));
  m_test.ReadCoff();
  OverrideOpenLoopOSR();
  const BOOL result = CMyTestDlg::OnInitDialog();
  m_dial.Create(this, encoder_resolution::kEncoderDial);
  EnableChild(encoder_resolution::kReverseCountingCheck, m_hasReverseCounting);
  return result;
}

void CDetectEncoderResolution::OnChangedParameterValue(const std::string& name) {
  CMyTestDlg::OnChangedParameterValue(name);
  if (kernel::SameName(name, kReverseCounting))
    m_countingDirection = static_cast<int>(Value(GetSetup(), kReverseCounting, true));
}

void CDetectEncoderResolution::BeginTest() {
  m_dial.SetAngle(0.0);
  const double current = Value(GetSetup(), "TestCurrent", true);
  if (current == kMissingValue) return;
  m_testCurrent = current;
  if (!StartRun()) return;
  m_moved = false;
  m_bestLines = 0;
  SetChildText(encoder_resolution::kPositionCounter, "");
  SetChildText(encoder_resolution::kEstimatedLines, "");
  SetInfoText(kStageTexts[0]);
  std::string error;
  if (!SetUserVariableValue(m_positioning, "In1", m_testCurrent, error)) {
    Fail(error);
    return;
  }
  if (!RunProgram(PositioningProgramName(*GetSetup()), m_positioning)) return;
  SetInfoText(kStageTexts[1]);
  PollAgain();
}

void CDetectEncoderResolution::OnPollTick() {
  // The box takes effect before the next program starts.
  if (m_hasReverseCounting) engine::ComputeCOUNTINGDIR(*GetSetup());
  switch (m_nStepIndex) {
    case kPositioningStage:
      if (WaitForProgram(m_positioning, commissioning::kMaskPositioning) == ProgramState::kFinished) StartTurn();
      return;
    case kTurnStage:
      FollowCounter();
      return;
    default:
      FailInternal();
  }
}

void CDetectEncoderResolution::StartTurn() {
  const std::optional<double> reference = ReadPositioningResult(m_positioning, true);
  if (!reference) return;
  SetInfoText(kStageTexts[2]);
  const double steps = Value(GetSetup(), "NoMotorSteps", false);
  if (steps == kMissingValue) {
    FailInternal();
    return;
  }
  std::string error;
  // A two-phase stepper's full steps come four to an electrical cycle.
  const double cycles = std::trunc(steps * 0.25);
  m_electricalCycles = static_cast<int>(std::clamp(cycles, 0.0, double{std::numeric_limits<int>::max()}));
  for (const auto& [name, value] : {std::pair{"RefTest", *reference}, {"PolesPairs", cycles}}) {
    if (!SetUserVariableValue(m_test, name, value, error)) {
      Fail(error);
      return;
    }
  }
  if (!RunProgram(m_testProgram, m_test)) return;
  SetInfoText(kStageTexts[3]);
  PollAgain();
}

std::optional<double> CDetectEncoderResolution::ReadCounter() { return ReadDriveVariable(kCounter); }

// The counter and the dial follow the turn on every tick: the drive's time
// moves on between ticks only, so a loop inside one tick would see nothing
// change.
void CDetectEncoderResolution::FollowCounter() {
  double started = 0.0;
  std::string error;
  if (!GetUserVariableValue(m_test, "STARTED", started, error)) {
    Fail(error);
    return;
  }
  if (started == 0.0) {
    if (WaitForProgram(m_test, commissioning::kMaskPositioning) == ProgramState::kFinished) Evaluate();
    return;
  }
  const std::optional<double> count = ReadCounter();
  if (!count) return;
  if (*count != 0.0) m_moved = true;
  const double lines = Value(GetSetup(), kLines, false);
  if (lines != kMissingValue && lines > 0) m_dial.SetAngle(*count * std::numbers::pi / lines * 0.5);
  SetChildText(encoder_resolution::kPositionCounter, fmt::format("{}", static_cast<long long>(*count)));
  int on = 0;
  if (!GetAxisOn(on)) {
    FailInternal();
    return;
  }
  if (on) {
    PollAgain();
    return;
  }
  SetInfoText(kStageTexts[4]);
  Evaluate();
}

void CDetectEncoderResolution::Evaluate() {
  if (!CheckDriveErrors(1, commissioning::kMaskPositioning)) return;
  const std::optional<double> count = ReadCounter();
  if (!count) return;
  const auto lines = commissioning::EstimateEncoderLines(*count, m_moved, m_electricalCycles, m_resolutions);
  if (!lines.ok()) {
    Fail(lines.error());
    return;
  }
  m_bestLines = lines.value();
  SetChildText(encoder_resolution::kEstimatedLines, fmt::format("{}", m_bestLines));
  TestSucceeded(1);
}

void CDetectEncoderResolution::OnCancel() {
  RestoreOpenLoopOSR();
  using commissioning::FormatMeasured;
  using commissioning::ValueFormat;
  const double stored = Value(GetSetup(), kLines, false);
  switch (AskToKeepMeasuredValues({{"Encoder resolution", FormatMeasured(stored, ValueFormat::kInteger),
                                    FormatMeasured(m_bestLines, ValueFormat::kInteger)}})) {
    case IDYES: {
      const kernel::QuietErrors quiet;
      if (CVX_Parameter* lines = GetSetup()->FindParameter(kLines)) lines->SetValueInBaseUnit(m_bestLines);
      EndDialog(IDOK);
      return;
    }
    case IDNO:
      EndDialog(IDOK);
      return;
    case IDCANCEL:
      // The dialog stays: so does the open-loop override.
      OverrideOpenLoopOSR();
      return;
    default:
      if (GetTestOutcome() == 1) {
        EndDialog(IDOK);
      } else {
        CMyTestDlg::OnCancel();
      }
  }
}
