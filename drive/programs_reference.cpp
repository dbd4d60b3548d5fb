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
#include "drive/voltage_mode.h"

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

// Runs the motor in open-loop voltage mode (drive/voltage_mode.h): the
// voltage vector turns at the commanded microstep rate with the amplitude
// UOFFSET + KOMEGA · rate, the rate ramping up from standstill to
// "Maximum_spd". From a quarter of that speed on the program adapts "KOMEGA"
// so that the current amplitude is the run current "Nominal_crt"; at the
// top it lets the adaptation settle, then asks
// (VAR_STATUS 8) whether the motor runs smoothly, with the speed it holds in
// "CSPD"; 9 starts again from standstill up to the new "Maximum_spd", 10
// ends with the speed constant in "komega_val".
//
// The supply bounds the amplitude. Where the run current would need more
// voltage than the limit, the ramp stops rising and the speed comes down
// until the current is reached within it: the speed asked about, and the
// constant found there, are ones the supply can drive. "KOMEGA" itself
// never grows past what the limit allows at the speed held.
class VoltageControllerProgram final : public Program {
 public:
  static constexpr double kRamp_s = 0.5;
  static constexpr double kAdapt_s = 0.3;
  static constexpr double kLongestAdapt_s = 1.5;
  static constexpr double kSettledShare = 0.05;
  // KOMEGA change per slow sample and current count of error, per unit of
  // rate: the loop gain per sample is this times the winding's admittance
  // in counts, whatever the speed.
  static constexpr double kAdaptGain = 0.02;
  // The share of full scale the amplitude may use: the rest leaves the
  // current room to follow the voltage.
  static constexpr double kVoltageHeadroom = 0.95;
  // While the voltage is at its limit and the current short by more than
  // this share, the speed comes down by kSlowdown per slow sample.
  static constexpr double kCurrentShortfall = 0.02;
  static constexpr double kSlowdown = 0.002;
  static constexpr double kAdaptFrom = 0.25;

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
        StartRamp();
      }
      if (!asking_) SlowSample(context, top);
      drive.Set("KOMEGA", std::round(komega_));
    }
    // The microstep angle moves by the rate once per slow sample, spread
    // over its fast steps.
    angle_ += rate_ * context.fast_period_s() / context.slow_period_s() * radians_per_microstep_;
    const double amplitude = VoltageModeAmplitude_counts(offset_, komega_, rate_, kFullScale);
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
    // Start from the register, or from the back-EMF the nominal motor
    // makes: K volts per rad/s.
    const double rad_s_per_rate = 2.0 * std::numbers::pi / microsteps / context.slow_period_s();
    komega_ = regs.Get("KOMEGA", context.simulation().motor.torque_constant_Nm_per_A * rad_s_per_rate *
                                     context.voltage_counts_per_V());
    context.variables().Set("VAR_STATUS", status::kRunning);
    StartRamp();
  }

  // From standstill: a retry after a stall must catch the rotor again.
  void StartRamp() {
    rate_ = 0.0;
    settling_since_s_.reset();
    asking_ = false;
  }

  void SlowSample(ProgramContext& context, double top) {
    const double limit = kVoltageHeadroom * kFullScale;
    const double nominal = context.program_variables().Get("Nominal_crt");
    const StatorVector i = context.measured_current_counts();
    current_ += 0.2 * (std::hypot(i.alpha, i.beta) - current_);

    // Up the ramp while the amplitude stays within the limit.
    bool limited = false;
    if (rate_ < top) {
      const double next = std::min(top, rate_ + top * context.slow_period_s() / kRamp_s);
      if (VoltageModeAmplitude_counts(offset_, komega_, next, kFullScale) < limit) {
        rate_ = next;
      } else {
        limited = true;
      }
    }
    if (!settling_since_s_ && (rate_ >= top || limited)) settling_since_s_ = context.time_s();

    // The constant follows the run current from a quarter of the top speed
    // on, so that the rotor keeps its torque up the ramp (a constant that
    // is too small stalls it on the way).
    if (rate_ > kAdaptFrom * top && rate_ > 0) {
      const double largest = LargestSpeedConstant(offset_, rate_, limit);
      komega_ = std::clamp(komega_ + kAdaptGain * (nominal - current_) / rate_, 0.0, largest);
      if (settling_since_s_ && komega_ >= largest && current_ < (1.0 - kCurrentShortfall) * nominal) {
        rate_ *= 1.0 - kSlowdown;
      }
    }
    if (!settling_since_s_) return;
    // Asked once the current has settled at the run current, or the voltage
    // limit holds it short, or the adaptation has had its longest time.
    const double settled_s = context.time_s() - *settling_since_s_;
    const bool at_current = std::abs(current_ - nominal) <= kSettledShare * nominal ||
                            komega_ >= LargestSpeedConstant(offset_, rate_, limit);
    if ((settled_s >= kAdapt_s && at_current) || settled_s >= kLongestAdapt_s) {
      asking_ = true;
      context.variables().Set("CSPD", rate_);
      context.variables().Set("VAR_STATUS", status::kAsking);
    }
  }

  bool started_ = false;
  bool asking_ = false;
  double offset_ = 0.0;
  double komega_ = 0.0;  // voltage counts per (microstep per slow sample)
  double rate_ = 0.0;    // microsteps per slow sample
  std::optional<double> settling_since_s_;
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
