#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <functional>
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
// All of them, for suites that run on every example.
inline constexpr const char* kExampleNames[] = {"two_phase_open_loop", "open_loop_step_loss_encoder",
                                                "closed_loop_incremental_1000", "closed_loop_ssi_17bit",
                                                "three_phase_open_loop"};

// The path of the example `name`, given with or without ".json".
inline std::string ExamplePath(std::string_view name) {
  std::string path = std::string(DRIVESETUP_SOURCE_DIR "/examples/") + std::string(name);
  if (!name.ends_with(".json")) path += ".json";
  return path;
}

// Loads the example `name` (with or without ".json"); nullptr after a test
// failure that names the file and what was wrong with it.
inline std::unique_ptr<CVX_Setup> LoadExample(std::string_view name) {
  const std::string path = ExamplePath(name);
  kernel::SetupLoadResult load = kernel::LoadSetupFile(path);
  EXPECT_TRUE(load.ok()) << path << ": " << load.ErrorText();
  return load.ok() ? std::move(load.setup) : nullptr;
}

// Examples/<name>.json changed by `edit` on its JSON document, for a drive
// that lacks a parameter or has another capability; fails the test when the
// result does not load.
inline std::unique_ptr<CVX_Setup> EditedExample(std::string_view name,
                                                const std::function<void(nlohmann::json&)>& edit) {
  const std::unique_ptr<CVX_Setup> original = LoadExample(name);
  if (!original) return nullptr;
  nlohmann::json document = nlohmann::json::parse(kernel::SerializeSetup(*original));
  edit(document);
  kernel::SetupLoadResult load = kernel::ParseSetup(document.dump());
  EXPECT_TRUE(load.ok()) << name << " as edited: " << load.ErrorText();
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
