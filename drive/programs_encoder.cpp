// The encoder programs: resolution and direction, connection checks while
// the shaft is turned by hand, and the serial encoder's offset.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "drive/drive_program.h"
#include "drive/motor_feedback.h"
#include "drive/simulation_config.h"

namespace drive {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Turns the field through "PolesPairs" electrical cycles at the voltage the
// positioning program found ("RefTest"), slowly enough for the rotor to
// follow, then holds it there to let the rotor settle before the count is
// final. The counter counts quadrature edges only (4 per line).
class EncoderResolutionProgram final : public Program {
 public:
  static constexpr double kCycle_s = 0.1;   // one electrical cycle
  static constexpr double kSettle_s = 0.3;

  ProgramState Step(ProgramContext& context) override {
    if (!feedback_) {
      feedback_.emplace(context.simulation(), context.registers());
      feedback_->Reset(context.motor());
      cycles_ = std::max(0.0, std::trunc(context.program_variables().Get("PolesPairs")));
      amplitude_ = context.program_variables().Get("RefTest");
    }
    feedback_->Update(context.motor());
    context.variables().Set("var_lf_long", static_cast<double>(feedback_->quadrature_count()));

    const double turn_s = cycles_ * kCycle_s;
    const double t = context.time_s();
    if (t >= turn_s + kSettle_s) return ProgramState::kEnded;
    const double angle = kTwoPi * cycles_ * std::min(1.0, t / std::max(turn_s, 1e-9));
    context.CommandVoltage({amplitude_ * std::cos(angle), amplitude_ * std::sin(angle)});
    return ProgramState::kRunning;
  }

  std::vector<std::string> PublishedVariables() const override { return {"var_lf_long"}; }

 private:
  std::optional<MotorFeedback> feedback_;
  double cycles_ = 0.0;
  double amplitude_ = 0.0;
};

// Applies no voltage (the windings see the shaft's own back-EMF only)
// while a person turns the shaft, and keeps the position counters and the index capture up to date until the
// test writes "var_i2" = 1. A serial encoder whose frames are invalid raises
// the feedback error.
class EncoderConnectionProgram final : public Program {
 public:
  ProgramState Step(ProgramContext& context) override {
    if (!feedback_) {
      feedback_.emplace(context.simulation(), context.registers());
      feedback_->Reset(context.motor());
      start_angle_ = context.motor().state().angle_rad;
      context.variables().Set("var_i2", 0);
    }
    if (context.variables().Get("var_i2") == 1) return ProgramState::kEnded;

    // The hand holds its pace whatever the motor does; the plant then
    // moves the shaft on by one step at that speed.
    MotorState& shaft = context.motor().mutable_state();
    const double hand = context.simulation().person.hand_speed_rad_s;
    shaft.speed_rad_s = hand;
    shaft.angle_rad = start_angle_ + hand * context.time_s();
    context.CommandVoltage({0.0, 0.0});

    if (!feedback_->Update(context.motor())) {
      context.RaiseErrors(mer::kFeedbackError);
      return ProgramState::kEnded;
    }
    const auto position = static_cast<double>(feedback_->position());
    const bool on_load = feedback_->shaft() == SensorShaft::Load;
    context.variables().Set(on_load ? "APOS_LD" : "APOS_MT", position);
    if (const auto captured = feedback_->captured()) {
      context.variables().Set(capture_variable_, static_cast<double>(*captured));
    }
    return ProgramState::kRunning;
  }

  std::vector<std::string> PublishedVariables() const override {
    return {"APOS_MT", "APOS_LD", "CAPPOS", "CAPPOS2", "var_i2"};
  }
  bool PowersTheStage() const override { return false; }

  // The capture commands: disable the capture, clear the captured flag,
  // arm the capture on the next index pulse of input 1 or 2.
  bool OnCommand(ProgramContext& context, std::string_view text) override {
    if (!feedback_) return false;
    if (text == "DISCAPI;!CAP;ENCAPI1;") {
      capture_variable_ = "CAPPOS";
    } else if (text == "DIS2CAPI;!CAP;EN2CAPI1;") {
      capture_variable_ = "CAPPOS2";
    } else {
      return false;
    }
    context.variables().Set(capture_variable_, 0);
    feedback_->ArmCapture();
    return true;
  }

 private:
  std::optional<MotorFeedback> feedback_;
  std::string capture_variable_ = "CAPPOS";
  double start_angle_ = 0.0;
};

// Aligns the rotor with a current along phase A and reads the serial
// encoder there: the reading is the offset between the encoder's zero and
// the rotor's electrical zero ("ZAOFF"). Bearing friction stops a rotor
// anywhere within a small band around the aligned position, on the side it
// came from; so the field swings slowly to one side and back, then to the
// other side and back, and the two stops are averaged. The swing is
// damped by leading the field against the measured motion.
class SerialOffsetProgram final : public Program {
 public:
  static constexpr double kRamp_s = 0.2;
  static constexpr double kSettle_s = 0.3;
  static constexpr double kSwing_s = 0.4;   // each way
  static constexpr double kRest_s = 0.3;    // before a stop is read
  static constexpr double kSwing_rad = 0.3; // electrical, well past the friction band
  // Field lead per unit of electrical speed: settles the rotor within the
  // rests without pulling it off the aligned position.
  static constexpr double kDamping_s = 2e-3;

  ProgramState Step(ProgramContext& context) override {
    if (!feedback_) {
      feedback_.emplace(context.simulation(), context.registers());
      feedback_->Reset(context.motor());
      // Near the drive's current limit: the stiffer the alignment, the
      // narrower the band within which friction can stop the rotor.
      const double limit = 32767.0 - context.registers().Get("SATS", 32767.0 - 16000.0);
      current_ = 0.9 * std::max(limit, 1000.0);
      last_position_ = feedback_->position();
      context.variables().Set("var_i1", 0);
    }
    if (!feedback_->Update(context.motor())) {
      context.RaiseErrors(mer::kFeedbackError);
      return ProgramState::kEnded;
    }
    const double t = context.time_s();
    const double swing_start = kRamp_s + kSettle_s;
    const double leg = 2 * kSwing_s + kRest_s;  // out, back, rest
    if (!first_stop_ && t >= swing_start + leg) first_stop_ = feedback_->position();
    if (t >= swing_start + 2 * leg) return Finish(context);

    double field = 0.0;
    if (t >= swing_start) {
      const bool second = t >= swing_start + leg;
      const double u = t - swing_start - (second ? leg : 0.0);
      const double out = u < kSwing_s ? u / kSwing_s : u < 2 * kSwing_s ? 2.0 - u / kSwing_s : 0.0;
      field = (second ? kSwing_rad : -kSwing_rad) * out;
    }
    const double amplitude = current_ * std::min(1.0, t / kRamp_s);
    context.CommandCurrentAtAngle(field - kDamping_s * ElectricalSpeed(context), amplitude);
    return ProgramState::kRunning;
  }

  std::vector<std::string> PublishedVariables() const override { return {"ZAOFF", "var_i1"}; }

 private:
  // Filtered electrical speed from the sensor, rad/s.
  double ElectricalSpeed(const ProgramContext& context) {
    const double counts_per_electrical = feedback_->counts_per_rev() / context.simulation().motor.pole_pairs;
    const double step_counts = static_cast<double>(feedback_->position() - last_position_);
    last_position_ = feedback_->position();
    speed_ += 0.05 * (step_counts / counts_per_electrical * kTwoPi / context.fast_period_s() - speed_);
    return speed_;
  }

  ProgramState Finish(ProgramContext& context) {
    // The middle of the two stops, on the counter; then the single-turn
    // word the encoder gives there.
    const std::int64_t second_stop = feedback_->position();
    const auto middle = static_cast<std::int64_t>(std::floor((*first_stop_ + second_stop) / 2.0 + 0.5));
    const auto turn = static_cast<std::int64_t>(feedback_->counts_per_rev());
    const std::int64_t word = static_cast<std::int64_t>(feedback_->single_turn()) + (middle - second_stop);
    context.variables().Set("ZAOFF", static_cast<double>(((word % turn) + turn) % turn));
    context.variables().Set("var_i1", 1);
    return ProgramState::kEnded;
  }

  std::optional<MotorFeedback> feedback_;
  double current_ = 0.0;
  std::int64_t last_position_ = 0;
  double speed_ = 0.0;
  std::optional<std::int64_t> first_stop_;
};

}  // namespace

void RegisterPrograms_encoder(ProgramRegistry& registry) {
  registry.Add<EncoderResolutionProgram>("Encoder_Resolution_And_Direction_Test");
  registry.Add<EncoderResolutionProgram>("SC_Encoder_Resolution_And_Direction_Test");
  registry.Add<EncoderConnectionProgram>("Encoder_Connection_Test_SCL");
  registry.Add<EncoderConnectionProgram>("Encoder_Connection_Test_SOL");
  registry.Add<EncoderConnectionProgram>("SSI_Encoder_Connection_Test");
  registry.Add<SerialOffsetProgram>("SSI_Encoder_Offset_Detection_Test");
}

}  // namespace drive
