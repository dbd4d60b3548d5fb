// The serial encoder's offset: the encoder's reading where a current along
// phase A's axis holds the rotor.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "drive/closed_loop_axis.h"
#include "drive/drive_program.h"
#include "drive/loop_gain.h"
#include "drive/motor_feedback.h"
#include "drive/ringing_damper.h"
#include "drive/rotor_following.h"

namespace drive {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Aligns the rotor and reads the encoder there ("ZAOFF"), then sets
// "var_i1" to 1. "ZAOFF" is -1, which the test rejects, when the rotor
// could not be aligned for certain.
//
// The current: near the drive's current limit (the stiffer the alignment,
// the narrower the band within which friction can stop the rotor), but no
// more than the supply can drive through the winding: the ramp stops where
// the controller runs out of voltage.
//
// The path: the field first holds the rotor a quarter cycle before the
// zero and then turns onto it, so that a rotor which started half a cycle
// off (where the zero pulls it neither way) is not left there. Bearing
// friction stops a rotor anywhere within a small band around the aligned
// position, on the side it came from; so the field swings slowly to one
// side and back, then to the other side and back, and the two stops are
// averaged. Each stop is where the rotor rests while it still rings (the
// middle of its swings, drive/rotor_following.h); the field's lead against
// the measured motion damps the ringing (drive/ringing_damper.h).
//
// Certain means: the current reached a useful share of the limit, the rotor
// followed each swing, it came to rest in each stop, and the two stops lie
// within a small share of a cycle of each other.
class SerialOffsetProgram final : public Program {
 public:
  static constexpr double kRamp_s = 0.3;
  static constexpr double kHold_s = 0.3;
  static constexpr double kOnto_s = 0.3;
  static constexpr double kSwing_s = 0.4;   // each way
  static constexpr double kStill_s = 0.2;   // before the rest is read
  static constexpr double kRest_s = 0.8;    // a whole swing of the slowest ringing
  static constexpr double kSwing_rad = 0.3; // electrical, well past the friction band
  // The ramp stops at this share of the controller's voltage limit.
  static constexpr double kVoltageHeadroom = 0.85;
  // Below this share of the current limit friction may hold the rotor
  // anywhere: the offset is not worth having.
  static constexpr double kMinCurrentShare = 0.05;
  // Of an electrical cycle: the rotor must have followed each swing by half
  // its size, come to rest within this much of ringing, and stopped within
  // this much on both sides.
  static constexpr double kMaxRinging_cycles = 0.05;
  static constexpr double kMaxStopGap_cycles = 0.05;

  ProgramState Step(ProgramContext& c) override {
    if (!feedback_) Start(c);
    if (!feedback_->Update(c.motor())) {
      c.RaiseErrors(mer::kFeedbackError);
      return ProgramState::kEnded;
    }
    const double t = c.time_s();
    const double position = static_cast<double>(feedback_->position());

    double field = -kTwoPi / 4;
    double amplitude = current_;
    if (t < kRamp_s) {
      amplitude = Ramp(c, t);
    } else if (t < kRamp_s + kHold_s) {
      // holding a quarter cycle before the zero
    } else if (t < kSwingsStart_s()) {
      const double u = (t - kRamp_s - kHold_s) / kOnto_s;
      field = -kTwoPi / 4 * (1.0 - (u - std::sin(kTwoPi * u) / kTwoPi));
    } else if (const int leg = static_cast<int>((t - kSwingsStart_s()) / kLeg_s()); leg < 2) {
      field = Swing(t - kSwingsStart_s() - leg * kLeg_s(), leg, position);
    } else {
      return Finish(c);
    }
    c.CommandCurrentAtAngle(field - damper_->Lead(feedback_->position()), amplitude);
    return ProgramState::kRunning;
  }

  std::vector<std::string> PublishedVariables() const override { return {"ZAOFF", "var_i1"}; }

 private:
  static constexpr double kSwingsStart_s() { return kRamp_s + kHold_s + kOnto_s; }
  static constexpr double kLeg_s() { return 2 * kSwing_s + kStill_s + kRest_s; }

  void Start(ProgramContext& c) {
    feedback_.emplace(c.simulation(), c.registers());
    feedback_->Reset(c.motor());
    counts_per_cycle_ = feedback_->counts_per_rev() / ElectricalCyclesPerTurn(c);
    damper_.emplace(counts_per_cycle_, c.fast_period_s());
    limit_ = kFullScale - c.registers().Get("SATS", kFullScale - 16000.0);
    current_ = 0.9 * std::max(limit_, 1000.0);
    c.variables().Set("var_i1", 0);
  }

  // The current ramps up to its target unless the controller runs out of
  // voltage first: then it stays a little below what it reached.
  double Ramp(ProgramContext& c, double t) {
    const double wanted = current_ * t / kRamp_s;
    if (!voltage_bound_) {
      const StatorVector v = c.voltage_reference_counts();
      const double voltage_limit = LimitOfSaturation(std::llround(c.registers().Get("SATPWM", 0.0)));
      if (std::hypot(v.alpha, v.beta) > kVoltageHeadroom * voltage_limit) {
        const StatorVector i = c.measured_current_counts();
        current_ = std::min(current_, 0.9 * std::hypot(i.alpha, i.beta));
        voltage_bound_ = true;
      }
    }
    return std::min(wanted, current_);
  }

  // One leg: out to one side and back, still, then at rest; `u` the time
  // into the leg. Records how far the rotor followed and where it rests.
  double Swing(double u, int leg, double position) {
    const double side = leg == 0 ? -1.0 : 1.0;
    const double out = u < kSwing_s ? u / kSwing_s : u < 2 * kSwing_s ? 2.0 - u / kSwing_s : 0.0;
    if (!leg_started_[leg]) {
      leg_start_[leg] = position;
      leg_started_[leg] = true;
    }
    if (u < 2 * kSwing_s) {
      followed_[leg] = std::max(followed_[leg], side * (position - leg_start_[leg]));
    } else if (u >= 2 * kSwing_s + kStill_s) {
      rests_[leg].Add(static_cast<std::int64_t>(position));
      ringing_[leg].Add(static_cast<std::int64_t>(position));
    }
    return side * kSwing_rad * out;
  }

  ProgramState Finish(ProgramContext& c) {
    const double swing_counts = kSwing_rad / kTwoPi * counts_per_cycle_;
    const double first = rests_[0].value();
    const double second = rests_[1].value();
    const bool certain = current_ >= kMinCurrentShare * limit_ && followed_[0] >= 0.5 * swing_counts &&
                         followed_[1] >= 0.5 * swing_counts &&
                         ringing_[0].span() <= kMaxRinging_cycles * counts_per_cycle_ &&
                         ringing_[1].span() <= kMaxRinging_cycles * counts_per_cycle_ &&
                         std::abs(first - second) <= kMaxStopGap_cycles * counts_per_cycle_;
    if (!certain) {
      // The alignment gives no offset worth having: the drive flags its
      // feedback as unusable, and "var_i1" never says the offset is there.
      c.RaiseErrors(mer::kFeedbackError);
      return ProgramState::kEnded;
    }
    {
      // The middle of the two stops, on the counter; then the single-turn
      // word the encoder gives there.
      const auto middle = static_cast<std::int64_t>(std::floor((first + second) / 2.0 + 0.5));
      const auto turn = static_cast<std::int64_t>(feedback_->counts_per_rev());
      const std::int64_t word = static_cast<std::int64_t>(feedback_->single_turn()) + (middle - feedback_->position());
      c.variables().Set("ZAOFF", static_cast<double>(((word % turn) + turn) % turn));
    }
    c.variables().Set("var_i1", 1);
    return ProgramState::kEnded;
  }

  // The span of the readings: how far a resting rotor still rings.
  class Span {
   public:
    void Add(std::int64_t x) {
      low_ = any_ ? std::min(low_, x) : x;
      high_ = any_ ? std::max(high_, x) : x;
      any_ = true;
    }
    double span() const { return any_ ? static_cast<double>(high_ - low_) : 0.0; }

   private:
    std::int64_t low_ = 0;
    std::int64_t high_ = 0;
    bool any_ = false;
  };

  std::optional<MotorFeedback> feedback_;
  double counts_per_cycle_ = 1.0;
  double limit_ = 0.0;
  double current_ = 0.0;
  bool voltage_bound_ = false;
  std::optional<RingingDamper> damper_;
  double leg_start_[2] = {};
  bool leg_started_[2] = {};
  double followed_[2] = {};
  RestingCount rests_[2];
  Span ringing_[2];
};

}  // namespace

void RegisterPrograms_serial_offset(ProgramRegistry& registry) {
  registry.Add<SerialOffsetProgram>("SSI_Encoder_Offset_Detection_Test");
}

}  // namespace drive
