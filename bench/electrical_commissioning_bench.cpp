// The electrical commissioning of the default motor on virtual time, as a
// person runs it in one sitting: the phase connections, the resistance and
// inductance, the current controller's tuning and step, and the supply
// detection, each through its dialog on one simulated drive. The target is
// under one second of wall time for the whole.
#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "commissioning/current_tuning_test.h"
#include "commissioning/current_tuning_test_controls.h"
#include "commissioning/phase_connection_test.h"
#include "commissioning/resistance_inductance_test.h"
#include "commissioning/vdc_detection_test.h"
#include "drive/simulated_drive.h"
#include "engine/unit_scale.h"
#include "kernel/drive_interface.h"
#include "kernel/setup_file.h"
#include "kernel/ui/test_base_ids.h"
#include "kernel/unit_scale.h"
#include "platform/answering_user.h"
#include "platform/resources.h"
#include "platform/user_script.h"
#include "timebase/clock.h"

namespace {

constexpr const char* kKeepQuestion = "A different value than specified has been detected";
// Longer than any of these tests takes on a sound motor.
constexpr int kLongestRun_ms = 60 * 1000;

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

// Start, wait for the end, then `close`; the question whether to keep
// measured values is answered with Yes.
bool RunTest(CDialog& test, int close, const std::function<void(platform::UserScript&)>& before = {}) {
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

void BM_ElectricalCommissioning(benchmark::State& state) {
  static Environment environment;
  for (auto _ : state) {
    kernel::SetupLoadResult load = kernel::LoadSetupFile(DRIVESETUP_SOURCE_DIR "/examples/two_phase_open_loop.json");
    if (!load.ok()) throw std::runtime_error(load.ErrorText());
    CVX_Setup& setup = *load.setup;
    std::string error;
    const std::unique_ptr<drive::SimulatedDrive> drive = drive::MakeSimulatedDrive(setup, "", error);
    if (!drive) throw std::runtime_error(error);
    const kernel::ScopedActiveDrive active(drive.get());

    bool ok = true;
    {
      CTestPhaseConnections phases(&setup, 1);
      ok = RunTest(phases, testdlg::kCloseButton) && ok;
    }
    {
      CTestRL resistance(&setup, 1);
      ok = RunTest(resistance, testdlg::kCloseButton) && ok;
    }
    {
      CTestCurrent current(&setup, 1);
      ok = RunTest(current, testdlg::kOkButton, [](platform::UserScript& script) {
             script.Tab(current_tuning::kTabs, 1).Click(current_tuning::kTuneButton);
           }) && ok;
    }
    {
      CTestVdcDetection supply(&setup);
      ok = RunTest(supply, testdlg::kCloseButton) && ok;
    }
    if (!ok) state.SkipWithError("a test did not run as a person runs it");
  }
}
BENCHMARK(BM_ElectricalCommissioning)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
