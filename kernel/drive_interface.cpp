#include "kernel/drive_interface.h"

namespace kernel {
namespace {

DriveError NotConnected() { return DriveError{std::string(kNoDriveText)}; }

// Stands in while no drive is installed, so that every caller gets the same
// clear failure instead of checking for a null drive.
class DisconnectedDrive final : public IDrive {
 public:
  DriveResult<> DownloadRegisters(std::span<const RegisterValue>) override { return NotConnected(); }
  DriveResult<> WriteRegister(const RegisterValue&) override { return NotConnected(); }
  DriveResult<> StartProgram(const ProgramStart&) override { return NotConnected(); }
  DriveResult<double> ReadProgramVariable(const ProgramVariableRef&) override { return NotConnected(); }
  DriveResult<> WriteProgramVariable(const ProgramVariableRef&, double) override { return NotConnected(); }
  DriveResult<double> ReadVariable(const DriveVariableRef&) override { return NotConnected(); }
  DriveResult<> WriteVariable(const DriveVariableRef&, double) override { return NotConnected(); }
  DriveResult<bool> ReadAxisOn() override { return NotConnected(); }
  DriveResult<> ExecuteCommand(std::string_view) override { return NotConnected(); }
  DriveResult<int> LoggerCapacity() override { return NotConnected(); }
  DriveResult<LoggerStatus> ReadLoggerStatus() override { return NotConnected(); }
  DriveResult<std::vector<LoggedPoint>> UploadLoggedPoints(int, int) override { return NotConnected(); }
  std::vector<UnsolicitedFrame> TakeUnsolicitedFrames() override { return {}; }
  DriveResult<> Reset() override { return NotConnected(); }
};

IDrive* g_active = nullptr;

}  // namespace

void SetActiveDrive(IDrive* drive) { g_active = drive; }

IDrive& ActiveDrive() {
  static DisconnectedDrive disconnected;
  return g_active ? *g_active : disconnected;
}

bool HasActiveDrive() { return g_active != nullptr; }

ScopedActiveDrive::ScopedActiveDrive(IDrive* drive) : previous_(g_active) { g_active = drive; }

ScopedActiveDrive::~ScopedActiveDrive() { g_active = previous_; }

}  // namespace kernel
