#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "kernel/comm.h"
#include "kernel/drive_interface.h"

// A drive that remembers what it was told, answers from tables the test
// fills, counts every call and, once told to, fails from the N-th call on.
class FakeDrive final : public kernel::IDrive {
 public:
  struct Calls {
    int download = 0;
    int writeRegister = 0;
    int start = 0;
    int readProgram = 0;
    int writeProgram = 0;
    int readVariable = 0;
    int writeVariable = 0;
    int axisOn = 0;
    int command = 0;
    int capacity = 0;
    int status = 0;
    int upload = 0;
    int frames = 0;
    int reset = 0;
    int total = 0;  // every call but TakeUnsolicitedFrames
  };

  struct StartRecord {
    std::string name;
    size_t declaredVariables = 0;
    std::vector<kernel::ProgramInput> inputs;
    kernel::LoggingRequest logging;
  };

  // The `n`-th call from now (1: the next) and every later one fail with `text`.
  void FailFromCall(int n, std::string text);

  Calls calls;
  std::vector<std::string> sequence;  // the name of each call, in order

  // What the drive was told.
  std::vector<kernel::RegisterValue> downloaded;
  std::map<std::string, double> registers;         // by NameKey
  std::map<std::string, double> programVariables;  // "program/variable", by NameKey
  std::vector<StartRecord> starts;
  std::vector<std::string> commands;
  std::vector<std::pair<int, int>> uploads;  // (first, count)

  // What it answers with.
  std::map<std::string, double> variables;  // "axis/name", by NameKey
  bool axisOn = false;
  int capacity = 4096;
  std::vector<kernel::LoggedPoint> log;
  std::vector<kernel::UnsolicitedFrame> pendingFrames;

  static std::string VariableKey(std::string_view name, int axis);
  static std::string ProgramKey(std::string_view program, std::string_view name);
  // A record of `count` points of `width` values: point k holds time k ms
  // and the values k * 10 + j.
  static std::vector<kernel::LoggedPoint> MakeLog(int count, int width);

  kernel::DriveResult<> DownloadRegisters(std::span<const kernel::RegisterValue> registers) override;
  kernel::DriveResult<> WriteRegister(const kernel::RegisterValue& reg) override;
  kernel::DriveResult<> StartProgram(const kernel::ProgramStart& start) override;
  kernel::DriveResult<double> ReadProgramVariable(const kernel::ProgramVariableRef& variable) override;
  kernel::DriveResult<> WriteProgramVariable(const kernel::ProgramVariableRef& variable, double value) override;
  kernel::DriveResult<double> ReadVariable(const kernel::DriveVariableRef& variable) override;
  kernel::DriveResult<> WriteVariable(const kernel::DriveVariableRef& variable, double value) override;
  kernel::DriveResult<bool> ReadAxisOn() override;
  kernel::DriveResult<> ExecuteCommand(std::string_view text) override;
  kernel::DriveResult<int> LoggerCapacity() override;
  kernel::DriveResult<kernel::LoggerStatus> ReadLoggerStatus() override;
  kernel::DriveResult<std::vector<kernel::LoggedPoint>> UploadLoggedPoints(int first, int count) override;
  std::vector<kernel::UnsolicitedFrame> TakeUnsolicitedFrames() override;
  kernel::DriveResult<> Reset() override;

 private:
  // Counts a call; the error when it is one that must fail.
  std::optional<kernel::DriveError> Count(int& counter, const char* name);

  std::optional<int> failFrom_;
  std::string failText_;
};

// Installs a fresh FakeDrive for a test and clears the link's last text.
class FakeDriveInstalled {
 public:
  FakeDriveInstalled() : scope_(&drive) { CVX_Comm::SetLastErrorText(""); }
  FakeDrive drive;

 private:
  kernel::ScopedActiveDrive scope_;
};
