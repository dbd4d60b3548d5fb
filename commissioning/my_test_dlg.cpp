#include "commissioning/my_test_dlg.h"

#include <fmt/format.h>

#include <cmath>

#include "commissioning/drive_errors.h"
#include "kernel/coff_format.h"
#include "kernel/comm.h"
#include "kernel/errors.h"
#include "kernel/logger.h"
#include "kernel/missing_value.h"
#include "kernel/probe.h"
#include "kernel/setup.h"
#include "kernel/ui/graph_window.h"
#include "kernel/ui/help_topic.h"
#include "kernel/ui/test_base_ids.h"
#include "timebase/clock.h"

namespace {

constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kPollPeriod_ms = 20;
// Speed and position tuning keep the start mode's minimum move.
constexpr UINT kSpeedTuningTemplate = 102;
constexpr UINT kPositionTuningTemplate = 103;
// Bit 14 of "OSR" lets a two-phase open-loop drive run the tests' current
// programs (the word's layout is the engine's, engine/config_bits.h).
constexpr int kOsrTestModeBit = 0x4000;

double SetupValue(const CVX_Setup& setup, std::string_view name) {
  const kernel::QuietErrors quiet;
  return setup.GetParameterValueInBaseUnit(name);
}

}  // namespace

BEGIN_MESSAGE_MAP(CMyTestDlg, CVX_TestDlg)
  ON_WM_TIMER()
  ON_BN_CLICKED(testdlg::kHelpButton, &CMyTestDlg::OnHelp)
END_MESSAGE_MAP()

CMyTestDlg::CMyTestDlg(CVX_Setup* setup, UINT nIDTemplate, int flag, CWnd* pParentWnd)
    : CVX_TestDlg(setup, nIDTemplate, flag, pParentWnd) {
  if (!setup || nIDTemplate == kSpeedTuningTemplate || nIDTemplate == kPositionTuningTemplate) return;
  if (CVX_Parameter* minMove = kernel::ProbeParameter(*setup, "ABSTART_MINMOVE")) minMove->SetValueInBaseUnit(0.0);
}

CMyTestDlg::~CMyTestDlg() = default;

INT_PTR CMyTestDlg::DoModal() {
  if (GetSetup()) m_openedAs.emplace(*GetSetup());
  const INT_PTR result = CVX_TestDlg::DoModal();
  // The override lasts as long as the dialog, also after OK.
  RestoreOpenLoopOSR();
  if (result != IDOK && m_openedAs && GetSetup()) m_openedAs->RestoreInto(*GetSetup());
  m_openedAs.reset();
  return result;
}

// ----- starting a run ----------------------------------------------------------

bool CMyTestDlg::StartRun() {
  m_bTestRunning = 1;
  m_bStopRequested = 0;
  m_nTestOutcome = -1;
  m_nStepIndex = 0;
  CVX_Variable* mer = GetSetup() ? [&] {
    const kernel::QuietErrors quiet;
    return GetSetup()->FindVariable("MER", 1);
  }() : nullptr;
  // Without "MER" there is nothing to acknowledge; the first error check
  // then reports the missing variable.
  if (!mer) return true;
  if (mer->SetValueInInternalUnit(0.0) && mer->WriteToChip()) return true;
  Fail(CVX_Comm::GetLastErrorText());
  return false;
}

bool CMyTestDlg::RunProgram(std::string_view codeName, CVX_CoffFormat& coff, CVX_Logger* logger) {
  if (!ExecuteCode(codeName, coff, logger, nullptr, nullptr)) {
    FailInternal();
    return false;
  }
  m_programStarted = timebase::CurrentClock().Now();
  return true;
}

// ----- polling ------------------------------------------------------------------

bool CMyTestDlg::PollAgain() {
  if (SetTimer(kPollTimer, kPollPeriod_ms) != 0) return true;
  const std::string cause = GetLastErrorText();
  Fail(cause.empty() ? "The test's timer could not be started." : cause);
  return false;
}

void CMyTestDlg::OnTimer(UINT_PTR nIDEvent) {
  // Only the poll timer is the test's; another one a test may set goes on.
  if (nIDEvent != kPollTimer) {
    Default();
    return;
  }
  KillTimer(kPollTimer);
  if (!m_bTestRunning) {
    Default();
    return;
  }
  OnPollTick();
}

void CMyTestDlg::OnPollTick() { FailInternal(); }

CMyTestDlg::ProgramState CMyTestDlg::WaitForProgram(const CVX_CoffFormat& coff, std::uint16_t mask,
                                                    bool checkWhileRunning) {
  double started = 0.0;
  std::string error;
  if (!GetUserVariableValue(coff, "STARTED", started, error)) {
    Fail(error);
    return ProgramState::kFailed;
  }
  if (started == 0.0) {
    if (!CheckDriveErrors(1, mask)) return ProgramState::kFailed;
    if (timebase::CurrentClock().Now() - m_programStarted > kStartTimeout) {
      Fail(fmt::format("The program \"{}\" did not start on the drive within {} s.", coff.GetProgramName(),
                       kStartTimeout.count()));
      return ProgramState::kFailed;
    }
    return PollAgain() ? ProgramState::kRunning : ProgramState::kFailed;
  }
  int on = 0;
  if (!GetAxisOn(on)) {
    FailInternal();
    return ProgramState::kFailed;
  }
  if (!on) return ProgramState::kFinished;
  if (checkWhileRunning && !CheckDriveErrors(1, mask)) return ProgramState::kFailed;
  return PollAgain() ? ProgramState::kRunning : ProgramState::kFailed;
}

bool CMyTestDlg::ProgramEnded(const CVX_CoffFormat& coff, std::uint16_t mask, std::uint16_t stoppedMask) {
  return WaitForProgram(coff, mask) == ProgramState::kFinished && CheckDriveErrors(1, stoppedMask);
}

// ----- drive errors and variables --------------------------------------------

int CMyTestDlg::CheckDriveErrors(int failTest, std::uint16_t mask) {
  CVX_Variable* mer = nullptr;
  if (GetSetup()) {
    const kernel::QuietErrors quiet;
    mer = GetSetup()->FindVariable("MER", 1);
  }
  const double value = mer && mer->ReadFromChip() ? mer->GetValueInBaseUnit() : kMissingValue;
  if (!std::isfinite(value) || value == kMissingValue) {
    m_strErrorText = msc_pszErrInternal;
    if (failTest) TestFailed(1);
    return 0;
  }
  const auto bits = static_cast<std::uint16_t>(static_cast<long long>(value) & 0xFFFF);
  const std::optional<std::string_view> text = commissioning::DriveErrorText(bits, mask);
  if (!text) return 1;
  m_strErrorText = *text;
  if (failTest) TestFailed(1);
  return 0;
}

std::optional<double> CMyTestDlg::ReadDriveVariable(std::string_view name, bool inBaseUnit) {
  CVX_Variable* variable = nullptr;
  if (GetSetup()) {
    const kernel::QuietErrors quiet;
    variable = GetSetup()->FindVariable(name, 1);
  }
  if (!variable) {
    FailInternal();
    return std::nullopt;
  }
  if (!variable->ReadFromChip()) {
    Fail(CVX_Comm::GetLastErrorText());
    return std::nullopt;
  }
  const double value = inBaseUnit ? variable->GetValueInBaseUnit() : variable->GetValueInInternalUnit();
  if (!std::isfinite(value)) {
    FailInternal();
    return std::nullopt;
  }
  return value;
}

// ----- positioning ----------------------------------------------------------------

std::string CMyTestDlg::PositioningProgramName(const CVX_Setup& setup) {
  const bool openLoop = SetupValue(setup, "StepperControlType") == 0.0;
  const bool threePhase = SetupValue(setup, "StepperMotorType") == 1.0;
  return openLoop && threePhase ? "Initial_Positioning_Test_SOL3" : "Initial_Positioning_Test";
}

std::optional<double> CMyTestDlg::ReadPositioningResult(const CVX_CoffFormat& coff, bool onlyZeroFails) {
  double measured = 0.0;
  std::string error;
  if (!GetUserVariableValue(coff, "In1", measured, error)) {
    Fail(error);
    return std::nullopt;
  }
  if (measured == kMissingValue) {
    FailInternal();
    return std::nullopt;
  }
  if (onlyZeroFails ? measured == 0.0 : measured <= 0.0) {
    Fail(msc_pszErrInZero);
    return std::nullopt;
  }
  return ReadDriveVariable("REFTST_V");
}

// ----- upload ----------------------------------------------------------------------

CMyTestDlg::UploadEnd CMyTestDlg::UploadResults(CVX_SingleAxisLogger& logger, CGraphWindow* graph,
                                                std::string_view stageText, bool succeed) {
  if (!logger.BeginOrContinueUploadData()) {
    FailInternal();
    return UploadEnd::kFailed;
  }
  SetInfoText(stageText);
  if (graph) graph->ZoomOut();
  std::vector<double> point;
  while (logger.ReadPoint(point)) {
    if (graph) graph->UpdateLastPoint();
    // The dialog stays responsive while the points come.
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE)) AfxPumpMessage();
    if (m_bContinuousTest && m_bStopRequested) break;
    if (!m_bTestRunning && !m_bContinuousTest) {
      if (graph) graph->ZoomOut();
      return UploadEnd::kStoppedByPerson;
    }
  }
  if (logger.GetUploadState() == CVX_SingleAxisLogger::UploadState::kFailed) {
    Fail(CVX_Comm::GetLastErrorText());
    return UploadEnd::kFailed;
  }
  if (graph) graph->ZoomOut();
  if (succeed) TestSucceeded(1);
  return UploadEnd::kComplete;
}

// ----- "OSR" -------------------------------------------------------------------------

void CMyTestDlg::OverrideOpenLoopOSR() {
  CVX_Setup* setup = GetSetup();
  if (!setup || m_savedOSR) return;
  if (SetupValue(*setup, "StepperControlType") != 0.0 || SetupValue(*setup, "StepperMotorType") != 0.0) return;
  CVX_Parameter* osr = kernel::ProbeParameter(*setup, "OSR");
  if (!osr) return;
  m_savedOSR = osr->GetValueInInternalUnit();
  osr->SetValueInInternalUnit(static_cast<double>(static_cast<long long>(*m_savedOSR) | kOsrTestModeBit));
}

void CMyTestDlg::RestoreOpenLoopOSR() {
  if (!m_savedOSR || !GetSetup()) return;
  if (CVX_Parameter* osr = kernel::ProbeParameter(*GetSetup(), "OSR")) osr->SetValueInInternalUnit(*m_savedOSR);
  m_savedOSR.reset();
}

// ----- measured values ---------------------------------------------------------------

int CMyTestDlg::AskToKeepMeasuredValues(const std::vector<commissioning::MeasuredValue>& values) {
  if (m_nTestOutcome != 1) return 0;
  bool differs = false;
  for (const commissioning::MeasuredValue& value : values) {
    if (!value.Differs()) continue;
    differs = true;
    ReportMeasuredValue(value.label, value.oldText, value.newText);
  }
  if (!differs) return 0;
  return AfxMessageBox(commissioning::KeepValuesQuestion(values), MB_YESNOCANCEL | MB_ICONQUESTION);
}

void CMyTestDlg::EndKeepingOnYes(int answer) {
  if (answer == IDYES) {
    EndDialog(IDOK);
  } else if (answer == IDNO) {
    EndDialog(IDCANCEL);
  } else if (answer == 0) {
    CVX_TestDlg::OnCancel();
  }
}

// ----- failing and help --------------------------------------------------------------

void CMyTestDlg::Fail(std::string_view text) {
  m_strErrorText = text;
  TestFailed(1);
}

void CMyTestDlg::FailInternal() { Fail(msc_pszErrInternal); }

bool CMyTestDlg::ResetBoard() {
  if (CVX_Comm::ResetActiveBoard()) return true;
  if (m_nTestOutcome != 0) Fail(CVX_Comm::GetLastErrorText());
  return false;
}

void CMyTestDlg::OnHelp() {
  if (m_helpContext != 0) kernel::ShowHelpTopic(*this, GetSetup(), m_helpContext);
}
