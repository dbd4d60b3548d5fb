// `drivesetup commission`: every test a person can reach for the setup, in
// order, on the simulated drive; the setup takes what they measured only
// when all succeeded.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "host_test_support.h"
#include "unittests/support/example_setups.h"

namespace {

using namespace host_test;

class CommissionCommandSim : public SimulatedCommandTest {
 protected:
  CommissionCommandSim() : SimulatedCommandTest("closed_loop_incremental_1000") {}
  RunResult Commission() { return RunOnSimulation({"commission", "--report", report}); }

  std::string report = dir.File("report");
};

// The setup says 0.75 Ohm, 2.8 mH and 9.2e-5 kg m²; the motor has 20 % more
// of each. The electrical steps come first, each kept before the next.
TEST_F(CommissionCommandSim, AMotorUnlikeItsSetupIsMeasuredTunedAndSaved) {
  WriteFile(simulation, R"({"motor": {"R": 0.9, "L": 0.00336, "Jm": 1.104e-4, "Jload": 0}})");
  const RunResult run = Commission();
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  for (const char* step :
       {"1. Supply voltage detection\n", "2. Motor phase connections\n", "3. Resistance and inductance\n",
        "4. Motor encoder connections\n", "5. Current controller tuning\n", "6. Total inertia\n",
        "7. Speed controller tuning\n", "8. Position controller tuning\n", "9. Electric angle controller tuning\n"})
    EXPECT_NE(run.out.find(step), std::string::npos) << step << run.out;
  // As the tests through their dialogs: R within 1 %, L within 3 %.
  EXPECT_NEAR(SavedBase(output, "R"), 0.9, 0.009);
  EXPECT_NEAR(SavedBase(output, "L"), 0.00336, 0.00336 * 0.03);
  EXPECT_NE(run.out.find("  TestCurrent = 1.5 A (half the rated current 3 A)\n"), std::string::npos) << run.out;
  EXPECT_EQ(SavedBase(output, "Vdc"), 48.0) << "the supply as the setup has it";
  EXPECT_NEAR(SavedBase(output, "Jt"), 1.104e-4, 1.104e-4 * 0.03) << "the total inertia within 3 %";
  const std::string page = ReadFile(report + "/index.html");
  EXPECT_NE(page.find("Total inertia"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_regular_file(report + "/SpeedTuning.svg"));
  EXPECT_TRUE(std::filesystem::is_regular_file(report + "/SpeedTuning.csv"));
}

// At 44 V the setup's position profile (two turns in 0.2 s, 63 rad/s) asks
// for a back-EMF of 38 V: the stator-frame current controller can no longer
// hold the torque current at that electrical frequency, the motor falls
// behind and the control error protection stops it. The commissioning runs
// its profiles where the back-EMF leaves the supply room.
TEST_F(CommissionCommandSim, ASupplyBelowTheSetupsStillTunesThePositionLoop) {
  WriteFile(simulation, R"({"supply_V": 44})");
  const RunResult run = Commission();
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  EXPECT_NE(run.out.find("  TaPP = 0.685594 s (12.6 rad of the motor at a back-EMF of a quarter of the supply 44 V)\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("  TestSpeed = 18.3292 rad/s"), std::string::npos) << run.out;
  EXPECT_NEAR(SavedBase(output, "Vdc"), 44.0, 0.05) << "the supply measured";
}

TEST_F(CommissionCommandSim, AFailingTestStopsItWithItsTextAndNothingIsSaved) {
  // A short circuit a second into the drive's time: during the first tests.
  WriteFile(simulation, R"({"faults": {"mer": [{"time_s": 1.0, "bits": 2}]}})");
  const RunResult run = Commission();
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("commission: "), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Drive / Motor shortcircuit protection triggered."), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(output));
  EXPECT_TRUE(std::filesystem::is_regular_file(report + "/index.html")) << "the report says where it stopped";
}

TEST_F(CommissionCommandSim, AnOpenLoopSetupRunsWhatAPersonCanReach) {
  WriteFile(input, ReadFile(testsupport::ExamplePath("two_phase_open_loop")));
  WriteFile(simulation, R"({"supply_V": 40})");
  const RunResult run = Commission();
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* step : {"1. Supply voltage detection\n", "2. Motor phase connections\n",
                           "3. Resistance and inductance\n", "4. Current controller tuning\n"})
    EXPECT_NE(run.out.find(step), std::string::npos) << step << run.out;
  EXPECT_EQ(run.out.find("5. "), std::string::npos) << "no sensor, no motion tuning: " << run.out;
  EXPECT_EQ(SavedBase(output, "Vdc"), 40.0);
}

}  // namespace
