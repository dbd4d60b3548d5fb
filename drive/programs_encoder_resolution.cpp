// The encoder resolution and direction program: one revolution of the field
// in the phase sequence while the encoder counts.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "drive/drive_program.h"
#include "drive/motor_feedback.h"
#include "drive/rotor_following.h"

namespace drive {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Turns the field through "PolesPairs" electrical cycles, one revolution,
// while "var_lf_long" follows the encoder's quadrature counter (4 per line).
//
// The positioning left the rotor aligned and the voltage that drove the
// test current there ("RefTest"). Held for a moment a quarter cycle back,
// that voltage shows the test current (and pulls off the zero a rotor the
// positioning left half a cycle away, where the zero pulls it neither way);
// the field then comes onto the zero and turns as that current, under the
// current controller, so that the winding's inductance and the back-EMF do
// not eat the torque as the field speeds up. The revolution follows a
// cycloid: it starts and ends at rest with a peak acceleration small enough
// for a motor with ten times its rotor's inertia on the shaft and a weak
// torque constant. Under current control little damps the rotor's ringing
// about the field, so the counts before and after the revolution are taken
// where the ringing rotor rests (drive/rotor_following.h).
//
// A rotor that did not follow the field (too little current for its load,
// the phases wrong) leaves its lag drifting over the revolution; the
// program then reports a final count of 0, the count of a shaft that did
// not turn.
class EncoderResolutionProgram final : public Program {
 public:
  static constexpr double kHold_s = 0.2;
  static constexpr double kHoldAverage_s = 0.1;
  static constexpr double kOnto_s = 0.2;
  static constexpr double kTurn_s = 8.0;  // one revolution
  static constexpr double kStill_s = 0.2;
  // At least a whole swing of the slowest ringing: a rotor of 5e-3 kg*m^2
  // on 0.01 N*m rings at about 1.5 Hz.
  static constexpr double kRest_s = 1.0;

  ProgramState Step(ProgramContext& c) override {
    const std::int64_t k = c.step_index();
    if (!feedback_) Start(c);
    feedback_->Update(c.motor());
    const std::int64_t count = feedback_->quadrature_count();

    // The stages' ends, in fast steps.
    const std::int64_t hold = c.StepsIn(kHold_s);
    const std::int64_t onto = hold + c.StepsIn(kOnto_s);
    const std::int64_t start = onto + c.StepsIn(kStill_s + kRest_s);
    const std::int64_t turned = start + c.StepsIn(kTurn_s);
    const std::int64_t end = turned + c.StepsIn(kStill_s + kRest_s);
    const double counted = k < start ? static_cast<double>(count) : std::round(static_cast<double>(count) - start_.value());
    c.variables().Set("var_lf_long", counted);
    if (k < hold) {
      c.CommandVoltage({0.0, -amplitude_});
      if (k >= hold - c.StepsIn(kHoldAverage_s)) {
        const StatorVector i = c.measured_current_counts();
        current_sum_ += std::hypot(i.alpha, i.beta);
        ++current_samples_;
      }
      return ProgramState::kRunning;
    }
    const double current = current_samples_ > 0 ? current_sum_ / current_samples_ : 0.0;
    if (k < start) {
      const double u = std::min(1.0, static_cast<double>(k - hold) / static_cast<double>(onto - hold));
      c.CommandCurrentAtAngle(-kTwoPi / 4 * (1.0 - (u - std::sin(kTwoPi * u) / kTwoPi)), current);
      if (k >= onto + c.StepsIn(kStill_s)) start_.Add(count);
      return ProgramState::kRunning;
    }
    const double u = std::min(1.0, static_cast<double>(k - start) / static_cast<double>(turned - start));
    // The cycloid: the share of the revolution done at time share u.
    const double field_cycles = cycles_ * (u - std::sin(kTwoPi * u) / kTwoPi);
    c.CommandCurrentAtAngle(kTwoPi * field_cycles, current);
    if (k < turned) {
      following_.Add(field_cycles, std::llround(counted), cycles_);
      return ProgramState::kRunning;
    }
    if (k >= turned + c.StepsIn(kStill_s)) end_.Add(count);
    if (k < end) return ProgramState::kRunning;
    const double final_count = std::round(end_.value() - start_.value());
    c.variables().Set("var_lf_long", following_.Followed(final_count, cycles_) ? final_count : 0.0);
    return ProgramState::kEnded;
  }

  std::vector<std::string> PublishedVariables() const override { return {"var_lf_long"}; }

 private:
  void Start(ProgramContext& c) {
    feedback_.emplace(c.simulation(), c.registers());
    feedback_->Reset(c.motor());
    cycles_ = static_cast<int>(std::clamp(std::trunc(c.program_variables().Get("PolesPairs")), 0.0, 10000.0));
    amplitude_ = c.program_variables().Get("RefTest");
  }

  std::optional<MotorFeedback> feedback_;
  int cycles_ = 0;
  double amplitude_ = 0.0;
  double current_sum_ = 0.0;
  int current_samples_ = 0;
  FieldFollowing following_;
  RestingCount start_;  // where the rotor rests before the revolution
  RestingCount end_;    // and after it
};

}  // namespace

void RegisterPrograms_encoder_resolution(ProgramRegistry& registry) {
  registry.Add<EncoderResolutionProgram>("Encoder_Resolution_And_Direction_Test");
  registry.Add<EncoderResolutionProgram>("SC_Encoder_Resolution_And_Direction_Test");
}

}  // namespace drive
