#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <vector>
#include <string>

#include "kernel/drive_interface.h"
#include "kernel/name_key.h"

// A drive in front of another that remembers the register values it
// received (downloads and single writes), for tests that check what a test
// left on the drive, and that lets a test act while a log is uploaded.
// Every call goes on to the drive behind it.
namespace testsupport {

class RecordingDrive final : public kernel::IDrive {
 public:
  explicit RecordingDrive(kernel::IDrive& drive) : drive_(drive) {}

  // The value the drive last received for `name`; -1 when none.
  double Register(const std::string& name) const {
    const auto it = registers_.find(kernel::NameKey(name));
    return it == registers_.end() ? -1.0 : static_cast<double>(it->second);
  }
  int SingleWrites() const { return writes_; }
  // Called before each upload of logged points is passed on, with its number
  // from 1 (a person's click that arrives while the points come).
  std::function<void(int upload)> onUpload;

  kernel::DriveResult<> DownloadRegisters(std::span<const kernel::RegisterValue> registers) override {
    auto result = drive_.DownloadRegisters(registers);
    if (result.ok())
      for (const kernel::RegisterValue& reg : registers) registers_[kernel::NameKey(reg.name)] = reg.value;
    return result;
  }
  kernel::DriveResult<> WriteRegister(const kernel::RegisterValue& reg) override {
    auto result = drive_.WriteRegister(reg);
    if (result.ok()) {
      registers_[kernel::NameKey(reg.name)] = reg.value;
      ++writes_;
    }
    return result;
  }
  kernel::DriveResult<> StartProgram(const kernel::ProgramStart& start) override { return drive_.StartProgram(start); }
  kernel::DriveResult<double> ReadProgramVariable(const kernel::ProgramVariableRef& variable) override {
    return drive_.ReadProgramVariable(variable);
  }
  kernel::DriveResult<> WriteProgramVariable(const kernel::ProgramVariableRef& variable, double value) override {
    return drive_.WriteProgramVariable(variable, value);
  }
  kernel::DriveResult<double> ReadVariable(const kernel::DriveVariableRef& variable) override {
    return drive_.ReadVariable(variable);
  }
  kernel::DriveResult<> WriteVariable(const kernel::DriveVariableRef& variable, double value) override {
    return drive_.WriteVariable(variable, value);
  }
  kernel::DriveResult<bool> ReadAxisOn() override { return drive_.ReadAxisOn(); }
  kernel::DriveResult<> ExecuteCommand(std::string_view text) override { return drive_.ExecuteCommand(text); }
  kernel::DriveResult<int> LoggerCapacity() override { return drive_.LoggerCapacity(); }
  kernel::DriveResult<kernel::LoggerStatus> ReadLoggerStatus() override { return drive_.ReadLoggerStatus(); }
  kernel::DriveResult<std::vector<kernel::LoggedPoint>> UploadLoggedPoints(int first, int count) override {
    if (onUpload) onUpload(++uploads_);
    return drive_.UploadLoggedPoints(first, count);
  }
  std::vector<kernel::UnsolicitedFrame> TakeUnsolicitedFrames() override { return drive_.TakeUnsolicitedFrames(); }
  kernel::DriveResult<> Reset() override { return drive_.Reset(); }

 private:
  kernel::IDrive& drive_;
  std::map<std::string, std::int64_t> registers_;  // by kernel::NameKey
  int writes_ = 0;
  int uploads_ = 0;
};

}  // namespace testsupport
