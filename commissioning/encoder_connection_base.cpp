#include "commissioning/encoder_connection_base.h"

#include "commissioning/drive_errors.h"
#include "commissioning/program_inputs.h"
#include "kernel/comm.h"
#include "kernel/setup.h"
#include "kernel/ui/test_base_ids.h"
#include "kernel/variable.h"

BEGIN_MESSAGE_MAP(CEncoderConnectionTest, CMyTestDlg)
  ON_BN_CLICKED(testdlg::kStartStopButton, &CEncoderConnectionTest::OnStartStop)
END_MESSAGE_MAP()

CEncoderConnectionTest::CEncoderConnectionTest(CVX_Setup* setup, UINT nIDTemplate, int flag, CWnd* pParentWnd,
                                               std::string programName, std::uint16_t errorMask,
                                               const char* const* stageTexts)
    : CMyTestDlg(setup, nIDTemplate, flag, pParentWnd),
      m_programName(std::move(programName)),
      m_errorMask(errorMask),
      m_stageTexts(stageTexts) {
  // The program runs until the person presses Stop.
  m_bContinuousTest = 1;
}

BOOL CEncoderConnectionTest::OnInitDialog() {
  CMyTestDlg::OnInitDialog();
  commissioning::LoadProgram(m_program, m_programName);
  return TRUE;
}

void CEncoderConnectionTest::BeginTest() {
  ClearDisplays();
  if (!StartRun()) return;
  m_pulses.Reset();
  SetInfoText(m_stageTexts[m_nStepIndex]);
  if (!RunProgram(m_programName, m_program)) return;
  SetInfoText(m_stageTexts[m_nStepIndex]);
  PollAgain();
}

void CEncoderConnectionTest::OnPollTick() {
  // Besides the test's own bits, any protection that stopped the program:
  // counters that no longer move must not pass for a shaft held still.
  if (!CheckDriveErrors(1, m_errorMask | commissioning::kMaskProgramStoppedIgnoringEnable)) {
    // A protection (a serial encoder that does not answer) ended the run.
    if (ResetsBoardAtEnd()) CVX_Comm::ResetActiveBoard();
    return;
  }
  if (ShowPositions()) PollAgain();
}

void CEncoderConnectionTest::OnStartStop() {
  if (m_bTestRunning) {
    Stop();
  } else {
    OnBtnStartStop();
  }
}

bool CEncoderConnectionTest::EndProgram() {
  CVX_Variable* done = GetSetup()->FindVariable("var_i2", 1);
  if (done && done->SetValueInInternalUnit(1) && done->WriteToChip()) return true;
  if (done) {
    Fail(CVX_Comm::GetLastErrorText());
  } else {
    FailInternal();
  }
  return false;
}

void CEncoderConnectionTest::Stop() {
  KillTimer(1);
  // The program ends in either case: a test that failed must not leave it
  // running on the drive.
  if (!EndProgram()) {
    if (ResetsBoardAtEnd()) CVX_Comm::ResetActiveBoard();
    return;
  }
  if (ResetsBoardAtEnd() && !ResetBoard()) return;
  if (!m_pulses.PulsesSeen()) {
    Fail(kNoPulsesText);
    return;
  }
  if (const char* text = FinishedText()) SetInfoText(text);
  TestSucceeded(1);
}
