#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "kernel/setup.h"
#include "kernel/unit_scale.h"
#include "platform/ui.h"
#include "platform/user_script.h"
#include "timebase/clock.h"

// The fixture of every dialog test: the project's resources, virtual time,
// the engine's unit scales installed as the host installs the plug-in's, and
// a setup loaded from one of the bundled examples.
namespace dialogtest {

// The bundled examples, by file name without ".json".
inline constexpr std::string_view kOpenLoop = "two_phase_open_loop";
inline constexpr std::string_view kOpenLoopLoadEncoder = "open_loop_step_loss_encoder";
inline constexpr std::string_view kClosedLoopIncremental = "closed_loop_incremental_1000";
inline constexpr std::string_view kClosedLoopSsi = "closed_loop_ssi_17bit";
inline constexpr std::string_view kThreePhase = "three_phase_open_loop";

// Loads examples/<name>.json; fails the test when it does not load.
std::unique_ptr<CVX_Setup> LoadExample(std::string_view name);

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Loads an example into `setup`.
  void UseExample(std::string_view name);
  // Plays `script` while `open` shows the outermost dialog.
  platform::ScriptRun Run(platform::UserScript& script, const std::function<INT_PTR()>& open);

  // Base-unit and internal values of the setup, failing the test for a name
  // the setup lacks.
  double Base(std::string_view name) const;
  double Internal(std::string_view name) const;
  void SetBase(std::string_view name, double value);
  void SetInternal(std::string_view name, double value);

  // What the opener of a sub-dialog runs before opening it: register
  // computation, then user value recovery.
  void RunOpenerSequences();

  timebase::VirtualClock clock;
  std::unique_ptr<CVX_Setup> setup;

 private:
  kernel::ScaleFactorFn savedFactor_ = nullptr;
  kernel::ScaleOffsetFn savedOffset_ = nullptr;
};

}  // namespace dialogtest
