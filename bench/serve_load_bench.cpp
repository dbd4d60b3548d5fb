// drivesetup serve under load: 50 clients poll the state as fast as they
// are answered for 10 s while the person runs the supply detection test
// again and again. Reports the state's response times; fails (as an error
// of the benchmark) when a request is lost, an action is refused, or the
// test measures under load anything but what it measures alone.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "unittests/support/serve_process.h"

namespace {

using Clock = std::chrono::steady_clock;
using testsupport::ServeProcess;
using Json = nlohmann::json;

constexpr int kClients = 50;
constexpr std::chrono::seconds kLoadTime{10};
constexpr int kDetectVdcButton = 3171;
constexpr int kStartStopButton = 10000;
constexpr int kResultBox = 10001;
constexpr int kCloseButton = 2;
constexpr int kMeasuredVdc = 1012;
constexpr auto kLongestTest = std::chrono::seconds(30);

std::string ControlText(const Json& state, int id) {
  if (state["dialogs"].empty()) return {};
  for (const Json& control : state["dialogs"].back()["controls"])
    if (control["id"] == id) return control["text"];
  return {};
}

// One run of the supply detection from the Drive Setup dialog: the voltage
// it shows, or an error text starting with "!".
std::string RunDetection(ServeProcess& server, int& actions) {
  auto act = [&](const Json& step) {
    ++actions;
    return server.Act(step).status == 200;
  };
  ++actions;
  if (!server.OpenDriveSetup()) return "! the Drive Setup did not open";
  if (!act({{"do", "click"}, {"id", kDetectVdcButton}})) return "! the test did not open";
  if (!act({{"do", "click"}, {"id", kStartStopButton}})) return "! the test did not start";
  std::uint64_t revision = 0;
  Json state;
  const Clock::time_point giveUp = Clock::now() + kLongestTest;
  while (Clock::now() < giveUp) {
    state = server.Get("/api/state?after=" + std::to_string(revision)).Json();
    revision = state.value("revision", revision);
    const std::string result = ControlText(state, kResultBox);
    if (result == "Test succeeded") break;
    if (result == "Test failed") return "! the test failed";
  }
  const std::string measured = ControlText(state, kMeasuredVdc);
  if (!act({{"do", "click"}, {"id", kCloseButton}})) return "! the test did not close";
  // A test that measured something asks whether to keep it.
  const Json box = server.State()["messageBox"];
  if (box.is_object() && !act({{"do", "answer"}, {"text", box["text"]}, {"button", box["buttons"][0]}}))
    return "! the keep question was not answered";
  if (!act({{"do", "click"}, {"id", kCloseButton}})) return "! the Drive Setup did not close";
  return measured;
}

double Percentile(std::vector<double>& sorted, double share) {
  if (sorted.empty()) return 0.0;
  const std::size_t at = std::min(sorted.size() - 1, static_cast<std::size_t>(share * static_cast<double>(sorted.size())));
  return sorted[at];
}

void BM_StatePollingWhileATestRuns(benchmark::State& bench) {
  for (auto _ : bench) {
    ServeProcess server({"--setup", DRIVESETUP_SOURCE_DIR "/examples/two_phase_open_loop.json"});
    if (!server.Started()) return bench.SkipWithError(("the server did not start: " + server.Printed()).c_str());
    int actions = 0;
    const std::string alone = RunDetection(server, actions);
    if (alone.empty() || alone[0] == '!') return bench.SkipWithError(("alone: " + alone).c_str());

    std::atomic<bool> stop{false};
    std::atomic<int> lost{0};
    std::vector<std::vector<double>> times_ms(kClients);
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i) {
      clients.emplace_back([&, i] {
        httplib::Client client("127.0.0.1", server.Port());
        client.set_read_timeout(30, 0);
        const httplib::Headers token{{"X-Drivesetup-Token", server.Token()}};
        while (!stop.load()) {
          const Clock::time_point sent = Clock::now();
          const httplib::Result answer = client.Get("/api/state", token);
          const std::chrono::duration<double, std::milli> took = Clock::now() - sent;
          if (!answer || answer->status != 200) ++lost;
          times_ms[static_cast<std::size_t>(i)].push_back(took.count());
        }
      });
    }
    int runs = 0;
    int differing = 0;
    actions = 0;
    const Clock::time_point end = Clock::now() + kLoadTime;
    while (Clock::now() < end) {
      const std::string measured = RunDetection(server, actions);
      ++runs;
      if (measured != alone) ++differing;
    }
    stop = true;
    for (std::thread& client : clients) client.join();
    const int status = server.Stop();

    std::vector<double> all;
    for (const auto& client : times_ms) all.insert(all.end(), client.begin(), client.end());
    std::sort(all.begin(), all.end());
    bench.counters["polls"] = static_cast<double>(all.size());
    bench.counters["polls_per_s"] = static_cast<double>(all.size()) / static_cast<double>(kLoadTime.count());
    bench.counters["p50_ms"] = Percentile(all, 0.50);
    bench.counters["p95_ms"] = Percentile(all, 0.95);
    bench.counters["p99_ms"] = Percentile(all, 0.99);
    bench.counters["max_ms"] = all.empty() ? 0.0 : all.back();
    bench.counters["test_runs"] = runs;
    bench.counters["actions"] = actions;
    if (lost > 0) return bench.SkipWithError((std::to_string(lost.load()) + " polls were lost").c_str());
    if (differing > 0)
      return bench.SkipWithError((std::to_string(differing) + " runs measured other than " + alone).c_str());
    if (status != 0) return bench.SkipWithError("the server did not stop cleanly");
  }
}
BENCHMARK(BM_StatePollingWhileATestRuns)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
