// The plots of the speed and position tuning tests: the uploaded log, the
// drive's scope stream, the live readings without a scope, and the plot
// buttons.
#include <fmt/format.h>

#include <cmath>
#include <sstream>

#include "commissioning/drive_errors.h"
#include "commissioning/motion_tuning_test.h"
#include "commissioning/speed_tuning_test_controls.h"
#include "kernel/comm.h"
#include "kernel/errors.h"
#include "kernel/missing_value.h"
#include "kernel/setup.h"
#include "kernel/ui/edit_setup_dlg.h"
#include "kernel/ui/scope_dialogs.h"
#include "kernel/variable.h"

namespace {

namespace ids = speed_tuning;

// The log of a run: 2000 points, one each slow-loop sample.
constexpr int kLogPoints = 2000;
constexpr int kLogEverySample = 1;
// The scope's window until the person sets another.
constexpr int kScopePoints = 1000;
// Reference and feedback on the left axis, the currents on the right.
constexpr int kColours[] = {1, 2, 3, 4};
constexpr int kCurveWidth = 1;

void AddCurves(CGraphFilter& filter, std::size_t variables) {
  filter.RemoveAllCurves();
  for (std::size_t k = 0; k < variables; ++k)
    filter.AddCurve(CXYCurve(0, static_cast<int>(k) + 1, k < 2 ? 1 : 2, kColours[k % 4], kCurveWidth));
}

// "points divider" as OnOK keeps them.
bool ReadScopeSettings(const std::string& text, int& points, int& divider) {
  std::istringstream in(text);
  return static_cast<bool>(in >> points >> divider) && points > 0 && divider > 0;
}

}  // namespace

void CMotionTuningTest::SetUpPlots() {
  CVX_Setup& setup = *GetSetup();
  m_logger = std::make_unique<CVX_SingleAxisLogger>(setup, &m_test);
  m_logger->ChangeSettings(kLogPoints, kernel::LoggingRequest::kSlowLoop, kLogEverySample);
  for (const char* name : m_names.logged) m_logger->AddVariable(name, 1);
  AddCurves(m_logger->GetGraphDocument().GetFilter(), m_names.logged.size());
  if (setup.GetIntOption("hasOscilloscope") != 0) {
    m_scope = std::make_unique<CVX_ScopeLogger>(setup, &m_test);
    int points = kScopePoints;
    int divider = kLogEverySample;
    ReadScopeSettings(setup.GetOptionNoError(m_names.scopeSettings), points, divider);
    m_scope->ChangeSettings(points, kernel::LoggingRequest::kSlowLoop, divider);
    for (const char* name : m_names.logged) m_scope->AddVariable(name, 1);
    AddCurves(m_scope->GetGraphDocument().GetFilter(), m_names.logged.size());
  }
  m_graph.Create(this, ids::kGraph, m_logger->GetGraphDocument().GetFilter());
  m_oscilloscope.Create(this, ids::kOscilloscope, {{m_names.liveReference, ""}, {m_names.liveFeedback, ""}});
}

const CGraphDocument& CMotionTuningTest::GetGraphDocument() const {
  if (m_plot == Plot::kScope && m_scope) return m_scope->GetGraphDocument();
  if (m_plot == Plot::kReadings) return m_oscilloscope.GetGraphDocument();
  return m_logger->GetGraphDocument();
}

CVX_Logger& CMotionTuningTest::ShownLogger() {
  if (m_plot == Plot::kScope && m_scope) return *m_scope;
  return *m_logger;
}

CGraphWindow& CMotionTuningTest::ShownGraph() { return m_plot == Plot::kReadings ? m_oscilloscope.GetWindow() : m_graph; }

// ----- the scope --------------------------------------------------------------

void CMotionTuningTest::ConfigureScope() {
  m_scope->Reset();
  m_graph.Create(this, ids::kGraph, m_scope->GetGraphDocument().GetFilter());
  if (!m_frameHandler) {
    m_frameHandler = CVX_Comm::RegisterReceiveUnsolicitedMsgHandler(
        [this](const kernel::UnsolicitedFrame& frame) { m_scope->OnFrameReceive(frame); });
  }
}

void CMotionTuningTest::OnScopeTick() {
  CVX_Comm::DispatchUnsolicitedFrames();
  std::vector<double> point;
  while (m_scope->ReadPoint(point)) {
    if (m_frozen) continue;
    const int index = m_scope->GetPointIndex();
    m_graph.UpdatePoint(static_cast<std::size_t>(index));
    // A full window drawn: the plot starts over from its left edge.
    if (index == m_scope->GetPointsNo() - 1) m_graph.Redraw();
  }
  // The person's Stop ends a repeated profile: the drive stops and streams
  // no more.
  if (m_bContinuousTest && m_bStopRequested && !m_scope->IsStopped()) {
    m_scope->Stop();
    if (!CVX_Comm::ResetActiveBoard()) {
      Fail(CVX_Comm::GetLastErrorText());
      return;
    }
  }
  if (!m_scope->IsStopped()) {
    if (!CheckDriveErrors(1, commissioning::kMaskTuning)) return;
    int on = 1;
    // A drive that stopped the program without a stop frame (a protection
    // that reset the stream) has the axis off.
    if (GetAxisOn(on) && on) {
      if (SetTimer(1, 1) == 0) Fail("The test's timer could not be started.");
      return;
    }
  }
  EndLivePlot();
}

// ----- live readings without a scope --------------------------------------------

void CMotionTuningTest::OnReadingTick() {
  if (m_bContinuousTest && m_bStopRequested) {
    if (!CVX_Comm::ResetActiveBoard()) {
      Fail(CVX_Comm::GetLastErrorText());
      return;
    }
    EndLivePlot();
    return;
  }
  CVX_Setup& setup = *GetSetup();
  CVX_Variable* reference = nullptr;
  CVX_Variable* feedback = nullptr;
  {
    const kernel::QuietErrors quiet;
    reference = setup.FindVariable(m_names.liveReference, 1);
    feedback = setup.FindVariable(m_names.liveFeedback, 1);
  }
  if (!reference || !feedback || !reference->ReadFromChip() || !feedback->ReadFromChip()) {
    FailInternal();
    return;
  }
  // The feedback is shown in the unit of the reference.
  const std::string unit = reference->GetUnitName();
  if (!unit.empty()) feedback->ChangeUnitType(unit);
  const auto shown = [&](CVX_Variable& v) {
    if (unit.empty()) return fmt::format("{} IU", kernel::FormatParameterValue(v.GetValueInInternalUnit(), 0));
    return fmt::format("{} {}", kernel::FormatParameterValue(v.GetValueInBaseUnit(), 3), unit);
  };
  SetChildText(ids::kReferenceValue, shown(*reference));
  SetChildText(ids::kFeedbackValue, shown(*feedback));
  if (!m_frozen) {
    const double t = std::chrono::duration<double>(timebase::CurrentClock().Now()).count();
    m_oscilloscope.AddReadings(t, {reference->GetValueInInternalUnit(), feedback->GetValueInInternalUnit()});
  }
  if (!CheckDriveErrors(1, commissioning::kMaskTuning) || !CheckRunFlag()) return;
  int on = 1;
  if (!GetAxisOn(on)) {
    FailInternal();
    return;
  }
  if (!on) {
    EndLivePlot();
    return;
  }
  PollAgain();
}

void CMotionTuningTest::EndLivePlot() {
  if (!CheckDriveErrors(1, commissioning::kMaskTuning) || !CheckRunFlag()) return;
  Succeed();
}

// ----- buttons ------------------------------------------------------------------

void CMotionTuningTest::OnSavePlots() {
  if (!IsTestRunning()) ShownLogger().SaveGraph(m_names.plotName);
}

void CMotionTuningTest::OnSavePicture() {
  if (!IsTestRunning()) ShownGraph().CreateWMF(m_names.plotName);
}

void CMotionTuningTest::OnExportData() {
  if (!IsTestRunning()) ShownGraph().GetFilter()->ExportToASCII(m_names.plotName);
}

void CMotionTuningTest::OnScopeSettings() {
  if (IsTestRunning() || !m_scope) return;
  m_scopeSettingsUsed = true;
  EditScopeSettings(*m_scope, this);
}

void CMotionTuningTest::OnScopeDefaults() {
  // Only settings the person changed go back.
  if (IsTestRunning() || !m_scope || !m_scopeSettingsUsed) return;
  m_scope->ChangeSettings(kScopePoints, kernel::LoggingRequest::kSlowLoop, kLogEverySample);
}

void CMotionTuningTest::OnScopeAutoscale() {
  if (!m_scope) return;
  m_scopeSettingsUsed = true;
  m_graph.ZoomOut();
}

void CMotionTuningTest::OnScopeLoad() {
  if (IsTestRunning() || !m_scope) return;
  m_scopeSettingsUsed = true;
  std::string name = m_names.plotName;
  if (!DoPromptScopeLoggerFileName(this, name)) return;
  if (const std::string error = LoadScopeRecording(*m_scope, name); !error.empty()) {
    AfxMessageBox(error, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  m_plot = Plot::kScope;
  m_graph.Create(this, ids::kGraph, m_scope->GetGraphDocument().GetFilter());
  m_graph.ZoomOut();
}

void CMotionTuningTest::OnScopeSave() {
  if (IsTestRunning() || !m_scope) return;
  std::string name = m_names.plotName;
  if (DoPromptScopeLoggerFileName(this, name)) SaveScopeRecording(*m_scope, name);
}

void CMotionTuningTest::OnPause() {
  if (m_scope || !IsTestRunning()) return;
  m_frozen = true;
  EnableChild(ids::kPauseButton, false);
  EnableChild(ids::kResumeButton, true);
}

void CMotionTuningTest::OnResume() {
  if (m_scope) return;
  m_frozen = false;
  EnableChild(ids::kPauseButton, true);
  EnableChild(ids::kResumeButton, false);
}
