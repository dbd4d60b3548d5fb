// The speed programs: the speed controller's tuning run and the total
// inertia identification.
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

double Magnitude(const StatorVector& v) { return std::hypot(v.alpha, v.beta); }

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

// Least squares of x = c0 + c1·u + c2·u², accumulated in sums of powers of
// u = t − t0 (the first point's time, for conditioning).
class ParabolaFit {
 public:
  void Add(double t, double x) {
    if (n_ == 0) t0_ = t;
    const double u = t - t0_;
    last_u_ = u;
    ++n_;
    s_[0] += u; s_[1] += u * u; s_[2] += u * u * u; s_[3] += u * u * u * u;
    x_[0] += x; x_[1] += u * x; x_[2] += u * u * x;
  }
  int points() const { return n_; }
  double span_s() const { return last_u_; }
  // d²x/dt², by Cramer's rule on the normal equations.
  double Acceleration() const {
    const double a[3][3] = {{static_cast<double>(n_), s_[0], s_[1]}, {s_[0], s_[1], s_[2]}, {s_[1], s_[2], s_[3]}};
    double c[3][3];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) c[i][j] = j == 2 ? x_[i] : a[i][j];
    const double d = Det(a);
    return d == 0.0 ? 0.0 : 2.0 * Det(c) / d;
  }

 private:
  static double Det(const double m[3][3]) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  }

  int n_ = 0;
  double t0_ = 0.0;
  double last_u_ = 0.0;
  double s_[4] = {};
  double x_[3] = {};
};

// Accelerates the motor with the torque current "In1" until the speed
// reaches "LimitSpeedMax", then lets it coast without current for a while.
// Friction slows both phases alike, so the two accelerations and the two
// measured currents give the inertia free of it. Each acceleration is taken from a least-squares parabola through the positions of
// every fast step (after the current has settled), which resolves it far
// better than differences of whole counts. The result is reported as the
// speed s (counts per slow sample) gained over t slow samples: t is the
// span of the acceleration, and when s would be a small number of whole
// speed units both are scaled up together, so that rounding s costs less
// than 0.1 %.
class TotalInertiaProgram final : public Program {
 public:
  // The current controller settles within a few milliseconds.
  static constexpr double kRamp_s = 0.002;
  static constexpr double kSettle_s = 0.004;
  static constexpr double kBackwardsCounts = 3.0;
  static constexpr double kCoast_s = 0.1;
  static constexpr double kTimeout_s = 2.0;
  static constexpr double kFinestSpeed = 1000.0;

  ProgramState Step(ProgramContext& context) override {
    NamedValues& vars = context.program_variables();
    if (!axis_) {
      axis_.emplace(context);
      if (!axis_->feedback().present()) {
        context.RaiseErrors(mer::kFeedbackError);
        return ProgramState::kEnded;
      }
      start_position_ = static_cast<double>(axis_->position());
    }
    if (!axis_->Update(context)) {
      context.RaiseErrors(mer::kFeedbackError);
      return ProgramState::kEnded;
    }
    const double protection = vars.Get("Imax_Prot_Test");
    if (protection > 0 && Magnitude(context.measured_current_counts()) > protection) return Report(vars, 0, 0, -1);
    const double t = context.time_s();
    const auto position = static_cast<double>(axis_->position());

    if (context.IsSlowLoopStep()) {
      const double speed = axis_->SampleSpeed_q16() / 65536.0;
      if (!coast_start_s_) {
        // A positive torque that moves the counter backwards: the sensor
        // counts the other way from the motor.
        if (speed < 0.0 && position < start_position_ - kBackwardsCounts) return Report(vars, -1, 0, 0);
        if (speed >= vars.Get("LimitSpeedMax") && accelerating_.points() >= 3) coast_start_s_ = t;
        if (t > kTimeout_s) return Report(vars, accelerating_.points() < 3 || accelerating_.Acceleration() <= 0 ? -2 : -3, 0, 1);
      } else if (t >= *coast_start_s_ + kCoast_s) {
        return Finish(context, vars);
      }
    }
    const double torque_current = axis_->MeasuredTorqueCurrent(context);
    if (!coast_start_s_) {
      if (t >= kSettle_s) {
        accelerating_.Add(t, position);
        current_sum_[0] += torque_current;
      }
      // A short ramp spares the protection the current controller's
      // overshoot on a step.
      axis_->CommandTorqueCurrent(context, vars.Get("In1") * std::min(1.0, t / kRamp_s));
    } else {
      if (t >= *coast_start_s_ + kSettle_s) {
        coasting_.Add(t, position);
        current_sum_[1] += torque_current;
      }
      axis_->CommandTorqueCurrent(context, 0.0);
    }
    return ProgramState::kRunning;
  }

 private:
  ProgramState Finish(ProgramContext& context, NamedValues& vars) {
    const double slow = context.slow_period_s();
    // Two phases, two currents: a = (K·i − F) / J in each. Their difference
    // gives K / J free of the friction F, whatever current the controller
    // really achieved; the acceleration "In1" alone would give follows.
    const double i_accelerating = current_sum_[0] / std::max(1, accelerating_.points());
    const double i_coasting = current_sum_[1] / std::max(1, coasting_.points());
    if (i_accelerating - i_coasting <= 0.0) return Report(vars, -2, 0, 1);
    const double per_count = (accelerating_.Acceleration() - coasting_.Acceleration()) / (i_accelerating - i_coasting);
    const double driven = per_count * vars.Get("In1") * slow * slow;  // counts per slow sample²
    if (driven <= 0.0) return Report(vars, -2, 0, 1);
    double samples = std::max(1.0, std::round(accelerating_.span_s() / slow));
    while (driven * samples < kFinestSpeed) samples *= 2;
    return Report(vars, samples, std::round(driven * samples), 1);
  }

  static ProgramState Report(NamedValues& vars, double t, double s, double flag) {
    vars.Set("delta_time", t);
    vars.Set("delta_speed", s);
    vars.Set("test_flag", flag);
    return ProgramState::kEnded;
  }

  std::optional<ClosedLoopAxis> axis_;
  ParabolaFit accelerating_;
  ParabolaFit coasting_;
  std::optional<double> coast_start_s_;
  double start_position_ = 0.0;
  double current_sum_[2] = {};  // measured torque current over each fit
};

}  // namespace

void RegisterPrograms_motion_speed(ProgramRegistry& registry) {
  registry.Add<SpeedTuningProgram>("Speed_Controller_Tuning_Test");
  registry.Add<TotalInertiaProgram>("Total_Inertia_Identification_Test");
}

}  // namespace drive
