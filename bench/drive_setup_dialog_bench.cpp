// How long the Drive Setup dialog takes to open on the largest bundled
// setup, and one gain edit in it (typed, rounded through its registers,
// shown again). Both must stay well under one display frame (16 ms).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>

#include "dialogs/drive_setup_controls.h"
#include "dialogs/drive_setup_dlg.h"
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

// Opening: construction (recovery, limits, bindings), initialisation and
// the visibility rules; the person cancels at once.
void BM_OpenDriveSetupDialog(benchmark::State& state) {
  static DialogEnvironment environment;
  const std::unique_ptr<CVX_Setup> setup = LargestExample();
  for (auto _ : state) {
    CDriveSetupDlg dialog(setup.get());
    platform::UserScript script;
    script.Click(IDCANCEL);
    benchmark::DoNotOptimize(platform::RunUserScript(script, [&] { return dialog.DoModal(); }).result);
  }
}
BENCHMARK(BM_OpenDriveSetupDialog)->Unit(benchmark::kMillisecond);

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
