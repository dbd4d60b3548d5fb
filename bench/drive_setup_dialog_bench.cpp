// How long the setup dialogs take to open on the largest bundled setup, and
// one gain edit in the Drive Setup dialog (typed, rounded through its
// registers, shown again). Each must stay well under one display frame
// (16 ms); opening the Drive Setup dialog takes about 0.5 ms, and the
// dialogs it opens should take no longer than 1 ms each.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>

#include "dialogs/drive_setup_controls.h"
#include "dialogs/drive_setup_dlg.h"
#include "dialogs/filters_dlg.h"
#include "dialogs/motor_setup_dlg.h"
#include "dialogs/reference_dlg.h"
#include "engine/sequences.h"
#include "engine/unit_scale.h"
#include "kernel/setup_file.h"
#include "kernel/unit_scale.h"
#include "platform/resources.h"
#include "platform/user_actions.h"
#include "platform/user_script.h"
#include "timebase/clock.h"

namespace {

// The gains of the current, position and speed controllers; the first one
// the example's configuration lets a person edit is the one typed into.
constexpr int kGainEdits[] = {drivesetup::kKpCurrentEdit, drivesetup::kKpPositionEdit, drivesetup::kKpSpeedEdit};

// The process-wide state every dialog needs: resources, virtual time, the
// plug-in's unit scales.
struct DialogEnvironment {
  DialogEnvironment() {
    platform::ResourceLoad load = platform::LoadResources(DRIVESETUP_SOURCE_DIR "/resources");
    if (!load.ok()) throw std::runtime_error(load.errors.front());
    platform::SetCurrentResources(load.resources);
    timebase::SetCurrentClock(&clock);
    kernel::SetUnitScaleFunctions(&engine::ScaleFactor, &engine::ScaleOffset);
    // The motor editor reads no one's own USER motor database.
    setenv("DRIVESETUP_USER_MOTORS", "/nonexistent/drivesetup_bench_user_motors.json", 1);
  }
  timebase::VirtualClock clock;
};

std::unique_ptr<CVX_Setup> LoadExample(const char* name) {
  kernel::SetupLoadResult load = kernel::LoadSetupFile(std::string(DRIVESETUP_SOURCE_DIR "/examples/") + name);
  if (!load.ok()) throw std::runtime_error(load.ErrorText());
  return std::move(load.setup);
}

// The largest bundled setup.
std::unique_ptr<CVX_Setup> LargestExample() { return LoadExample("open_loop_step_loss_encoder.json"); }

// Opening: construction (bindings; the Drive Setup dialog also recovers the
// user values and limits), initialisation and the visibility rules; the
// person cancels at once, which puts the setup back.
template <class Dialog>
void BM_OpenDialog(benchmark::State& state) {
  static DialogEnvironment environment;
  const std::unique_ptr<CVX_Setup> setup = LargestExample();
  // What the opener of a sub-dialog runs first, outside the measurement.
  engine::ComputeRegisterParameters(*setup);
  engine::RecoverUserParameters(*setup);
  for (auto _ : state) {
    Dialog dialog(setup.get());
    platform::UserScript script;
    script.Click(IDCANCEL);
    benchmark::DoNotOptimize(platform::RunUserScript(script, [&] { return dialog.DoModal(); }).result);
  }
}
BENCHMARK(BM_OpenDialog<CDriveSetupDlg>)->Name("BM_OpenDriveSetupDialog")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenDialog<CMotorSetupDialog>)->Name("BM_OpenMotorSetupDialog")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenDialog<CFiltersDialog>)->Name("BM_OpenFiltersDialog")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenDialog<CAnalogReferenceDlg>)->Name("BM_OpenReferenceDialog")->Unit(benchmark::kMillisecond);

// One gain edit in an open dialog. The largest example runs open loop in
// voltage mode with the correction of position errors, where no controller
// gain shows, so the edit runs on the closed-loop example, which shows them
// all.
void BM_EditGainInDriveSetupDialog(benchmark::State& state) {
  static DialogEnvironment environment;
  const std::unique_ptr<CVX_Setup> setup = LoadExample("closed_loop_incremental_1000.json");
  CDriveSetupDlg dialog(setup.get());
  platform::UserScript script;
  script
      .Call([&state](CDialog& open) {
        const int* gain = std::find_if(std::begin(kGainEdits), std::end(kGainEdits), [&open](int id) {
          const auto control = platform::ReadControl(open, id);
          return control && control->visible && control->enabled;
        });
        if (gain == std::end(kGainEdits)) {
          state.SkipWithError("no gain can be edited in this configuration");
          return;
        }
        state.SetLabel("control " + std::to_string(*gain));
        int i = 0;
        for (auto _ : state) {
          if (!platform::TypeInto(open, *gain, (i++ % 2) ? "1.25" : "2.5").ok) {
            state.SkipWithError("the gain edit refused the text");
            break;
          }
        }
      })
      .Click(IDCANCEL);
  platform::RunUserScript(script, [&] { return dialog.DoModal(); });
}
BENCHMARK(BM_EditGainInDriveSetupDialog)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
