#pragma once

#include <string_view>
#include <vector>

#include "kernel/drive_interface.h"
#include "kernel/graph_document.h"

class CVX_CoffFormat;
class CVX_Setup;

// What a test records while its program runs. A point is the time of the
// sample followed by one value per logged variable, in the order added, so
// "logged variable 0" is the time (seconds since logging began) and
// variable k is the k-th added; values are in internal units.
class CVX_Logger {
 public:
  static constexpr int kMaxVariables = 8;

  // `coff` is the image of a program the logger serves; it may be null.
  CVX_Logger(CVX_Setup& setup, const CVX_CoffFormat* coff);
  virtual ~CVX_Logger() = default;
  CVX_Logger(const CVX_Logger&) = delete;
  CVX_Logger& operator=(const CVX_Logger&) = delete;

  // Logs a drive variable of the setup (on `axis`, 0 meaning the drive's own
  // axis 1) or a variable of the logger's program. Adding one already
  // logged changes nothing. An unknown name or one too many is refused
  // through the kernel error channel. Non-zero on success.
  int AddVariable(std::string_view name, int axis);
  void RemoveAllVariables();
  const std::vector<kernel::LoggedVariable>& GetVariables() const { return m_variables; }
  // The time plus one value per variable.
  int GetValuesPerPoint() const { return 1 + static_cast<int>(m_variables.size()); }

  // `points` at least 1; `logType` 1 samples in the slow loop, 2 in the fast
  // loop; one point every `divider` (at least 1) samples. Anything else is
  // refused (0) and the settings stay. Recorded data are dropped.
  int ChangeSettings(int points, int logType, int divider);
  int GetPointsNo() const { return m_points; }
  int GetLogType() const { return m_logType; }
  int GetDivider() const { return m_divider; }

  // Drops what was recorded; keeps the variables and the settings.
  virtual void Reset() = 0;

  // ExecuteCode use: what the drive is asked to record, and the news that
  // it has started recording it.
  virtual kernel::LoggingRequest MakeRequest() const = 0;
  virtual void OnProgramStarted() = 0;

  // What the logger recorded, as a plot: column 0 is the time in seconds,
  // column k the k-th variable added, shown in its base unit when the setup
  // gives the drive variable one. Each point read is added to it. Tests put
  // their curves on its first filter; graph windows draw it.
  CGraphDocument& GetGraphDocument() { return m_graph; }
  const CGraphDocument& GetGraphDocument() const { return m_graph; }
  // Saves the first filter's picture and the document's data as <name>.svg
  // and <name>.csv in the plot directory (kernel/plot_files.h). Non-zero
  // when both were written; a failure goes through the kernel error channel.
  int SaveGraph(std::string_view name);

 protected:
  kernel::LoggingRequest BaseRequest(kernel::LoggingRequest::Kind kind) const;
  void SetPointsNo(int points) { m_points = points; }
  // Sets the document's columns from the variables and their units as the
  // setup converts them now; drops the points.
  void UpdateGraphColumns();

 private:
  CVX_Setup& m_setup;
  const CVX_CoffFormat* m_coff;
  std::vector<kernel::LoggedVariable> m_variables;
  int m_points = 100;
  int m_logType = kernel::LoggingRequest::kSlowLoop;
  int m_divider = 1;
  CGraphDocument m_graph;
};

// A logger that records into the drive's buffer during the run and uploads
// the points afterwards, a chunk at a time.
class CVX_SingleAxisLogger : public CVX_Logger {
 public:
  // Points asked of the drive per upload call.
  static constexpr int kChunkPoints = 128;

  enum class UploadState {
    kIdle,       // no run recorded since the last reset
    kArmed,      // a program records (or has recorded); no upload yet
    kUploading,  // some points are uploaded
    kComplete,   // every recorded point is uploaded
    kFailed,     // the last upload call failed (CVX_Comm::GetLastErrorText)
  };

  CVX_SingleAxisLogger(CVX_Setup& setup, const CVX_CoffFormat* coff);

  // Lowers the point count so that points times variables fit the active
  // drive's buffer; returns the count. Without an answer from the drive the
  // count stays.
  int CorrectPointsNo();

  // Starts the upload of what the drive recorded (when armed, complete or
  // failed: from the first point again) or continues it, uploading the next
  // chunk. Returns the progress in percent, 1 to 100 (100 once every
  // recorded point is uploaded, also when there are none); 0 when no run was
  // recorded or a drive call failed, with the text in
  // CVX_Comm::GetLastErrorText().
  int BeginOrContinueUploadData();

  // The next uploaded point not yet read, (time, values ...). While an
  // upload is under way and every uploaded point has been read, it uploads
  // the next chunk first, so one BeginOrContinueUploadData() and a loop on
  // ReadPoint() read the whole record. 0 when there is no further point or
  // an upload call failed (GetUploadState() tells which).
  int ReadPoint(std::vector<double>& point);

  UploadState GetUploadState() const { return m_state; }
  // The points the drive reported when the upload began.
  int GetPointsRecorded() const { return m_recorded; }
  const std::vector<kernel::LoggedPoint>& GetUploadedPoints() const { return m_uploaded; }

  void Reset() override;
  kernel::LoggingRequest MakeRequest() const override;
  void OnProgramStarted() override;

 private:
  int Fail(std::string_view text);
  int Progress() const;

  UploadState m_state = UploadState::kIdle;
  int m_recorded = 0;
  std::vector<kernel::LoggedPoint> m_uploaded;
  size_t m_nextToRead = 0;
};
