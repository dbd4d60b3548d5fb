#include "kernel/logger_scope.h"

#include <fmt/format.h>

#include "kernel/comm.h"

CVX_ScopeLogger::CVX_ScopeLogger(CVX_Setup& setup, const CVX_CoffFormat* coff) : CVX_Logger(setup, coff) {}

kernel::LoggingRequest CVX_ScopeLogger::MakeRequest() const {
  return BaseRequest(kernel::LoggingRequest::Kind::kScope);
}

void CVX_ScopeLogger::OnProgramStarted() {
  UpdateGraphColumns();
  Reset();
  m_state = State::kRunning;
}

void CVX_ScopeLogger::Reset() {
  m_state = State::kIdle;
  m_received = 0;
  m_lost = 0;
  m_unread.clear();
  GetGraphDocument().ClearPoints();
}

void CVX_ScopeLogger::Stop() {
  if (m_state == State::kRunning) m_state = State::kStopped;
}

int CVX_ScopeLogger::GetPointIndex() const {
  if (m_received == 0) return -1;
  return static_cast<int>((m_received - 1) % GetPointsNo());
}

int CVX_ScopeLogger::OnFrameReceive(const kernel::UnsolicitedFrame& frame) {
  if (m_state != State::kRunning) return 0;
  if (frame.code == kernel::kScopeStoppedFrame) {
    m_state = State::kStopped;
    return 0;
  }
  if (frame.code != kernel::kScopeDataFrame) return 0;

  const int width = GetValuesPerPoint();
  if (frame.valuesPerPoint != width || frame.values.size() % static_cast<size_t>(width) != 0) {
    CVX_Comm::SetLastErrorText(fmt::format("A scope frame of {} values per point and {} values arrived; the scope logs "
                                           "{} values per point.",
                                           frame.valuesPerPoint, frame.values.size(), width));
    return 0;
  }
  const auto count = static_cast<std::int64_t>(frame.values.size() / static_cast<size_t>(width));
  const auto first = static_cast<std::int64_t>(frame.firstPoint);
  if (first > m_received) {
    m_lost += first - m_received;
    m_received = first;
  }
  int taken = 0;
  for (std::int64_t k = m_received - first; k < count; ++k) {
    const auto begin = frame.values.begin() + static_cast<std::ptrdiff_t>(k * width);
    m_unread.emplace_back(begin, begin + width);
    ++m_received;
    ++taken;
  }
  while (m_unread.size() > static_cast<size_t>(GetPointsNo())) {
    m_unread.pop_front();
    ++m_lost;
  }
  return taken;
}

int CVX_ScopeLogger::ReadPoint(std::vector<double>& point) {
  if (m_unread.empty()) return 0;
  const auto index = static_cast<std::size_t>((m_received - static_cast<std::int64_t>(m_unread.size())) %
                                              GetPointsNo());
  point = std::move(m_unread.front());
  m_unread.pop_front();
  // The plot is one window wide: a point overwrites the one a window
  // earlier, and points the drive skipped stay gaps.
  CGraphDocument& graph = GetGraphDocument();
  while (graph.GetPointCount() < index) graph.AddPoint({});
  graph.SetPoint(index, point);
  return 1;
}
