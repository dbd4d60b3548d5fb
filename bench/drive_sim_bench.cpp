// One second of drive time on the simulated drive with the current loop at
// its real rate (10 kHz on the example setup): the resistance program holding
// its current under the fixed-point controller, then a positioning run. The
// "drive_s_per_s" rate is the factor over real time; the aim is at least 200.
#include <benchmark/benchmark.h>

#include <stdexcept>
#include <string>

#include "drive/simulated_drive.h"
#include "kernel/coff_format.h"
#include "kernel/drive_link.h"
#include "kernel/program_run.h"
#include "kernel/setup_file.h"
#include "timebase/clock.h"

namespace {

kernel::ProgramStart StartOf(const CVX_CoffFormat& image, double current_counts) {
  return {image.GetProgramName(), image.GetImage().variables, {{"In1", kernel::ValueType::kInt16, current_counts}}, {}};
}

void BM_OneSecondOfDriveTime(benchmark::State& state) {
  auto loaded = kernel::LoadSetupFile(std::string(DRIVESETUP_EXAMPLES_DIR) + "/two_phase_open_loop.json");
  if (!loaded.ok()) throw std::runtime_error(loaded.ErrorText());
  const CVX_Setup& setup = *loaded.setup;
  CVX_CoffFormat resistance(kernel::GetOutPathName("Ident_R_or_Rs_SOL"));
  CVX_CoffFormat positioning(kernel::GetOutPathName("Initial_Positioning_Test"));
  if (!resistance.ReadCoff() || !positioning.ReadCoff()) throw std::runtime_error("program images missing");
  const auto registers = kernel::CollectRegisters(setup);
  // The drive follows the process clock on every call; held at zero, only
  // AdvanceTo moves it.
  const timebase::ScopedVirtualClock clock;
  for (auto _ : state) {
    std::string error;
    auto drive = drive::MakeSimulatedDrive(setup, "", error);
    if (!drive->DownloadRegisters(registers).ok() || !drive->StartProgram(StartOf(resistance, 6000)).ok()) {
      state.SkipWithError("the resistance program did not start");
      break;
    }
    drive->AdvanceTo(0.9);
    if (!drive->StartProgram(StartOf(positioning, 6000)).ok()) {
      state.SkipWithError("the positioning program did not start");
      break;
    }
    drive->AdvanceTo(1.0);
    if (!drive->running()) state.SkipWithError("the positioning program ended early");
    benchmark::DoNotOptimize(drive->plant().state());
  }
  state.counters["drive_s_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_OneSecondOfDriveTime)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
