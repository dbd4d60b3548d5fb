// The run of the speed and position tuning tests: positioning (once), the
// profile on the drive, and its end.
#include <fmt/format.h>

#include <cmath>
#include <cstddef>
#include <vector>

#include "commissioning/drive_errors.h"
#include "commissioning/motion_tuning_test.h"
#include "commissioning/test_texts.h"
#include "engine/feedback_sensors.h"
#include "kernel/comm.h"
#include "kernel/errors.h"
#include "kernel/missing_value.h"
#include "kernel/parameter.h"
#include "kernel/setup.h"
#include "platform/bitmap.h"

namespace {

constexpr const char* kStageTexts[] = {"Launching the application for preliminary test",
                                       "Waiting preliminary test to be finished", "Launching the application for test",
                                       "Running test", "Uploading results"};
// Stage indices as SetInfoText leaves them.
constexpr int kPositioningStage = 2;
constexpr int kStartStage = 3;
constexpr int kRunStage = 4;
// The timer is test base's timer 1; the scope's frames come every
// millisecond.
constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kScopeTick_ms = 1;

double Value(const CVX_Setup* setup, const char* name, bool internal) {
  const kernel::QuietErrors quiet;
  if (!setup) return kMissingValue;
  return internal ? setup->GetParameterValueInInternalUnit(name) : setup->GetParameterValueInBaseUnit(name);
}

CVX_Parameter* Find(CVX_Setup& setup, const char* name) {
  const kernel::QuietErrors quiet;
  return setup.FindParameter(name);
}

}  // namespace

std::string CMotionTuningTest::ProfileErrorText(commissioning::ProfileError error) {
  std::string text;
  AfxLoadString(static_cast<UINT>(error), text);
  return text;
}

CMotionTuningTest::Plot CMotionTuningTest::PlotOfRun() {
  if (Value(GetSetup(), m_names.onlinePlot, true) == 0.0) return Plot::kUploaded;
  return m_scope ? Plot::kScope : Plot::kReadings;
}

void CMotionTuningTest::BeginTest() {
  const auto run = PlanRun();
  if (!run.ok()) {
    AfxMessageBox(run.error(), MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  m_run = run.value();
  m_plot = PlotOfRun();
  m_nStepCount = m_plot == Plot::kUploaded ? 5 : 4;
  const bool skipPositioning = m_reference && m_nTestOutcome == 1;
  m_bContinuousTest = 0;
  if (!StartRun()) return;
  if (skipPositioning) {
    m_nStepIndex = kPositioningStage;
    SetInfoText(kStageTexts[2]);
    PollAgain();
    return;
  }
  m_reference.reset();
  StartPositioning();
}

bool CMotionTuningTest::StartPositioning() {
  const double current = Value(GetSetup(), "TestCurrent", true);
  if (current == kMissingValue) {
    FailInternal();
    return false;
  }
  SetInfoText(kStageTexts[0]);
  std::string error;
  if (!SetUserVariableValue(m_positioning, "In1", current, error)) {
    Fail(error);
    return false;
  }
  // The positioning must not wait for the start mode's minimum move; the
  // test program gets it back.
  if (CVX_Parameter* minMove = Find(*GetSetup(), "ABSTART_MINMOVE")) minMove->SetValueInBaseUnit(0.0);
  if (!RunProgram(PositioningProgramName(*GetSetup()), m_positioning)) return false;
  SetInfoText(kStageTexts[1]);
  return PollAgain();
}

void CMotionTuningTest::OnPollTick() {
  switch (m_nStepIndex) {
    case kPositioningStage:
      AfterPositioning();
      return;
    case kStartStage:
      StartTestProgram();
      return;
    case kRunStage:
      switch (m_plot) {
        case Plot::kUploaded:
          WaitForTestProgram();
          return;
        case Plot::kScope:
          OnScopeTick();
          return;
        case Plot::kReadings:
          OnReadingTick();
          return;
      }
      return;
    default:
      FailInternal();
  }
}

void CMotionTuningTest::AfterPositioning() {
  if (WaitForProgram(m_positioning, commissioning::kMaskPositioning) != ProgramState::kFinished) return;
  m_reference = ReadPositioningResult(m_positioning);
  if (!m_reference) return;
  SetInfoText(kStageTexts[2]);
  PollAgain();
}

void CMotionTuningTest::StartTestProgram() {
  CVX_Setup& setup = *GetSetup();
  std::string error;
  const auto write = [&](const std::string& name, double value) {
    if (SetUserVariableValue(m_test, name, value, error)) return true;
    Fail(error);
    return false;
  };
  if (!write("RefTest", *m_reference) || !WriteLimitInputs(m_test)) return;
  for (int i = 0; i < commissioning::kProfileSegments; ++i) {
    const commissioning::ProfileSegment& segment = m_run.profile[static_cast<std::size_t>(i)];
    if (!write(fmt::format("a{}", i), segment.count) ||
        !write(fmt::format("b{}", i), static_cast<double>(segment.increment_q16) / commissioning::kQ16One))
      return;
  }
  const bool multiCycle = Value(&setup, m_names.multiCycle, true) != 0.0;
  if (!write("MultiC", multiCycle ? 1.0 : 0.0)) return;
  if (Find(setup, "ABSTART_MINMOVE")) engine::ComputeABSTART_MINMOVE(setup);

  CVX_Logger* logger = nullptr;
  if (m_plot == Plot::kUploaded) {
    logger = m_logger.get();
  } else if (m_plot == Plot::kScope) {
    ConfigureScope();
    logger = m_scope.get();
  } else {
    // The trace shows the reference from a little below rest to a little
    // beyond the target.
    const double target = m_run.target;
    const CGraphRange range = target < 0 ? CGraphRange{1.2 * target, -0.2 * target}
                                         : CGraphRange{-0.2 * target, 1.2 * target};
    m_oscilloscope.Restart(range);
  }
  if (!RunProgram(m_names.program, m_test, logger)) return;
  if (multiCycle) {
    m_bContinuousTest = 1;
    SetInfoText(commissioning::kRunningUntilStopText);
  } else {
    SetInfoText(kStageTexts[3]);
  }
  if (m_plot == Plot::kScope) {
    if (SetTimer(kPollTimer, kScopeTick_ms) == 0) Fail("The test's timer could not be started.");
    return;
  }
  PollAgain();
}

bool CMotionTuningTest::CheckRunFlag() {
  double flag = kMissingValue;
  std::string error;
  if (!GetUserVariableValue(m_test, "test_flag", flag, error)) {
    Fail(error);
    return false;
  }
  if (flag == kMissingValue) {
    FailInternal();
    return false;
  }
  if (flag <= 0.0) {
    Fail(commissioning::kCurrentProtectionText);
    return false;
  }
  return true;
}

void CMotionTuningTest::WaitForTestProgram() {
  // A profile repeated until Stop ends when the person says so; the log
  // holds its first points.
  if (m_bContinuousTest && m_bStopRequested) {
    if (!CVX_Comm::ResetActiveBoard()) {
      Fail(CVX_Comm::GetLastErrorText());
      return;
    }
  } else if (WaitForProgram(m_test, commissioning::kMaskTuning) != ProgramState::kFinished) {
    return;
  }
  if (!CheckDriveErrors(1, commissioning::kMaskTuning) || !CheckRunFlag()) return;
  FinishUploadedRun();
}

void CMotionTuningTest::FinishUploadedRun() {
  if (UploadResults(*m_logger, &m_graph, kStageTexts[4], false) == UploadEnd::kComplete) Succeed();
}

bool CMotionTuningTest::CheckFeedbackFollowed() {
  // The log's first column is the time, then the reference and the
  // feedback; a scope window's points not yet received are empty.
  const CGraphDocument& log = GetGraphDocument();
  std::vector<double> reference;
  std::vector<double> feedback;
  for (std::size_t i = 0; i < log.GetPointCount(); ++i) {
    const std::vector<double>& point = log.GetPoint(i);
    if (point.size() < 3) continue;
    reference.push_back(point[1]);
    feedback.push_back(point[2]);
  }
  const auto text = commissioning::FeedbackFaultText(
      commissioning::JudgeFeedback(m_names.controlled, reference, feedback), m_names.controlled);
  if (!text) return true;
  m_bContinuousTest = 0;
  Fail(*text);
  return false;
}

void CMotionTuningTest::Succeed() {
  if (!CheckFeedbackFollowed()) return;
  m_bContinuousTest = 0;
  TestSucceeded(1);
}
