#include <algorithm>
#include <fmt/format.h>

#include "kernel/comm.h"
#include "kernel/logger.h"

CVX_SingleAxisLogger::CVX_SingleAxisLogger(CVX_Setup& setup, const CVX_CoffFormat* coff) : CVX_Logger(setup, coff) {}

int CVX_SingleAxisLogger::CorrectPointsNo() {
  const kernel::DriveResult<int> capacity = kernel::ActiveDrive().LoggerCapacity();
  if (!kernel::Succeeded(capacity)) return GetPointsNo();
  const int variables = std::max(1, static_cast<int>(GetVariables().size()));
  const int fitting = std::max(1, capacity.value() / variables);
  if (GetPointsNo() > fitting) SetPointsNo(fitting);
  return GetPointsNo();
}

kernel::LoggingRequest CVX_SingleAxisLogger::MakeRequest() const {
  return BaseRequest(kernel::LoggingRequest::Kind::kBuffer);
}

void CVX_SingleAxisLogger::OnProgramStarted() {
  UpdateGraphColumns();
  Reset();
  m_state = UploadState::kArmed;
}

void CVX_SingleAxisLogger::Reset() {
  m_state = UploadState::kIdle;
  m_recorded = 0;
  m_uploaded.clear();
  m_nextToRead = 0;
  GetGraphDocument().ClearPoints();
}

int CVX_SingleAxisLogger::Fail(std::string_view text) {
  CVX_Comm::SetLastErrorText(text);
  m_state = UploadState::kFailed;
  return 0;
}

int CVX_SingleAxisLogger::Progress() const {
  if (m_recorded == 0) return 100;
  const auto uploaded = static_cast<long long>(m_uploaded.size());
  return static_cast<int>(std::max(1LL, uploaded * 100 / m_recorded));
}

int CVX_SingleAxisLogger::BeginOrContinueUploadData() {
  kernel::IDrive& drive = kernel::ActiveDrive();
  if (m_state == UploadState::kIdle) {
    CVX_Comm::SetLastErrorText("The logger has recorded no run to upload.");
    return 0;
  }
  if (m_state != UploadState::kUploading) {
    const kernel::DriveResult<kernel::LoggerStatus> status = drive.ReadLoggerStatus();
    if (!kernel::Succeeded(status)) {
      m_state = UploadState::kFailed;
      return 0;
    }
    m_recorded = std::max(0, status.value().pointsRecorded);
    m_uploaded.clear();
    m_nextToRead = 0;
    m_state = UploadState::kUploading;
  }
  const int first = static_cast<int>(m_uploaded.size());
  const int count = std::min(kChunkPoints, m_recorded - first);
  if (count > 0) {
    kernel::DriveResult<std::vector<kernel::LoggedPoint>> chunk = drive.UploadLoggedPoints(first, count);
    if (!kernel::Succeeded(chunk)) {
      m_state = UploadState::kFailed;
      return 0;
    }
    // A drive that answers with nothing would keep a reader looping forever.
    if (chunk.value().empty() || static_cast<int>(chunk.value().size()) > count)
      return Fail(fmt::format("The drive sent {} logged points where {} were asked for.", chunk.value().size(), count));
    const size_t expected = GetVariables().size();
    for (const kernel::LoggedPoint& point : chunk.value()) {
      if (point.values.size() != expected)
        return Fail(fmt::format("The drive sent a logged point of {} values; the logger logs {} variables.",
                                point.values.size(), expected));
      m_uploaded.push_back(point);
    }
  }
  if (static_cast<int>(m_uploaded.size()) >= m_recorded) m_state = UploadState::kComplete;
  return Progress();
}

int CVX_SingleAxisLogger::ReadPoint(std::vector<double>& point) {
  if (m_nextToRead >= m_uploaded.size()) {
    if (m_state != UploadState::kUploading) return 0;
    if (!BeginOrContinueUploadData()) return 0;
    if (m_nextToRead >= m_uploaded.size()) return 0;
  }
  const kernel::LoggedPoint& p = m_uploaded[m_nextToRead++];
  point.clear();
  point.push_back(p.time_s);
  point.insert(point.end(), p.values.begin(), p.values.end());
  GetGraphDocument().AddPoint(point);
  return 1;
}
