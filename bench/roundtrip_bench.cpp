// One register round trip (computation, then user value recovery) on the
// largest example setup, next to a baseline that reads and writes every
// parameter of that setup once by name. The round trip should cost at most
// five times the baseline.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "engine/sequences.h"
#include "engine/unit_scale.h"
#include "kernel/errors.h"
#include "kernel/setup_file.h"

namespace {

std::unique_ptr<CVX_Setup> LargestExample() {
  std::unique_ptr<CVX_Setup> largest;
  for (const auto& entry : std::filesystem::directory_iterator(DRIVESETUP_EXAMPLES_DIR)) {
    if (entry.path().extension() != ".json") continue;
    auto loaded = kernel::LoadSetupFile(entry.path().string());
    if (loaded.ok() && (!largest || loaded.setup->GetParametersCount() > largest->GetParametersCount()))
      largest = std::move(loaded.setup);
  }
  return largest;
}

class ExampleFixture : public benchmark::Fixture {
 public:
  void SetUp(const benchmark::State&) override {
    kernel::SetUnitScaleFunctions(&engine::ScaleFactor, &engine::ScaleOffset);
    setup = LargestExample();
  }
  void TearDown(const benchmark::State&) override {
    setup.reset();
    kernel::SetUnitScaleFunctions(nullptr, nullptr);
  }
  std::unique_ptr<CVX_Setup> setup;
};

BENCHMARK_F(ExampleFixture, RoundTrip)(benchmark::State& state) {
  if (!setup) return state.SkipWithError("no example setup loads");
  for (auto _ : state) {
    engine::ComputeRegisterParameters(*setup);
    engine::RecoverUserParameters(*setup);
  }
  state.counters["parameters"] = setup->GetParametersCount();
}

BENCHMARK_F(ExampleFixture, ReadAndWriteEveryParameterOnce)(benchmark::State& state) {
  if (!setup) return state.SkipWithError("no example setup loads");
  std::vector<std::string> names;
  for (const CVX_Parameter* p : setup->GetParameters()) names.push_back(p->GetName());
  for (auto _ : state) {
    for (const std::string& name : names) {
      const double value = setup->GetParameterValueInBaseUnit(name);
      setup->SetParameterValueInBaseUnit(name, value);
    }
  }
}

}  // namespace

BENCHMARK_MAIN();
