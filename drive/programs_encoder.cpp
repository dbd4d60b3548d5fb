// The encoder connection checks while the shaft is turned by hand (the
// resolution and direction: drive/programs_encoder_resolution.cpp; the
// serial encoder's offset: drive/programs_serial_offset.cpp).
#include <optional>
#include <string>
#include <vector>

#include "drive/drive_program.h"
#include "drive/motor_feedback.h"
#include "drive/simulation_config.h"

namespace drive {

namespace {

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

}  // namespace

void RegisterPrograms_encoder(ProgramRegistry& registry) {
  registry.Add<EncoderConnectionProgram>("Encoder_Connection_Test_SCL");
  registry.Add<EncoderConnectionProgram>("Encoder_Connection_Test_SOL");
  registry.Add<EncoderConnectionProgram>("SSI_Encoder_Connection_Test");
}

}  // namespace drive
