#include "commissioning/ssi_offset_test.h"

#include <fmt/format.h>

#include "commissioning/drive_errors.h"
#include "commissioning/encoder_position.h"
#include "commissioning/measured_values.h"
#include "commissioning/program_inputs.h"
#include "engine/serial_encoder.h"
#include "engine/setup_access.h"
#include "kernel/comm.h"
#include "kernel/missing_value.h"
#include "kernel/setup.h"
#include "kernel/ui/test_base_ids.h"
#include "timebase/clock.h"

using namespace ssi_offset;

namespace {

constexpr const char* kStageTexts[CTestSSIEncoderOffset::kStepCount] = {
    "Launching code for the encoder offset test",
    "Reading results",
};

// "SSITYPE" 2: the sensor speaks BiSS.
constexpr double kBissType = 2;

bool LoadSensorIsSerial(const CVX_Setup& setup) {
  const double type = setup.GetParameterValueInBaseUnit("LoadSensorType");
  return type == 3 || type == 4;
}

}  // namespace

CTestSSIEncoderOffset::CTestSSIEncoderOffset(CVX_Setup* setup, int flag, CWnd* pParentWnd)
    : CMyTestDlg(setup, kTemplateId, flag, pParentWnd) {
  m_nStepCount = kStepCount;
  SetHelpContext(kHelpContext);
  AddParameterControls("TestCurrent", kTestCurrentEdit, kTestCurrentUnit);
}

BOOL CTestSSIEncoderOffset::OnInitDialog() {
  CMyTestDlg::OnInitDialog();
  CVX_Setup& setup = *GetSetup();
  m_offsetAtOpening = setup.GetParameterValueInInternalUnit("ZAOFF");
  commissioning::LoadProgram(m_program, kProgram);
  if (setup.GetParameterValueInInternalUnit("SSITYPE") == kBissType) {
    SetChildText(testdlg::kPurposeText, "Identifies the BiSS offset.");
  }
  return TRUE;
}

void CTestSSIEncoderOffset::BeginTest() {
  SetChildText(kOffsetEdit, "");
  if (GetSetup()->GetParameterValueInInternalUnit("TestCurrent") == kMissingValue) return;
  m_endedAt.reset();
  if (!StartRun()) return;
  SetInfoText(kStageTexts[m_nStepIndex]);
  if (const auto error = commissioning::WriteInputs(m_program, {{"RefTest", 0}, {"RIncTest", 0}})) {
    Fail(*error);
  } else if (RunProgram(kProgram, m_program)) {
    SetInfoText(kStageTexts[m_nStepIndex]);
    PollAgain();
  }
  if (!m_bTestRunning) CVX_Comm::ResetActiveBoard();
}

void CTestSSIEncoderOffset::OnPollTick() {
  if (m_nStepIndex != 2) {
    FailInternal();
  } else if (WaitForProgram(m_program, commissioning::kMaskFeedbackAndEnable) == ProgramState::kFinished) {
    AfterDetection();
  }
  // Every end of a run leaves the board reset; a success has reset it
  // before it was declared.
  if (!m_bTestRunning && m_nTestOutcome != 1) CVX_Comm::ResetActiveBoard();
}

void CTestSSIEncoderOffset::AfterDetection() {
  CVX_Setup& setup = *GetSetup();
  // A protection that stopped the program leaves no result; say which.
  if (!CheckDriveErrors(1, commissioning::kMaskProgramStopped)) return;
  const std::optional<double> done = ReadDriveVariable("var_i1");
  if (!done) return;
  if (*done != 1) {
    const auto now = timebase::CurrentClock().Now();
    if (!m_endedAt) m_endedAt = now;
    if (now - *m_endedAt > kResultTimeout) {
      Fail(kNoResult);
    } else {
      PollAgain();
    }
    return;
  }
  const double bits = setup.GetParameterValueInBaseUnit(LoadSensorIsSerial(setup) ? "SSI_No_Bits_Revolution_LD"
                                                                                   : "SSI_No_Bits_Revolution");
  const std::optional<double> reading = ReadDriveVariable("ZAOFF");
  if (!reading) return;
  const auto offset = commissioning::SerialOffsetInTurn(*reading, bits);
  if (!offset.ok()) {
    Fail(offset.error());
    return;
  }
  engine::WriteInternal(setup, "ZAOFF", static_cast<double>(offset.value()));
  engine::RecoverSSI_Offset(setup);
  engine::ComputeZAOFF(setup);
  RefreshAllParameters();
  SetChildText(kOffsetEdit, fmt::format("{}", static_cast<long long>(setup.GetParameterValueInInternalUnit("ZAOFF"))));
  if (!ResetBoard()) return;
  TestSucceeded(1);
}

void CTestSSIEncoderOffset::OnCancel() {
  using commissioning::FormatMeasured;
  using commissioning::ValueFormat;
  const int answer = AskToKeepMeasuredValues({
      {"Encoder offset: ", FormatMeasured(m_offsetAtOpening, ValueFormat::kInteger),
       FormatMeasured(GetSetup()->GetParameterValueInInternalUnit("ZAOFF"), ValueFormat::kInteger)},
  });
  EndKeepingOnYes(answer);
}
