#include "drive/closed_loop_axis.h"

#include <cmath>
#include <numbers>

#include "drive/loop_gain.h"
#include "drive/simulation_config.h"

namespace drive {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kTurn32 = 4294967296.0;  // 2^32

std::uint64_t AnglePerCount(const ProgramContext& context, const MotorFeedback& feedback) {
  const auto reg = context.registers().Find("ENC2THL");
  if (reg && *reg > 0) return static_cast<std::uint64_t>(std::llround(*reg));
  // A setup without the register: the pole pairs of the motor itself.
  const double counts = feedback.counts_per_rev() / std::ldexp(1.0, feedback.commutation_shift());
  return static_cast<std::uint64_t>(std::llround(kTurn32 * context.simulation().motor.pole_pairs / counts));
}

}  // namespace

double ElectricalCyclesPerTurn(const ProgramContext& context) {
  const NamedValues& regs = context.registers();
  const double cycles = std::round(regs.Get("ENC2THL") * regs.Get("MECRESL") / kTurn32);
  return cycles >= 1.0 ? cycles : context.simulation().motor.pole_pairs;
}

ClosedLoopAxis::ClosedLoopAxis(ProgramContext& context)
    : feedback_(context.simulation(), context.registers()), angle_per_count_(AnglePerCount(context, feedback_)) {
  feedback_.Reset(context.motor());
  start_position_ = feedback_.position();
  last_sample_position_ = start_position_;
}

bool ClosedLoopAxis::Update(ProgramContext& context) { return feedback_.Update(context.motor()); }

void ClosedLoopAxis::ZeroHere() {
  start_position_ = feedback_.position();
  last_sample_position_ = start_position_;
}

std::int64_t ClosedLoopAxis::commutation_counts() const {
  return (feedback_.position() - start_position_) >> feedback_.commutation_shift();
}

double ClosedLoopAxis::angle_per_count_rad() const { return static_cast<double>(angle_per_count_) / kTurn32 * kTwoPi; }

void ClosedLoopAxis::CentreOnEdge(double edge_rad) { offset_rad_ = edge_rad - angle_per_count_rad() / 2; }

Commutation ClosedLoopAxis::commutation() const {
  return {.origin_counts = static_cast<double>(start_position_),
          .angle_per_count_rad = angle_per_count_rad() / std::ldexp(1.0, feedback_.commutation_shift()),
          .offset_rad = offset_rad_};
}

double ClosedLoopAxis::electrical_angle_rad() const {
  // Counts since the aligned start; the product wraps modulo one turn as
  // the drive's 32-bit arithmetic does.
  const std::uint32_t angle =
      static_cast<std::uint32_t>(static_cast<std::uint64_t>(commutation_counts()) * angle_per_count_);
  return angle / kTurn32 * kTwoPi + offset_rad_;
}

void ClosedLoopAxis::CommandTorqueCurrent(ProgramContext& context, double current_counts) const {
  context.CommandCurrentAtAngle(electrical_angle_rad() + std::numbers::pi / 2, current_counts);
}

double ClosedLoopAxis::MeasuredTorqueCurrent(const ProgramContext& context) const {
  const StatorVector i = context.measured_current_counts();
  const double theta = electrical_angle_rad();
  return -i.alpha * std::sin(theta) + i.beta * std::cos(theta);
}

std::int64_t ClosedLoopAxis::SampleSpeed_q16() {
  const std::int64_t speed = feedback_.position() - last_sample_position_;
  last_sample_position_ = feedback_.position();
  return speed * kQ16One;
}

}  // namespace drive
