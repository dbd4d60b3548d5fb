#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "kernel/setup.h"
#include "unittests/support/environment.h"

namespace host_test {

using testsupport::TempDir;

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);

// A small setup that the plug-in's unit scales leave alone (dimensionless
// values, "Hz"): the values printed are the values stored.
//   "Gain"      double 2.5, no limits, dimensionless
//   "PWM_freq"  Hz shown in kHz, 20000 within [1000, 100000]
//   "KPI"       int16 register, 100
//   the five transmission-related parameters of an open-loop axis
//     (200 steps, 16 microsteps, StepperControlType 0, transmissions 1)
//   units "Hz" (kHz) and, when `withStepFamilies`, "rad" ... "rad/s^3"
//   variables "MER" and "APOS" (rad) of axis 1; option "MaxFilters" "4"
CVX_Setup MakeTestSetup(bool withStepFamilies = true);
// Saves MakeTestSetup() to `path` and returns `path`.
std::string WriteTestSetup(const std::string& path, bool withStepFamilies = true);

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

// drivesetup's RunDriveSetup in this process, with `args` after the program name.
RunResult RunInProcess(const std::vector<std::string>& args);
// The built program in its own process (DRIVESETUP_BINARY_DIR/bin/drivesetup);
// `shellPrefix` runs first in the same shell ("ulimit -f 1;").
RunResult RunBinary(const std::vector<std::string>& args, const std::string& shellPrefix = "");

// A value of a saved setup in its base unit, as drivesetup shows it with
// the plug-in's unit scales (`get --json`); 0 after a failed check when the
// file cannot be read.
double SavedBase(const std::string& path, const std::string& name);

// The fixture of a command on the simulated drive: in a fresh folder, the
// input setup (a copy of an example), the simulation object's file and the
// path of the saved setup.
class SimulatedCommandTest : public ::testing::Test {
 protected:
  explicit SimulatedCommandTest(std::string_view example);
  // `--setup input --sim simulation --out output` then `args`, in the
  // program's own process.
  RunResult RunOnSimulation(const std::vector<std::string>& args) const;

  TempDir dir;
  std::string input = dir.File("input.json");
  std::string output = dir.File("output.json");
  std::string simulation = dir.File("sim.json");
};

// The lines of `text` (without their ends).
std::vector<std::string> Lines(const std::string& text);

}  // namespace host_test
