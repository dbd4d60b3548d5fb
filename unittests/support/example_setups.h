#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "engine/unit_scale.h"
#include "kernel/setup.h"
#include "kernel/setup_file.h"
#include "kernel/unit_scale.h"

// The bundled example setups, and the engine's unit scales installed as the
// host installs the plug-in's, for tests of any folder.
namespace testsupport {

// The bundled examples, by file name without ".json".
inline constexpr std::string_view kOpenLoop = "two_phase_open_loop";
inline constexpr std::string_view kOpenLoopLoadEncoder = "open_loop_step_loss_encoder";
inline constexpr std::string_view kClosedLoopIncremental = "closed_loop_incremental_1000";
inline constexpr std::string_view kClosedLoopSsi = "closed_loop_ssi_17bit";
inline constexpr std::string_view kThreePhase = "three_phase_open_loop";

// Loads examples/<name>.json; fails the test when it does not load.
inline std::unique_ptr<CVX_Setup> LoadExample(std::string_view name) {
  const std::string path = std::string(DRIVESETUP_SOURCE_DIR "/examples/") + std::string(name) + ".json";
  kernel::SetupLoadResult load = kernel::LoadSetupFile(path);
  EXPECT_TRUE(load.ok()) << path << ": " << load.ErrorText();
  return std::move(load.setup);
}

// Converts through the engine's unit scales while it lives.
class ScopedEngineUnitScales {
 public:
  ScopedEngineUnitScales() : savedFactor_(kernel::InstalledScaleFactor()), savedOffset_(kernel::InstalledScaleOffset()) {
    kernel::SetUnitScaleFunctions(&engine::ScaleFactor, &engine::ScaleOffset);
  }
  ~ScopedEngineUnitScales() { kernel::SetUnitScaleFunctions(savedFactor_, savedOffset_); }
  ScopedEngineUnitScales(const ScopedEngineUnitScales&) = delete;
  ScopedEngineUnitScales& operator=(const ScopedEngineUnitScales&) = delete;

 private:
  kernel::ScaleFactorFn savedFactor_;
  kernel::ScaleOffsetFn savedOffset_;
};

}  // namespace testsupport
