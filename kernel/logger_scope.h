#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "kernel/logger.h"

// A logger for the online plot: the drive streams its points as unsolicited
// frames while the program runs (code 0xE900), and says when it stops
// (0xE901). The test hands each frame to OnFrameReceive and draws what
// ReadPoint gives; the graph wraps at GetPointsNo() points.
class CVX_ScopeLogger : public CVX_Logger {
 public:
  enum class State { kIdle, kRunning, kStopped };

  CVX_ScopeLogger(CVX_Setup& setup, const CVX_CoffFormat* coff);

  // Takes the points of a data frame while running; a stop frame ends the
  // run. Frames of other codes, frames that arrive while not running and
  // points already received are ignored. Returns the number of new points;
  // a malformed frame gives 0 and leaves its fault in
  // CVX_Comm::GetLastErrorText().
  int OnFrameReceive(const kernel::UnsolicitedFrame& frame);

  // The oldest received point not yet read, (time, values ...); 0 when
  // none. Unread points beyond one window are dropped, oldest first.
  int ReadPoint(std::vector<double>& point);

  // Where the last received point sits in the window (its index modulo
  // GetPointsNo()); -1 before the first point.
  int GetPointIndex() const;
  std::int64_t GetPointsReceived() const { return m_received; }
  // Points the drive skipped, or that were dropped unread.
  std::int64_t GetPointsLost() const { return m_lost; }

  State GetState() const { return m_state; }
  bool IsStopped() const { return m_state == State::kStopped; }
  // The user stopped the plot: later frames are ignored.
  void Stop();

  void Reset() override;
  kernel::LoggingRequest MakeRequest() const override;
  void OnProgramStarted() override;

 private:
  State m_state = State::kIdle;
  std::int64_t m_received = 0;  // also the index of the next expected point
  std::int64_t m_lost = 0;
  std::deque<std::vector<double>> m_unread;
};
