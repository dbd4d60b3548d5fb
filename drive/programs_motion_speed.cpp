// The speed controller's tuning run (the total inertia identification:
// drive/programs_inertia.cpp).
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "drive/closed_loop_axis.h"
#include "drive/control_error.h"
#include "drive/drive_program.h"
#include "drive/loop_registers.h"
#include "drive/motion_profile.h"
#include "drive/speed_loop.h"

namespace drive {

namespace {

// Runs the speed profile on the speed loop (gains from the registers as
// they are now, so edits during the run act at once), the current limited
// to "IlimPS_Test" and the run stopped when the measured current exceeds
// "Imax_Prot_Test".
class SpeedTuningProgram final : public Program {
 public:
  ProgramState Step(ProgramContext& context) override {
    NamedValues& vars = context.program_variables();
    if (!axis_) {
      axis_.emplace(context);
      profile_.emplace(vars);
      if (!axis_->feedback().present()) return Fail(context, mer::kFeedbackError);
      // The online plot checks the flag while the run goes on, and a
      // multi-cycle run ends only when the test stops it: positive until
      // a protection says otherwise.
      vars.Set("test_flag", 1);
      context.StartLogging();
    }
    if (!axis_->Update(context)) return Fail(context, mer::kFeedbackError);

    const double protection = vars.Get("Imax_Prot_Test");
    if (protection > 0 && Magnitude(context.measured_current_counts()) > protection) {
      vars.Set("test_flag", -1);
      return ProgramState::kEnded;
    }
    if (context.IsSlowLoopStep()) {
      if (!profile_->Step()) {
        vars.Set("test_flag", 1);
        return ProgramState::kEnded;
      }
      SpeedLoop& loop = Loop(context);
      const std::int64_t speed = axis_->SampleSpeed_q16();
      if (!watch_) watch_.emplace(ControlErrorWatch::Speed(context.registers()));
      if (watch_->Exceeded(static_cast<double>(profile_->reference_q16() - speed) / 65536.0)) {
        return Fail(context, mer::kControlError);
      }
      const double limit = vars.Get("IlimPS_Test");
      current_ = loop.Step(profile_->reference_q16(), speed, profile_->increment_q16());
      if (limit > 0) current_ = std::clamp(current_, -limit, limit);
      NamedValues& drive = context.variables();
      drive.Set("Speed_Reference", profile_->reference_q16() / 65536.0);
      drive.Set("Load_Speed", speed / 65536.0);
      drive.Set("Current_Reference", current_);
    }
    context.variables().Set("Motor_Current", axis_->MeasuredTorqueCurrent(context));
    axis_->CommandTorqueCurrent(context, current_);
    return ProgramState::kRunning;
  }

  std::vector<std::string> PublishedVariables() const override {
    return {"Speed_Reference", "Load_Speed", "Current_Reference", "Motor_Current"};
  }

 private:
  SpeedLoop& Loop(const ProgramContext& context) {
    const SpeedLoopRegisters regs = SpeedLoopRegistersFrom(context.registers());
    if (!loop_) loop_.emplace(regs);
    loop_->set_registers(regs);
    return *loop_;
  }
  ProgramState Fail(ProgramContext& context, std::uint16_t bits) {
    context.RaiseErrors(bits);
    return ProgramState::kEnded;
  }

  std::optional<ClosedLoopAxis> axis_;
  std::optional<MotionProfile> profile_;
  std::optional<SpeedLoop> loop_;
  std::optional<ControlErrorWatch> watch_;
  double current_ = 0.0;
};

}  // namespace

void RegisterPrograms_motion_speed(ProgramRegistry& registry) {
  registry.Add<SpeedTuningProgram>("Speed_Controller_Tuning_Test");
}

}  // namespace drive
