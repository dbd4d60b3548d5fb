#include "drive/open_loop_stepping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "drive/simulation_config.h"

namespace drive {
namespace {

// A context that records the current command and counts steps; every slow
// loop sample is 8 fast ones.
class RecordingContext final : public ProgramContext {
 public:
  double fast_period_s() const override { return 1e-4; }
  double slow_period_s() const override { return 8e-4; }
  std::int64_t step_index() const override { return step; }
  bool IsSlowLoopStep() const override { return step % 8 == 0; }
  const NamedValues& registers() const override { return values; }
  NamedValues& variables() override { return values; }
  NamedValues& program_variables() override { return values; }
  const SimulationConfig& simulation() const override { return config; }
  MotorModel& motor() override { return model; }
  StatorVector measured_current_counts() const override { return {}; }
  std::int32_t MeasureSupply_counts() override { return 0; }
  double current_counts_per_A() const override { return 1.0; }
  double voltage_counts_per_V() const override { return 1.0; }
  void CommandCurrent(const StatorVector& reference_counts) override { current = reference_counts; }
  void CommandVoltage(const StatorVector&) override {}
  StatorVector voltage_reference_counts() const override { return {}; }
  void StartLogging() override {}
  void RaiseErrors(std::uint16_t) override {}
  std::uint16_t errors() const override { return 0; }

  std::int64_t step = 0;
  StatorVector current;
  NamedValues values;
  SimulationConfig config;
  MotorModel model{MotorParams{}};
};

TEST(OpenLoopStepper, CurrentFollowsTheMicrostepAtRunCurrentThenDropsToStandBy) {
  NamedValues registers;
  registers.Set("IDRSTEP", 8000);
  registers.Set("SBYCRT", 4000);
  registers.Set("TIMESBC", 10);
  OpenLoopStepper stepper(registers, 1024);
  RecordingContext context;

  stepper.Step(context, 256);  // a quarter of the electrical turn: phase B
  EXPECT_NEAR(context.current.alpha, 0.0, 1e-9);
  EXPECT_NEAR(context.current.beta, 8000.0, 1e-9);

  // Standing still: the run current for "TIMESBC" slow samples, then stand-by.
  int fast_steps_at_run = 0;
  for (context.step = 1; context.step < 200; ++context.step) {
    stepper.Step(context, 256);
    if (stepper.amplitude_counts() == 8000) ++fast_steps_at_run;
  }
  EXPECT_EQ(stepper.amplitude_counts(), 4000);
  EXPECT_NEAR(fast_steps_at_run, 10 * 8, 8);

  stepper.Step(context, 257);
  EXPECT_EQ(stepper.amplitude_counts(), 8000) << "a move restores the run current at once";
}

}  // namespace
}  // namespace drive
