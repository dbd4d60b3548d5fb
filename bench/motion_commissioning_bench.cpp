// The motion commissioning of the closed-loop example motor on virtual time,
// as a person runs it in one sitting: the total inertia test, then the speed
// and the position controller's tuning, each tuned and run once, through
// their dialogs on one simulated drive. (The default setup runs in open
// loop, where the Drive Setup dialog offers none of these tests.) The
// target is under one second of wall time for the whole.
#include <benchmark/benchmark.h>

#include "bench/test_dialog_runs.h"
#include "commissioning/position_tuning_test.h"
#include "commissioning/position_tuning_test_controls.h"
#include "commissioning/speed_tuning_test.h"
#include "commissioning/speed_tuning_test_controls.h"
#include "commissioning/total_inertia_test.h"

namespace {

using benchsupport::RunTest;

void BM_MotionCommissioning(benchmark::State& state) {
  benchsupport::CommissionEachIteration(state, "closed_loop_incremental_1000", [](CVX_Setup& setup) {
    // Each test opens on what the one before it kept.
    bool ok = true;
    {
      CTotalInertiaTest inertia(&setup);
      ok = RunTest(inertia, testdlg::kCloseButton) && ok;
    }
    {
      CTestSpeedTuning speed(&setup);
      ok = RunTest(speed, testdlg::kOkButton, [](platform::UserScript& script) {
             script.Tab(speed_tuning::kTabs, 1).Click(speed_tuning::kTuneButton);
           }) && ok;
    }
    CTestPositionTuning position(&setup);
    return RunTest(position, testdlg::kOkButton, [](platform::UserScript& script) {
             script.Tab(position_tuning::kTabs, 1).Click(position_tuning::kTuneButton);
           }) && ok;
  });
}
BENCHMARK(BM_MotionCommissioning)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
