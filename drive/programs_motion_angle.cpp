// The electric angle controller's tuning run (motionless start).
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "drive/drive_program.h"
#include "drive/loop_gain.h"
#include "drive/motor_feedback.h"
#include "drive/simulation_config.h"

namespace drive {

namespace {

constexpr double kAngleUnitsPerTurn = 65536.0;
// The band within which the angle counts as settled: 25 electrical degrees.
constexpr double kSettledBand = 4550.0;
// A rotor pulled further than 50 electrical degrees while the current rose
// was not held by the controller.
constexpr double kHeldBand = 2 * kSettledBand;

// Finds the rotor's electrical angle without moving it: the current grows
// by "ReferenceIncrement" per slow sample up to "In1" while the angle
// controller (KPTHT/SFTKPTHT, KITHT/SFTKITHT) turns the current vector
// against any motion the sensor sees, so that it ends aligned with the
// rotor and makes no torque. The current is held until "TimeLimit" slow
// samples have passed and then brought back to zero the same way.
class AngleTuningProgram final : public Program {
 public:
  ProgramState Step(ProgramContext& context) override {
    NamedValues& vars = context.program_variables();
    if (!feedback_) {
      feedback_.emplace(context.simulation(), context.registers());
      feedback_->Reset(context.motor());
      context.StartLogging();
      if (!feedback_->present()) return End(vars, -3);
    }
    if (!feedback_->Update(context.motor())) {
      context.RaiseErrors(mer::kFeedbackError);
      return ProgramState::kEnded;
    }
    if (context.IsSlowLoopStep() && SlowLoop(context) == ProgramState::kEnded) return ProgramState::kEnded;
    context.CommandCurrentAtAngle(angle_ / kAngleUnitsPerTurn * 2.0 * std::numbers::pi, amplitude_);
    const StatorVector i = context.measured_current_counts();
    context.variables().Set("Motor_Current", std::hypot(i.alpha, i.beta));
    context.variables().Set("Electric_Angle", Wrapped(angle_));
    return ProgramState::kRunning;
  }

  std::vector<std::string> PublishedVariables() const override { return {"Motor_Current", "Electric_Angle"}; }

 private:
  ProgramState SlowLoop(ProgramContext& context) {
    NamedValues& vars = context.program_variables();
    const NamedValues& regs = context.registers();
    const double target = vars.Get("In1");
    const double increment = std::max(1.0, vars.Get("ReferenceIncrement"));
    const double hold = std::max(1.0, vars.Get("TimeLimit"));

    // Rotor motion since the start in angle units.
    // "ENC2THL" is in 2^-32 turns per count; the angle here in 2^-16.
    const double fallback = 4294967296.0 * context.simulation().motor.pole_pairs / feedback_->counts_per_rev();
    const double per_count = regs.Get("ENC2THL", fallback) / 65536.0;
    const double moved = static_cast<double>(feedback_->position()) * per_count;
    const ScaledGain kp{.mantissa = std::llround(regs.Get("KPTHT")), .shift = static_cast<int>(regs.Get("SFTKPTHT"))};
    const ScaledGain ki{.mantissa = std::llround(regs.Get("KITHT")), .shift = static_cast<int>(regs.Get("SFTKITHT"))};
    // Motion forward means the vector leads the rotor: turn it back.
    angle_ -= kp.value() * (moved - last_moved_) + ki.value() * moved;
    last_moved_ = moved;
    farthest_ = std::max(farthest_, std::abs(moved));

    if (phase_ == Phase::kRise) {
      amplitude_ = std::min(target, amplitude_ + increment);
      if (amplitude_ >= target) phase_ = Phase::kHold;
    } else if (phase_ == Phase::kHold) {
      held_.push_back(angle_);
      if (static_cast<double>(held_.size()) >= hold) {
        phase_ = Phase::kFall;
        const StatorVector i = context.measured_current_counts();
        // A supply too weak to drive the current leaves it well short.
        if (std::hypot(i.alpha, i.beta) < 0.5 * target) return End(vars, -3);
      }
    } else {
      amplitude_ = std::max(0.0, amplitude_ - increment);
      if (amplitude_ <= 0.0) return Evaluate(vars);
    }
    return ProgramState::kRunning;
  }

  // Settled when the controller held the rotor near where it started and
  // the last quarter of the hold stays within the band around
  // its final value.
  ProgramState Evaluate(NamedValues& vars) {
    const double final_angle = held_.empty() ? angle_ : held_.back();
    vars.Set("theta_1", Wrapped(final_angle));
    if (farthest_ > kHeldBand) return End(vars, -2);
    const size_t from = held_.size() - held_.size() / 4;
    for (size_t k = from; k < held_.size(); ++k) {
      if (std::abs(held_[k] - final_angle) > kSettledBand) return End(vars, -2);
    }
    return End(vars, 1);
  }

  static ProgramState End(NamedValues& vars, double flag) {
    vars.Set("test_flag", flag);
    return ProgramState::kEnded;
  }
  // The angle as the drive's signed 16-bit word holds it.
  static double Wrapped(double angle) {
    const auto word = static_cast<std::int64_t>(std::llround(angle)) & 0xFFFF;
    return static_cast<double>(word >= 0x8000 ? word - 0x10000 : word);
  }

  enum class Phase { kRise, kHold, kFall };
  std::optional<MotorFeedback> feedback_;
  Phase phase_ = Phase::kRise;
  double amplitude_ = 0.0;
  double angle_ = 0.0;  // 65536 per electrical turn, unwrapped
  double last_moved_ = 0.0;
  double farthest_ = 0.0;  // the largest rotor motion seen, angle units
  std::vector<double> held_;
};

}  // namespace

void RegisterPrograms_motion_angle(ProgramRegistry& registry) {
  registry.Add<AngleTuningProgram>("Angle_Controller_Tuning_Test");
}

}  // namespace drive
