// A parameter look-up must cost the same whatever the size of the setup:
// compare the two sizes' figures (they should agree within noise).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "kernel/setup.h"

namespace {

std::vector<std::string> Names(int count) {
  std::vector<std::string> names;
  names.reserve(count);
  for (int i = 0; i < count; ++i) names.push_back("Param_" + std::to_string(i * 7919 % 1000003));
  return names;
}

void BM_FindParameter(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::vector<std::string> names = Names(count);
  CVX_Setup setup;
  for (const std::string& n : names) setup.AddParameter(n);
  // Look names up in another letter case, as the engine often does.
  std::vector<std::string> queries;
  for (int i = 0; i < 64; ++i) {
    std::string q = names[(static_cast<size_t>(i) * 104729u) % names.size()];
    for (char& c : q) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    queries.push_back(q);
  }
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(setup.FindParameter(queries[i++ & 63]));
  }
}
BENCHMARK(BM_FindParameter)->Arg(100)->Arg(100000);

void BM_ReadValueByName(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::vector<std::string> names = Names(count);
  CVX_Setup setup;
  for (const std::string& n : names) setup.AddParameter(n)->SetValueInBaseUnit(1.5);
  const std::string query = names[names.size() / 2];
  for (auto _ : state) benchmark::DoNotOptimize(setup.GetParameterValueInBaseUnit(query));
}
BENCHMARK(BM_ReadValueByName)->Arg(100)->Arg(100000);

}  // namespace

BENCHMARK_MAIN();
