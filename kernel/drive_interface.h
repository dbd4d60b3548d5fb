#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kernel/program_image.h"
#include "kernel/value_type.h"

// The one boundary between the kernel and a drive. A serial or network link
// to a real drive, or the simulated drive, implements IDrive; the kernel's
// drive classes (CVX_Variable::ReadFromChip, CVX_Parameter::WriteToChip,
// CVX_Comm, ExecuteCode, the loggers) talk to the drive only through it.
namespace kernel {

// What every call made while no drive is installed fails with.
inline constexpr std::string_view kNoDriveText = "No drive is connected.";

// A call that succeeded and has nothing to return.
struct Done {};

// Why a call failed, in words the user can act on ("The drive does not
// answer."). Never empty.
struct DriveError {
  std::string text;
};

// The outcome of a drive call: a value, or the communication error text.
template <typename T = Done>
class [[nodiscard]] DriveResult {
 public:
  // Implicit both ways, so that a drive writes `return 3.0;` or
  // `return DriveError{"..."};`.
  DriveResult(T value) : value_(std::move(value)) {}
  DriveResult(DriveError error) : error_(std::move(error.text)) {
    if (error_.empty()) error_ = "The drive link failed without saying why.";
  }

  bool ok() const { return value_.has_value(); }
  const T& value() const { return *value_; }
  // Empty when ok().
  const std::string& error() const { return error_; }

 private:
  std::optional<T> value_;
  std::string error_;
};

// A register parameter of the setup as the drive receives it. The kernel
// treats every parameter of an integer value type (int16, uint16, int32,
// uint32) as a register; its internal value is already an integer in range.
struct RegisterValue {
  std::string name;
  ValueType type = ValueType::kUInt16;
  std::int64_t value = 0;
};

// A drive variable ("MER", "APOS_MT"); axis 1 is the drive's own axis.
struct DriveVariableRef {
  std::string_view name;
  int axis = 1;
  ValueType type = ValueType::kInt16;
};

// A variable of a test program ("STARTED", "In1").
struct ProgramVariableRef {
  std::string_view program;
  std::string_view name;
  ValueType type = ValueType::kInt16;
};

struct LoggedVariable {
  std::string name;
  int axis = 1;
};

// What a program records while it runs. A buffer is recorded in the drive
// and uploaded afterwards; a scope streams its points as unsolicited frames.
struct LoggingRequest {
  enum class Kind { kNone, kBuffer, kScope };
  // Log type 1 samples in the slow (speed and position) loop, 2 in the fast
  // (current) loop.
  static constexpr int kSlowLoop = 1;
  static constexpr int kFastLoop = 2;

  Kind kind = Kind::kNone;
  std::vector<LoggedVariable> variables;
  int points = 0;   // buffer: points to record; scope: points per window
  int logType = kSlowLoop;
  int divider = 1;  // one point every `divider` samples of that loop
};

struct ProgramInput {
  std::string name;
  ValueType type = ValueType::kInt16;
  double value = 0.0;
};

struct ProgramStart {
  std::string_view name;
  std::span<const ProgramVariable> variables;  // as the program image declares them
  std::vector<ProgramInput> inputs;            // the inputs written since the image was read
  LoggingRequest logging;
};

struct LoggerStatus {
  int pointsRecorded = 0;  // ready to upload, counted from the program's start
  int pointsRequested = 0;
  bool recording = false;  // the program still records
};

// One recorded point: its time since the program started logging, and one
// value per logged variable in request order, in internal units.
struct LoggedPoint {
  double time_s = 0.0;
  std::vector<double> values;
};

// A frame the drive sends without being asked.
inline constexpr std::uint16_t kScopeDataFrame = 0xE900;
inline constexpr std::uint16_t kScopeStoppedFrame = 0xE901;

struct UnsolicitedFrame {
  std::uint16_t code = 0;
  // Scope data frames: the index of the frame's first point since the scope
  // started, and the values of whole points, each (time_s, one value per
  // logged variable in request order).
  std::uint32_t firstPoint = 0;
  int valuesPerPoint = 0;
  std::vector<double> values;
};

// Requirements on every implementation:
//  - A call returns as soon as the drive has answered; it never sleeps or
//    waits on a real clock, and never moves timebase::CurrentClock(). What
//    the drive reports reflects its state at CurrentClock().Now(): a drive
//    that runs programs in time (the simulated one) brings itself up to that
//    instant before it answers.
//  - Every call may fail: a broken link, a drive that does not answer, a name
//    the drive does not know, a value it refuses. A failure returns a
//    DriveError whose text tells the user what went wrong; it changes
//    nothing on the drive unless the call says otherwise. The kernel never
//    retries and never throws across this boundary; neither may a drive.
//  - Names (registers, variables, programs) are matched without regard to
//    letter case, as everywhere in the kernel.
//  - Values cross as doubles in the drive's internal units; integer types
//    arrive already rounded and in range for their type.
//  - Single-threaded: the kernel calls from its user-interface thread only,
//    and a drive calls nothing back (frames wait for TakeUnsolicitedFrames).
//  - Given the same calls at the same clock times, a drive answers the same.
class IDrive {
 public:
  virtual ~IDrive() = default;

  // Loads the setup's register parameters into the drive, in setup order.
  // Registers the drive does not have are ignored; a program started later
  // runs with these values. Fails without a partial load.
  virtual DriveResult<> DownloadRegisters(std::span<const RegisterValue> registers) = 0;
  // Changes one register now (a gain edited while a test runs). Fails for a
  // register the drive does not have.
  virtual DriveResult<> WriteRegister(const RegisterValue& reg) = 0;

  // Starts the named program: a program still running is stopped first,
  // the given inputs are set (over any earlier write), STARTED, test_flag
  // and the other outputs start from 0, and the requested logging replaces
  // any earlier one. The program sets STARTED to 1 once it runs and
  // switches the axis off when it ends. Fails for an unknown program, a
  // variable it does not define, or logging it cannot do (an unknown
  // variable, more values than LoggerCapacity()).
  virtual DriveResult<> StartProgram(const ProgramStart& start) = 0;
  // A program's variable, before, during or after its run; 0 when the
  // program has not set it. Fails for a variable the program does not have.
  virtual DriveResult<double> ReadProgramVariable(const ProgramVariableRef& variable) = 0;
  // Sets a program's variable; a running program sees it at its next step,
  // a program not yet started gets it at its start.
  virtual DriveResult<> WriteProgramVariable(const ProgramVariableRef& variable, double value) = 0;

  // A drive variable ("MER", "APOS_MT", "var_i2") of an axis, as the drive
  // holds it now. Both fail for a variable the drive does not have; a write
  // also for one it does not let the user change.
  virtual DriveResult<double> ReadVariable(const DriveVariableRef& variable) = 0;
  virtual DriveResult<> WriteVariable(const DriveVariableRef& variable, double value) = 0;
  // Whether the power stage of the axis is enabled (a program runs it).
  virtual DriveResult<bool> ReadAxisOn() = 0;
  // Command text in the drive's own language, such as
  // "DISCAPI;!CAP;ENCAPI1;"; fails for a command the drive rejects.
  virtual DriveResult<> ExecuteCommand(std::string_view text) = 0;

  // How many values (points times logged variables) the buffer holds.
  virtual DriveResult<int> LoggerCapacity() = 0;
  // The buffer of the program started last; zero points when it logs none.
  virtual DriveResult<LoggerStatus> ReadLoggerStatus() = 0;
  // Points [first, first + count) of the buffer; fails when the range goes
  // beyond pointsRecorded.
  virtual DriveResult<std::vector<LoggedPoint>> UploadLoggedPoints(int first, int count) = 0;

  // The frames sent since the last call, oldest first; never fails (a broken
  // link simply sends nothing).
  virtual std::vector<UnsolicitedFrame> TakeUnsolicitedFrames() = 0;

  // Resets the board: stops any program, switches the axis off, ends logging
  // and streaming and drops unsent frames. Registers keep their values.
  virtual DriveResult<> Reset() = 0;
};

// The drive the process talks to; not owned. nullptr disconnects: every call
// then fails with kNoDriveText.
void SetActiveDrive(IDrive* drive);
// The installed drive, or a disconnected one that fails every call.
IDrive& ActiveDrive();
bool HasActiveDrive();

// Installs a drive for its lifetime and then restores the previous one.
class ScopedActiveDrive {
 public:
  explicit ScopedActiveDrive(IDrive* drive);
  ~ScopedActiveDrive();
  ScopedActiveDrive(const ScopedActiveDrive&) = delete;
  ScopedActiveDrive& operator=(const ScopedActiveDrive&) = delete;

 private:
  IDrive* previous_;
};

}  // namespace kernel
