// The electrical commissioning of the default motor on virtual time, as a
// person runs it in one sitting: the phase connections, the resistance and
// inductance, the current controller's tuning and step, and the supply
// detection, each through its dialog on one simulated drive. The target is
// under one second of wall time for the whole.
#include <benchmark/benchmark.h>

#include "bench/test_dialog_runs.h"
#include "commissioning/current_tuning_test.h"
#include "commissioning/current_tuning_test_controls.h"
#include "commissioning/phase_connection_test.h"
#include "commissioning/resistance_inductance_test.h"
#include "commissioning/vdc_detection_test.h"

namespace {

using benchsupport::RunTest;

void BM_ElectricalCommissioning(benchmark::State& state) {
  benchsupport::CommissionEachIteration(state, "two_phase_open_loop", [](CVX_Setup& setup) {
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
    CTestVdcDetection supply(&setup);
    return RunTest(supply, testdlg::kCloseButton) && ok;
  });
}
BENCHMARK(BM_ElectricalCommissioning)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
