// The position controller's tuning runs: closed loop with or without the
// speed loop in between, and open loop where the position loop commands
// the microstep rate.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "drive/closed_loop_axis.h"
#include "drive/control_error.h"
#include "drive/drive_program.h"
#include "drive/loop_registers.h"
#include "drive/motion_profile.h"
#include "drive/motor_feedback.h"
#include "drive/position_loop.h"
#include "drive/simulation_config.h"
#include "drive/speed_loop.h"

namespace drive {

namespace {

enum class PositionCascade {
  kSpeedLoop,    // position loop -> speed loop -> current
  kCurrent,      // position loop -> current
  kOpenLoopRate, // position loop -> microstep rate, motor in open loop
};

// Runs the position profile on the position loop and whatever it commands,
// gains read from the registers every slow sample so that edits during the
// run act at once. The run's limit input caps the current: "IlimPS_Test"
// without the speed loop, "LimitSpeed_Test" (written as 32767 − "SATS", a
// current in counts) at the speed loop's output. A position error beyond
// "ERRMAXL" for longer than "TERRMAX" raises the control error.
class PositionTuningProgram final : public Program {
 public:
  explicit PositionTuningProgram(PositionCascade cascade) : cascade_(cascade) {}

  ProgramState Step(ProgramContext& context) override {
    NamedValues& vars = context.program_variables();
    if (!profile_) Start(context);
    if (cascade_ != PositionCascade::kOpenLoopRate) {
      if (!axis_->feedback().present() || !axis_->Update(context)) {
        context.RaiseErrors(mer::kFeedbackError);
        return ProgramState::kEnded;
      }
    }
    if (context.IsSlowLoopStep()) {
      if (!profile_->Step()) {
        vars.Set("test_flag", 1);
        return ProgramState::kEnded;
      }
      if (!SlowLoop(context)) {
        context.RaiseErrors(mer::kControlError);
        return ProgramState::kEnded;
      }
    }
    Command(context);
    return ProgramState::kRunning;
  }

  std::vector<std::string> PublishedVariables() const override {
    return {"Target_Position", "Load_Position", "Speed_Reference", "Load_Speed", "Current_Reference", "Motor_Current"};
  }

 private:
  void Start(ProgramContext& context) {
    profile_.emplace(context.program_variables());
    position_loop_.emplace(PositionLoopRegistersFrom(context.registers()));
    speed_loop_.emplace(SpeedLoopRegistersFrom(context.registers()));
    if (cascade_ == PositionCascade::kOpenLoopRate) {
      const NamedValues& regs = context.registers();
      microsteps_per_cycle_ = regs.Get("STEPRES", 51200.0) / ElectricalCyclesPerTurn(context);
      run_current_ = regs.Get("IDRSTEP", 32767.0 - regs.Get("SATS", 32767.0 - 8000.0));
      loose_.emplace(context.simulation(), regs);
      loose_->Reset(context.motor());
    } else {
      axis_.emplace(context);
      origin_ = axis_->position();
    }
    watch_.emplace(ControlErrorWatch::Position(context.registers()));
    // Positive while the run goes on, as the online plot and a stopped
    // multi-cycle run read it.
    context.program_variables().Set("test_flag", 1);
    context.StartLogging();
  }

  // False when the position error has stayed too large for too long.
  bool SlowLoop(ProgramContext& context) {
    const NamedValues& regs = context.registers();
    position_loop_->set_registers(PositionLoopRegistersFrom(regs));
    speed_loop_->set_registers(SpeedLoopRegistersFrom(regs));
    const NamedValues& vars = context.program_variables();
    const std::int64_t target = profile_->reference_q16() >> kFractionBits;

    std::int64_t measured = 0;
    std::int64_t speed_q16 = 0;
    if (cascade_ == PositionCascade::kOpenLoopRate) {
      measured = microsteps_q16_ >> kFractionBits;
      speed_q16 = rate_q16_;
    } else {
      measured = axis_->position() - origin_;
      speed_q16 = axis_->SampleSpeed_q16();
    }
    const std::int64_t output = position_loop_->Step(target, measured, profile_->increment_q16());

    NamedValues& drive = context.variables();
    switch (cascade_) {
      case PositionCascade::kSpeedLoop: {
        current_ = speed_loop_->Step(output, speed_q16);
        const double limit = vars.Get("LimitSpeed_Test");
        if (limit > 0) current_ = std::clamp(current_, -limit, limit);
        drive.Set("Speed_Reference", output / 65536.0);
        break;
      }
      case PositionCascade::kCurrent: {
        current_ = static_cast<double>(output >> kFractionBits);
        const double limit = vars.Get("IlimPS_Test");
        if (limit > 0) current_ = std::clamp(current_, -limit, limit);
        break;
      }
      case PositionCascade::kOpenLoopRate:
        rate_q16_ = output;
        drive.Set("Speed_Reference", output / 65536.0);
        break;
    }
    drive.Set("Target_Position", static_cast<double>(target));
    drive.Set("Load_Position", static_cast<double>(measured));
    drive.Set("Load_Speed", speed_q16 / 65536.0);
    drive.Set("Current_Reference", current_);
    // In open loop the commanded position follows the target by design;
    // only a sensor's position can fall behind.
    return cascade_ == PositionCascade::kOpenLoopRate || !watch_->Exceeded(static_cast<double>(target - measured));
  }

  void Command(ProgramContext& context) {
    if (cascade_ == PositionCascade::kOpenLoopRate) {
      // The microstep position moves by the rate once per slow sample,
      // spread evenly over its fast steps.
      const double fast_per_slow = context.slow_period_s() / context.fast_period_s();
      microsteps_q16_ += static_cast<std::int64_t>(std::llround(rate_q16_ / fast_per_slow));
      const double angle = 2.0 * std::numbers::pi * (microsteps_q16_ / 65536.0) / microsteps_per_cycle_;
      context.CommandCurrentAtAngle(angle, run_current_);
      if (loose_ && loose_->present()) {
        loose_->Update(context.motor());
        context.variables().Set("APOS_MT", static_cast<double>(loose_->position()));
      }
      return;
    }
    context.variables().Set("Motor_Current", axis_->MeasuredTorqueCurrent(context));
    axis_->CommandTorqueCurrent(context, current_);
  }

  PositionCascade cascade_;
  std::optional<MotionProfile> profile_;
  std::optional<PositionLoop> position_loop_;
  std::optional<SpeedLoop> speed_loop_;
  std::optional<ClosedLoopAxis> axis_;
  // The profile starts at 0 wherever the rotor is; an absolute encoder's
  // counter starts at its reading.
  std::int64_t origin_ = 0;
  std::optional<ControlErrorWatch> watch_;
  double current_ = 0.0;
  // Open loop: the commanded microstep position and rate, 16 fraction bits;
  // the sensor, when fitted, only watches.
  std::optional<MotorFeedback> loose_;
  std::int64_t microsteps_q16_ = 0;
  std::int64_t rate_q16_ = 0;
  double microsteps_per_cycle_ = 1024.0;
  double run_current_ = 0.0;
};

}  // namespace

void RegisterPrograms_motion_position(ProgramRegistry& registry) {
  registry.Add("Position_Controller_Tuning_Test_with_SpdCtrl_SCL",
               [] { return std::make_unique<PositionTuningProgram>(PositionCascade::kSpeedLoop); });
  registry.Add("Position_Controller_Tuning_Test_without_SpdCtrl",
               [] { return std::make_unique<PositionTuningProgram>(PositionCascade::kCurrent); });
  registry.Add("Position_Controller_Tuning_Test_with_SpdCtrl_SOL",
               [] { return std::make_unique<PositionTuningProgram>(PositionCascade::kOpenLoopRate); });
}

}  // namespace drive
