#pragma once

// What the commissioning benchmarks share: the process set up as the
// program sets it up (the project's resources, virtual time, the engine's
// unit scales), an example setup with its simulated drive, and a test run as
// a person runs it.
#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "drive/simulated_drive.h"
#include "engine/unit_scale.h"
#include "kernel/drive_interface.h"
#include "kernel/setup_file.h"
#include "kernel/ui/test_base_ids.h"
#include "kernel/unit_scale.h"
#include "platform/answering_user.h"
#include "platform/dialog.h"
#include "platform/resources.h"
#include "platform/user_script.h"
#include "timebase/clock.h"

namespace benchsupport {

inline constexpr const char* kKeepQuestion = "A different value than specified has been detected";
// Longer than any of the tests takes on a sound motor.
inline constexpr int kLongestRun_ms = 60 * 1000;

struct Environment {
  Environment() {
    platform::ResourceLoad load = platform::LoadResources(DRIVESETUP_SOURCE_DIR "/resources");
    if (!load.ok()) throw std::runtime_error(load.errors.front());
    platform::SetCurrentResources(load.resources);
    timebase::SetCurrentClock(&clock);
    kernel::SetUnitScaleFunctions(&engine::ScaleFactor, &engine::ScaleOffset);
  }
  timebase::VirtualClock clock;
};

// An example setup and its simulated drive, attached as the active drive.
class ExampleOnDrive {
 public:
  explicit ExampleOnDrive(std::string_view example) {
    kernel::SetupLoadResult load =
        kernel::LoadSetupFile(std::string(DRIVESETUP_SOURCE_DIR "/examples/") + std::string(example) + ".json");
    if (!load.ok()) throw std::runtime_error(load.ErrorText());
    setup_ = std::move(load.setup);
    std::string error;
    drive_ = drive::MakeSimulatedDrive(*setup_, "", error);
    if (!drive_) throw std::runtime_error(error);
    active_.emplace(drive_.get());
  }
  CVX_Setup& setup() { return *setup_; }

 private:
  std::unique_ptr<CVX_Setup> setup_;
  std::unique_ptr<drive::SimulatedDrive> drive_;
  std::optional<kernel::ScopedActiveDrive> active_;
};

// Start, wait for the end, then `close`; the question whether to keep
// measured values is answered with Yes. `before` plays the person's steps
// before Start.
inline bool RunTest(CDialog& test, int close, const std::function<void(platform::UserScript&)>& before = {}) {
  platform::UserScript script;
  if (before) before(script);
  script.Click(testdlg::kStartStopButton)
      .WaitUntil(testdlg::kStartStopButton, {.text = "&Start"}, kLongestRun_ms)
      .Expect(testdlg::kResultBox, {.text = "Test succeeded"})
      .Click(close);
  platform::AnsweringUser person(script, kKeepQuestion, IDYES);
  {
    const platform::ScopedUser user(person);
    test.DoModal();
  }
  return script.Finish();
}

// The benchmark's loop: each iteration the process's set-up once, a fresh
// `example` on its drive, and `steps` run on it; an iteration whose steps
// did not all run as a person runs them is an error.
inline void CommissionEachIteration(benchmark::State& state, std::string_view example,
                                    const std::function<bool(CVX_Setup&)>& steps) {
  static Environment environment;
  for (auto _ : state) {
    ExampleOnDrive onDrive(example);
    if (!steps(onDrive.setup())) state.SkipWithError("a test did not run as a person runs it");
  }
}

}  // namespace benchsupport
