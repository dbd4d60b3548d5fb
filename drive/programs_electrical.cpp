// The electrical test programs: rotor positioning, resistance
// identification (inductance: drive/programs_inductance.cpp), the current
// step response, the phase connection check and the supply measurement. They all hold the rotor where the positioning left
// it (on phase A's axis), so a current along that axis makes no torque.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "drive/drive_program.h"

namespace drive {
namespace {

double Int16(double value) { return std::clamp(std::round(value), -32768.0, 32767.0); }

// A running mean over the steps of a window.
class Mean {
 public:
  void Add(double x) { sum_ += x, ++count_; }
  double value() const { return count_ > 0 ? sum_ / static_cast<double>(count_) : 0.0; }

 private:
  double sum_ = 0.0;
  std::int64_t count_ = 0;
};

// Positioning: ramps the test current "In1" up along phase A's axis so the
// rotor follows without a jolt, holds it, and reports the current measured
// and the voltage that kept it flowing. The _I2 twin is the same program
// used for a point of the voltage-current line.
class InitialPositioning final : public Program {
 public:
  ProgramState Step(ProgramContext& c) override {
    const std::int64_t k = c.step_index();
    const double target = c.program_variables().Get("In1");
    const std::int64_t ramp = c.StepsIn(kRamp_s);
    const std::int64_t end = ramp + c.StepsIn(kHold_s);
    c.CommandCurrentAtAngle(0.0, target * std::min<double>(1.0, static_cast<double>(k) / static_cast<double>(ramp)));
    if (k >= end - c.StepsIn(kAverage_s)) {
      current_.Add(c.measured_current_counts().alpha);
      alpha_V_.Add(c.voltage_reference_counts().alpha);
      beta_V_.Add(c.voltage_reference_counts().beta);
    }
    if (k < end) return ProgramState::kRunning;
    c.program_variables().Set("In1", Int16(current_.value()));
    c.variables().Set("REFTST_V", Int16(alpha_V_.value()));
    c.variables().Set("RINCTST_V", Int16(beta_V_.value()));
    return ProgramState::kEnded;
  }

 private:
  static constexpr double kRamp_s = 0.2;
  static constexpr double kHold_s = 0.3;
  static constexpr double kAverage_s = 0.1;
  Mean current_;
  Mean alpha_V_;
  Mean beta_V_;
};

// Resistance: holds "In1" with the current controller and reports the mean
// voltage it took ("var_i1") and the supply ("var_u2"); "IQ" is the current
// measured, for the test to average over the same window. "In1" comes back
// as the mean current really held: when the supply cannot drive the
// current asked for, the controller stands at its voltage limit and the
// current falls short, which the test must see rather than take the
// limit's voltage for that current's.
class IdentResistance final : public Program {
 public:
  std::vector<std::string> PublishedVariables() const override { return {"IQ"}; }

  ProgramState Step(ProgramContext& c) override {
    const std::int64_t k = c.step_index();
    if (k == 0) wanted_ = c.program_variables().Get("In1");
    c.CommandCurrentAtAngle(0.0, wanted_);
    const double measured = c.measured_current_counts().alpha;
    c.variables().Set("IQ", measured);
    const std::int64_t settle = c.StepsIn(kSettle_s);
    if (k == settle) c.StartLogging();
    if (k >= settle) {
      voltage_.Add(c.voltage_reference_counts().alpha);
      current_.Add(measured);
    }
    if (k < settle + c.StepsIn(kMeasure_s)) return ProgramState::kRunning;
    c.variables().Set("var_i1", Int16(voltage_.value()));
    c.variables().Set("var_u2", c.MeasureSupply_counts());
    c.program_variables().Set("In1", Int16(current_.value()));
    return ProgramState::kEnded;
  }

 private:
  static constexpr double kSettle_s = 0.2;
  // Long enough for 400 slow-loop samples at the longest usual period.
  static constexpr double kMeasure_s = 0.6;
  double wanted_ = 0.0;
  Mean voltage_;
  Mean current_;
};

// Current step: a few samples at zero, then the step "In1" along phase A's
// axis; the response is logged. A measured current beyond "Imax_Prot_Test"
// ends the run with "test_flag" -1.
class CurrentStep final : public Program {
 public:
  std::vector<std::string> PublishedVariables() const override {
    return {"Current_Reference", "Motor_Current", "Voltage_Reference"};
  }

  ProgramState Step(ProgramContext& c) override {
    const std::int64_t k = c.step_index();
    if (k == 0) c.StartLogging();
    const double reference = k >= kStepAt ? c.program_variables().Get("In1") : 0.0;
    c.CommandCurrentAtAngle(0.0, reference);
    const double measured = c.measured_current_counts().alpha;
    c.variables().Set("Current_Reference", reference);
    c.variables().Set("Motor_Current", measured);
    c.variables().Set("Voltage_Reference", c.voltage_reference_counts().alpha);
    const double protection = c.program_variables().Get("Imax_Prot_Test");
    if (protection > 0 && std::abs(measured) > protection) {
      c.program_variables().Set("test_flag", -1);
      return ProgramState::kEnded;
    }
    if (k < kStepAt + c.StepsIn(kRun_s)) return ProgramState::kRunning;
    c.program_variables().Set("test_flag", 1);
    return ProgramState::kEnded;
  }

 private:
  static constexpr std::int64_t kStepAt = 5;
  static constexpr double kRun_s = 0.05;
};

// Phase connection: the voltage that drove the test current through phase A
// ("RefTest") drives it through A and back through B, and the phase currents
// are reported ("var_i1" phase A, "var_i2" phase B). Two phases: B carries
// about minus A; three phases: the vector lies on A, so B carries minus half.
class PhaseConnection final : public Program {
 public:
  ProgramState Step(ProgramContext& c) override {
    const std::int64_t k = c.step_index();
    const double u = c.program_variables().Get("RefTest");
    const bool two_phase = c.motor().params().winding == Winding::TwoPhase;
    c.CommandVoltage({u, two_phase ? -u : 0.0});
    const StatorVector i = c.measured_current_counts();
    const std::int64_t end = c.StepsIn(kSettle_s + kAverage_s);
    if (k >= end - c.StepsIn(kAverage_s)) {
      phase_a_.Add(i.alpha);
      phase_b_.Add(two_phase ? i.beta : (-i.alpha + std::numbers::sqrt3 * i.beta) / 2);
    }
    if (k < end) return ProgramState::kRunning;
    c.variables().Set("var_i1", Int16(phase_a_.value()));
    c.variables().Set("var_i2", Int16(phase_b_.value()));
    return ProgramState::kEnded;
  }

 private:
  static constexpr double kSettle_s = 0.2;
  static constexpr double kAverage_s = 0.05;
  Mean phase_a_;
  Mean phase_b_;
};

// Supply: averages the supply measurement over a few milliseconds.
class VdcDetection final : public Program {
 public:
  bool PowersTheStage() const override { return false; }

  ProgramState Step(ProgramContext& c) override {
    supply_.Add(c.MeasureSupply_counts());
    if (c.step_index() < c.StepsIn(kAverage_s)) return ProgramState::kRunning;
    // The converter's word is unsigned: up to ADCMax at "VdcMaxMeasurable".
    c.variables().Set("var_u2", std::round(supply_.value()));
    return ProgramState::kEnded;
  }

 private:
  static constexpr double kAverage_s = 0.01;
  Mean supply_;
};

}  // namespace

void RegisterPrograms_electrical(ProgramRegistry& registry) {
  for (const auto* name : {"Initial_Positioning_Test", "Initial_Positioning_Test_SOL3", "Initial_Positioning_Test_I2"}) {
    registry.Add<InitialPositioning>(name);
  }
  for (const auto* name : {"Ident_R_or_Rs_SCL", "Ident_R_or_Rs_SOL", "Ident_R_or_Rs_SOL3"}) {
    registry.Add<IdentResistance>(name);
  }
  registry.Add<CurrentStep>("Current_Controller_Tuning_Test_SCL");
  registry.Add<CurrentStep>("Current_Controller_Tuning_Test_SOL");
  for (const auto* name :
       {"Motor_Phase_Connection_Test_SCL", "Motor_Phase_Connection_Test_SOL", "Motor_Phase_Connection_Test_SOL3"}) {
    registry.Add<PhaseConnection>(name);
  }
  registry.Add<VdcDetection>("VDC_Detection_Test");
}

}  // namespace drive
