// The programs that measure what arrives at the drive's inputs: the
// analogue reference, and the open-loop voltage mode's speed constant.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "drive/analogue_input.h"
#include "drive/closed_loop_axis.h"
#include "drive/drive_program.h"
#include "drive/simulation_config.h"

namespace drive {

namespace {

// Reads the reference input "AD5" every step until the test stops the
// program. The input range is the drive's wiring, as the simulation
// describes it (the setup's "AnalogueInputsRange" unless it says otherwise).
class AnalogueReferenceProgram final : public Program {
 public:
  ProgramState Step(ProgramContext& context) override {
    if (!input_) {
      input_.emplace(AnalogueInputParams{
          .range = AnalogueRangeFor(context.simulation().analogue_inputs_range_V),
          .seed = context.simulation().current_sensor.seed});
    }
    const auto& voltage = context.simulation().person.analogue_input;
    const double volts = voltage ? voltage->At(context.time_s()) : 0.0;
    context.variables().Set("AD5", input_->Measure(volts));
    context.CommandVoltage({0.0, 0.0});
    return ProgramState::kRunning;
  }

  std::vector<std::string> PublishedVariables() const override { return {"AD5"}; }
  bool PowersTheStage() const override { return false; }

 private:
  std::optional<AnalogueInput> input_;
};

// Values the test and the program exchange through "VAR_STATUS".
namespace status {
constexpr double kRunning = 0;
constexpr double kAsking = 8;  // at top speed, waiting for the user
constexpr double kRetry = 9;   // try again up to the new "Maximum_spd"
constexpr double kAccept = 10;
}  // namespace status

// Runs the motor in open-loop voltage mode: the voltage vector turns at the
// commanded microstep rate with the amplitude UOFFSET + KOMEGA · rate / 256,
// the rate ramping up to "Maximum_spd". At the top speed the program adapts
// "KOMEGA" until the current amplitude is the run current "Nominal_crt",
// then asks (VAR_STATUS 8) whether the motor runs smoothly; 9 starts again
// at the new top speed, 10 ends with the speed constant in "komega_val".
class VoltageControllerProgram final : public Program {
 public:
  static constexpr double kRamp_s = 0.5;
  static constexpr double kAdapt_s = 0.3;
  // KOMEGA change per slow sample and current count of error.
  static constexpr double kAdaptGain = 0.02;

  ProgramState Step(ProgramContext& context) override {
    NamedValues& vars = context.program_variables();
    NamedValues& drive = context.variables();
    if (!started_) Begin(context);

    if (context.IsSlowLoopStep()) {
      const double top = vars.Get("Maximum_spd");
      const double status = drive.Get("VAR_STATUS");
      if (status == status::kAccept) {
        vars.Set("komega_val", std::round(komega_));
        return ProgramState::kEnded;
      }
      if (status == status::kRetry) {
        drive.Set("VAR_STATUS", status::kRunning);
        phase_start_s_ = context.time_s();
        from_rate_ = rate_;
        asking_ = false;
      }
      if (!asking_) {
        const double t = context.time_s() - phase_start_s_;
        rate_ = from_rate_ + (top - from_rate_) * std::min(1.0, t / kRamp_s);
        const StatorVector i = context.measured_current_counts();
        current_ += 0.2 * (std::hypot(i.alpha, i.beta) - current_);
        if (t >= kRamp_s && std::abs(rate_) > 0) {
          komega_ = std::max(0.0, komega_ + kAdaptGain * (vars.Get("Nominal_crt") - current_) * 256.0 / std::abs(rate_));
        }
        if (t >= kRamp_s + kAdapt_s) {
          asking_ = true;
          drive.Set("CSPD", rate_);
          drive.Set("VAR_STATUS", status::kAsking);
        }
      }
      drive.Set("KOMEGA", std::round(komega_));
    }
    // The microstep angle moves by the rate once per slow sample, spread
    // over its fast steps.
    angle_ += rate_ * context.fast_period_s() / context.slow_period_s() * radians_per_microstep_;
    const double amplitude = std::min<double>(kFullScale, offset_ + komega_ * std::abs(rate_) / 256.0);
    context.CommandVoltage({amplitude * std::cos(angle_), amplitude * std::sin(angle_)});
    return ProgramState::kRunning;
  }

  std::vector<std::string> PublishedVariables() const override { return {"KOMEGA", "VAR_STATUS", "CSPD"}; }

 private:
  void Begin(ProgramContext& context) {
    started_ = true;
    const NamedValues& regs = context.registers();
    const NamedValues& vars = context.program_variables();
    offset_ = vars.Get("UOFFSET_val");
    // Electrical radians per microstep: "STEPRES" microsteps per turn.
    const double microsteps = regs.Get("STEPRES", 51200.0);
    radians_per_microstep_ = 2.0 * std::numbers::pi * ElectricalCyclesPerTurn(context) / microsteps;
    // Start from the back-EMF the nominal motor makes: K volts per rad/s.
    const double rad_s_per_rate = 2.0 * std::numbers::pi / microsteps / context.slow_period_s();
    komega_ = regs.Get("KOMEGA", context.simulation().motor.torque_constant_Nm_per_A * rad_s_per_rate *
                                     context.voltage_counts_per_V() * 256.0);
    context.variables().Set("VAR_STATUS", status::kRunning);
  }

  bool started_ = false;
  bool asking_ = false;
  double offset_ = 0.0;
  double komega_ = 0.0;  // voltage counts per microstep per sample, 8 fraction bits
  double rate_ = 0.0;    // microsteps per slow sample
  double from_rate_ = 0.0;
  double phase_start_s_ = 0.0;
  double current_ = 0.0;
  double angle_ = 0.0;
  double radians_per_microstep_ = 0.0;
};

}  // namespace

void RegisterPrograms_reference(ProgramRegistry& registry) {
  registry.Add<AnalogueReferenceProgram>("Analogue_Reference_Test");
  registry.Add<VoltageControllerProgram>("Voltage_Controller_Test");
}

}  // namespace drive
