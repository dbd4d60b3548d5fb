#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "drive/simulated_drive.h"
#include "kernel/drive_interface.h"
#include "kernel/parameter.h"
#include "kernel/setup.h"
#include "platform/resources.h"
#include "platform/user_script.h"
#include "timebase/clock.h"
#include "unittests/support/example_setups.h"

// The fixture of the commissioning test dialogs: the project's resources,
// virtual time, the engine's unit scales, and an example setup with a
// simulated drive behind the kernel's drive link.
namespace testsupport {

class TestDialogFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResourceLoad load = platform::LoadResources(DRIVESETUP_SOURCE_DIR "/resources");
    ASSERT_TRUE(load.ok()) << load.errors.front();
    platform::SetCurrentResources(load.resources);
    clock_.emplace();
    scales_.emplace();
  }
  void TearDown() override {
    active_.reset();
    drive_.reset();
    scales_.reset();
    clock_.reset();
  }

  // Loads examples/<name>.json and attaches a simulated drive; `simulation`
  // replaces the setup's "simulation" object (the true motor and faults).
  // Time starts again at 0, where the simulation's fault times count from.
  void UseExample(std::string_view name, std::string_view simulation = "") {
    active_.reset();
    clock_.reset();
    clock_.emplace();
    setup = LoadExample(name);
    ASSERT_NE(setup, nullptr);
    std::string error;
    drive_ = drive::MakeSimulatedDrive(*setup, simulation, error);
    ASSERT_NE(drive_, nullptr) << error;
    active_.emplace(drive_.get());
  }

  platform::ScriptRun Run(platform::UserScript& script, const std::function<INT_PTR()>& open) {
    return platform::RunUserScript(script, open);
  }

  CVX_Parameter& Parameter(std::string_view name) {
    CVX_Parameter* parameter = setup->FindParameter(std::string(name));
    EXPECT_NE(parameter, nullptr) << name;
    static CVX_Parameter none(nullptr, "none", -1);
    return parameter ? *parameter : none;
  }
  double Base(std::string_view name) { return Parameter(name).GetValueInBaseUnit(); }
  double Internal(std::string_view name) { return Parameter(name).GetValueInInternalUnit(); }
  void SetBase(std::string_view name, double value) { EXPECT_TRUE(Parameter(name).SetValueInBaseUnit(value)); }
  void SetInternal(std::string_view name, double value) {
    EXPECT_TRUE(Parameter(name).SetValueInInternalUnit(value));
  }

  timebase::VirtualClock& clock() { return clock_->clock(); }
  drive::SimulatedDrive& drive() { return *drive_; }

  std::unique_ptr<CVX_Setup> setup;

 private:
  std::optional<timebase::ScopedVirtualClock> clock_;
  std::optional<ScopedEngineUnitScales> scales_;
  std::unique_ptr<drive::SimulatedDrive> drive_;
  std::optional<kernel::ScopedActiveDrive> active_;
};

}  // namespace testsupport
