// The analogue reference and voltage-mode programs on the simulated drive,
// read the way their tests read them.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "drive/continuous_run.h"
#include "drive/sim_bench.h"
#include "kernel/program_run.h"
#include "kernel/setup.h"

namespace {

TEST(AnalogueReferenceSim, TheTestsFormulaShowsTheVoltageAtTheInput) {
  // A ramp from −8 V to +8 V over a second, on the ±10 V input.
  SimBench bench("closed_loop_incremental_1000.json",
                 R"({"person": {"analogue_input": [[0, -8], [1, 8]]}})");
  ContinuousRun run(bench, "Analogue_Reference_Test");
  ASSERT_TRUE(run.Start());
  for (double t : {0.1, 0.5, 0.9}) {
    run.RunFor(t - bench.drive().drive_time_s() + 1e-9);
    const double shown = 20.0 * bench.Variable("AD5") / 65472 - 10.0;
    // Half a step of the 10-bit converter over 20 V, and the ramp's move
    // within one fast step.
    EXPECT_NEAR(shown, -8.0 + 16.0 * t, 20.0 / 1023 / 2 + 0.01) << t;
  }
  EXPECT_TRUE(bench.drive().running());  // until the test stops it
}

// The input's wiring comes from the setup: a drive wired for 0..5 V maps
// 0..5 V onto the whole converter and clips what lies beyond.
TEST(AnalogueReferenceSim, TheSetupsInputRangeIsTheWiring) {
  SimBench bench("open_loop_step_loss_encoder.json", R"({"person": {"analogue_input": [[0, 0], [1, 5]]}})");
  ContinuousRun run(bench, "Analogue_Reference_Test");
  ASSERT_TRUE(run.Start());
  run.RunFor(0.5);
  EXPECT_NEAR(5.0 * bench.Variable("AD5") / 65472, 2.5, 5.0 / 1023 / 2 + 0.01);

  SimBench overRange("open_loop_step_loss_encoder.json", R"({"person": {"analogue_input": [[0, 8]]}})");
  ContinuousRun clipped(overRange, "Analogue_Reference_Test");
  ASSERT_TRUE(clipped.Start());
  clipped.RunFor(0.1);
  EXPECT_EQ(overRange.Variable("AD5"), 65472);
}

TEST(VoltageControllerSim, RetriesLowerUntilAcceptedAndReportsTheSpeedConstant) {
  SimBench bench("two_phase_open_loop.json");
  const double kc = bench.CurrentScale();
  ContinuousRun run(bench, "Voltage_Controller_Test");
  std::string error;
  const double top = 40.0;  // microsteps per slow sample
  for (const auto& [name, value] :
       std::initializer_list<std::pair<const char*, double>>{{"Maximum_spd", top},
                                                             {"Minim_crt", 0.5 * kc},
                                                             {"Nominal_crt", 2.0 * kc},
                                                             {"KUPHASE_val", 0},
                                                             {"USTBYCRT_val", 0},
                                                             {"UOFFSET_val", 600}}) {
    ASSERT_TRUE(kernel::SetUserVariableValue(run.image(), name, value, error)) << error;
  }
  ASSERT_TRUE(run.Start());

  // The user answers No once: the test lowers the top speed and retries.
  auto wait_for_question = [&] {
    for (int k = 0; k < 200 && bench.Variable("VAR_STATUS") != 8; ++k) run.RunFor(0.02);
    return bench.Variable("VAR_STATUS") == 8;
  };
  ASSERT_TRUE(wait_for_question());
  EXPECT_NEAR(bench.Variable("CSPD"), top, 0.5);
  ASSERT_TRUE(kernel::SetUserVariableValue(run.image(), "Maximum_spd", 0.8 * top, error));
  ASSERT_TRUE(run.Write("VAR_STATUS", 9));
  run.RunFor(0.02);
  EXPECT_NE(bench.Variable("VAR_STATUS"), 8);
  ASSERT_TRUE(wait_for_question());
  EXPECT_NEAR(bench.Variable("CSPD"), 0.8 * top, 0.5);

  ASSERT_TRUE(run.Write("VAR_STATUS", 10));
  run.RunFor(0.02);
  EXPECT_FALSE(bench.drive().running());
  const double k = bench.ProgramVariable("Voltage_Controller_Test", "komega_val");
  EXPECT_GT(k, 0);
  EXPECT_EQ(k, bench.Variable("KOMEGA"));
  // The voltage that drives the run current against the back-EMF at the
  // accepted speed, by the motor's own figures: U = |(R + jωL)·I + E|. The
  // rotor's load angle and the adaptation's rest leave some 30 %.
  const CVX_Setup& setup = bench.setup();
  const double pi = 3.141592653589793;
  const double rev_s = 0.8 * top / setup.GetParameterValueInInternalUnit("STEPRES") /
                       (2.0 * setup.GetParameterValueInInternalUnit("SLPER") *
                        setup.GetParameterValueInInternalUnit("PWMPER") / setup.GetParameterValueInBaseUnit("DSP_freq"));
  const double w = 2 * pi * rev_s;
  const double we = w * setup.GetParameterValueInBaseUnit("NoMotorSteps") / 4;
  const double r_drop = setup.GetParameterValueInBaseUnit("R") * 2.0;
  const double l_drop = we * setup.GetParameterValueInBaseUnit("L") * 2.0;
  const double emf = setup.GetParameterValueInBaseUnit("K") * w;
  const double volts = std::hypot(r_drop + emf, l_drop);
  const double expected_k = (volts * bench.VoltageScale() - 600) / (0.8 * top);
  EXPECT_NEAR(k, expected_k, 0.3 * expected_k);
  EXPECT_EQ(bench.Variable("MER"), 0.0);
}

}  // namespace
