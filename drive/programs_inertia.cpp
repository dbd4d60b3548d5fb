// The total inertia identification: the axis swung to and fro by a known
// torque current, its inertia from the swing of its position.
#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <numbers>
#include <optional>
#include <utility>
#include <vector>

#include "drive/closed_loop_axis.h"
#include "drive/drive_program.h"
#include "drive/inertia_swing.h"
#include "drive/loop_gain.h"
#include "drive/ringing_damper.h"

namespace drive {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Inputs: "In1" the torque current (current counts), "LimitSpeedMax" the
// speed the axis must not pass (counts per slow-loop sample),
// "Imax_Prot_Test" the current that ends the run. Outputs: "delta_time" t
// and "delta_speed" s, the speed In1 would add in t slow-loop samples, and
// "test_flag" 1; or the failures the test knows: "test_flag" 0 with
// "delta_time" -1 when a positive torque turned the axis backwards, -1 when
// the current passed the protection, "delta_time" -2 when the axis did not
// move or the current could not be held, -3 when the motion gave no
// inertia worth having.
//
// 1. The program aligns the rotor again, with the test current brought
//    onto the electrical zero from a quarter cycle back (a counter that
//    runs backwards then ends the run), and damps its ringing until it
//    rests (drive/ringing_damper.h): the commutation
//    counts from there, and a rotor still swinging from the positioning, or
//    left by it half a cycle off, would put the torque current off its axis
//    and the torque with it. The field then turns slowly forward and back
//    across the nearest edge of the count, so that the commutation puts the
//    field at the middle of each count rather than at its edge: with ten
//    counts to the electrical cycle an edge-based angle would lose several
//    percent of the torque.
// 2. A short push with the test current shows which way the axis turns and
//    roughly how fast it gathers speed; the push played backwards stops it
//    again.
// 3. The torque current then swings as a sine, so that the axis swings to
//    and fro about where it stopped. Its frequency, and when it must a
//    lower amplitude, follow from the push: the speed stays well inside
//    the test's limit and the rotor turns only a small electrical angle per
//    fast sample (where the current controller holds the current and the
//    torque current stands where the commutation puts it), while the
//    position still swings over many counts. When a swing about standstill
//    would be weak beside friction (which stops the axis at each turn), the
//    axis cruises instead, a slow speed loop holding it at a speed the
//    swing never takes down to rest, so that friction brakes alike
//    throughout; the swing begins once the cruise is reached. The inertia
//    comes from the swing resolved period by period, with the torque
//    current taken along the angle of the fitted position rather than the
//    count's (drive/inertia_swing.h); the result is given for In1, as the
//    acceleration is proportional to the current. Periods that disagree,
//    a swing too weak or too short in counts, a cruise not reached or that
//    came down to rest, or a current the controller did not hold, give no
//    result.
class TotalInertiaProgram final : public Program {
 public:
  static constexpr double kAlignRamp_s = 0.005;
  static constexpr double kQuarterBack_s = 0.1;
  static constexpr double kOnto_s = 0.1;
  static constexpr double kCountingWindow_s = 0.05;
  static constexpr double kLongestAlign_s = 1.2;
  static constexpr double kStill_s = 0.05;  // at rest this long ends the alignment
  // While the edge is sought the field turns by a count, or by the lag
  // friction may leave if that is more, in kEdgeSweep_s, and no further
  // than kEdgeSearch times that either way.
  static constexpr double kEdgeSweep_s = 0.1;
  static constexpr double kFrictionLag_rad = 0.1;
  static constexpr double kEdgeSearch = 1.5;
  static constexpr double kProbeRamp_s = 0.01;
  static constexpr double kTurnRamp_s = 0.02;
  static constexpr double kLongestProbe_s = 0.3;
  // The push goes on until the rotor has moved this far (counts, and
  // electrical cycles), unless it gets fast first, which kFastCounts tell:
  // with a coarse encoder twenty counts are electrical cycles, by which
  // time the current controller may have lost the current and the push's
  // reversal would overshoot into the protection. A parabola through fewer
  // than kProbeCounts is left for the push's distance and time.
  static constexpr double kProbeCounts = 20;
  static constexpr double kFastCounts = 4;
  static constexpr double kProbeCycles = 0.1;
  static constexpr double kProbeSpeedShare = 0.15;
  static constexpr double kLooseCurrent = 1.1;
  static constexpr double kBackwardsCounts = 3;
  static constexpr double kMovedCounts = 2;
  // The electrical angle the rotor may turn in a fast sample at the
  // swing's fastest.
  static constexpr double kLargestStep_rad = 0.1;
  // The swing's speed stays within this share of the test's limit, and of
  // the fastest the electrical angle allows.
  static constexpr double kLimitShare = 0.5;
  static constexpr double kSwingShare = 0.5;
  // The fit tells the swing from slow motion when the run holds several
  // periods: kSwingPeriods within the longest run at the lowest frequency.
  static constexpr double kLowestFrequency_Hz = 1;
  static constexpr double kHighestFrequency_Hz = 50;
  static constexpr double kSwingPeriods = 10;
  static constexpr double kShortestSwing_s = 3.0;
  static constexpr double kLongestSwing_s = 8.0;
  // A swing weaker than this share of the test current gives friction too
  // large a say: it stops the axis at each turn for longer.
  static constexpr double kWeakestSwing = 1.0 / 4;
  // About a cruise friction brakes alike throughout, and a far weaker swing
  // will do: down to a 128th of the test current, still tens of converter
  // steps at the smallest test currents (the periods' scatter refuses a
  // swing lost in the noise). The cruise is kCruise times the speed swing,
  // so that the speed stays between 0.3 and 2.3 times it; the speed swing
  // is no faster than gives the swing kCruisingShare of the test current,
  // as the slower the axis runs, the less back-EMF the current controller
  // holds the current against.
  static constexpr double kWeakestCruisingSwing = 1.0 / 128;
  static constexpr double kCruise = 1.3;
  static constexpr double kCruisingShare = 1.0 / 8;
  // A settling period that swings faster than this share over the plan
  // takes the swing's current down to the plan.
  static constexpr double kLargestSwingExcess = 1.1;
  // The cruise is reached when the mean speed of kSettledPeriods periods
  // in a row lies within kCruiseBand of it; not within kLongestCruiseUp_s,
  // the axis does not reach it.
  static constexpr double kCruiseBand = 0.1;
  static constexpr int kSettledPeriods = 3;
  static constexpr double kLongestCruiseUp_s = 4.0;
  // Standing still before the cruise, the current for friction grows by
  // the test current in this time.
  static constexpr double kBreakaway_s = 4.0;
  // The swing's amplitude in counts; while cruising the axis passes through
  // the counts whatever the swing does, and half as many will do.
  static constexpr double kShortestSwing_counts = 8;
  static constexpr double kShortestCruisingSwing_counts = 4;
  // The current's mean deviation from its reference over the swing, as a
  // share of the swing's amplitude, beyond which the controller did not
  // hold it.
  static constexpr double kLargestCurrentError = 0.2;
  // The periods the swing takes to settle, left out of the result; the
  // fewest periods a result is made of; the relative standard error of
  // the periods' mean above which it is refused (three of them stay within
  // the 3 % the test needs).
  static constexpr int kSettlePeriods = 2;
  static constexpr int kFewestPeriods = 6;
  static constexpr double kWorstError = 0.005;
  static constexpr double kFinestSpeed = 1000.0;

  ProgramState Step(ProgramContext& c) override {
    NamedValues& vars = c.program_variables();
    if (!axis_) {
      axis_.emplace(c);
      if (!axis_->feedback().present()) {
        c.RaiseErrors(mer::kFeedbackError);
        return ProgramState::kEnded;
      }
      Start(c);
    }
    if (!axis_->Update(c)) {
      c.RaiseErrors(mer::kFeedbackError);
      return ProgramState::kEnded;
    }
    const double protection = vars.Get("Imax_Prot_Test");
    if (protection > 0 && Magnitude(c.measured_current_counts()) > protection) return Report(vars, 0, 0, -1);

    const double t = c.time_s();
    const auto position = static_cast<double>(axis_->position());
    switch (stage_) {
      case Stage::kAlign:
        return Align(c, t, position);
      case Stage::kEdge:
        return FindEdge(c, t, position);
      case Stage::kProbe:
        return Probe(c, t, position);
      case Stage::kBrake: {
        // The push played backwards with the opposite sign, which takes
        // back the speed it gave, after a ramp from its last current to the
        // opposite: a step would overshoot, and might trip the protection.
        const double u = t - stage_start_s_;
        const double end = probe_s_ + kTurnRamp_s;
        const double reference = u < kTurnRamp_s ? ProbeCurrent(probe_s_) * (1.0 - 2 * u / kTurnRamp_s)
                                                 : -ProbeCurrent(std::max(0.0, end - u));
        axis_->CommandTorqueCurrent(c, reference);
        if (cruise_) {
          Enter(Stage::kCruiseUp, t);
        } else if (u >= end) {
          Enter(Stage::kSwing, t);
        }
        return ProgramState::kRunning;
      }
      case Stage::kCruiseUp:
        return CruiseUp(c, t, position);
      case Stage::kSwing:
        return Swing(c, t, position);
    }
    return ProgramState::kEnded;
  }

 private:
  enum class Stage { kAlign, kEdge, kProbe, kBrake, kCruiseUp, kSwing };

  void Start(ProgramContext& c) {
    const NamedValues& vars = c.program_variables();
    in1_ = vars.Get("In1");
    current_ = std::abs(in1_);
    divider_ = std::max<std::int64_t>(1, std::llround(c.slow_period_s() / c.fast_period_s()));
    counts_per_cycle_ = axis_->feedback().counts_per_rev() / ElectricalCyclesPerTurn(c);
    damper_.emplace(counts_per_cycle_, c.fast_period_s());
    fastest_ = kLargestStep_rad / kTwoPi * counts_per_cycle_ / c.fast_period_s();
    const double limit = vars.Get("LimitSpeedMax");
    if (limit > 0) fastest_ = std::min(fastest_, kLimitShare * limit / c.slow_period_s());
  }

  void Enter(Stage stage, double t) {
    stage_ = stage;
    stage_start_s_ = t;
  }

  // Holds the rotor at the electrical zero, damped, until it rests; the
  // commutation then starts from there.
  ProgramState Align(ProgramContext& c, double t, double position) {
    // A quarter cycle back first, then onto the zero: a rotor the
    // positioning left half a cycle off (where the zero pulls it neither
    // way) is not left there.
    const double onto = std::clamp((t - kQuarterBack_s) / kOnto_s, 0.0, 1.0);
    const double field = -kTwoPi / 4 * (1.0 - (onto - std::sin(kTwoPi * onto) / kTwoPi));
    // The field's quarter turn forward must move the counter forward: the
    // mean positions just before and just after it, which the ringing
    // hardly moves, tell. One that counts the other way would make the
    // damping push.
    if (t >= kQuarterBack_s - kCountingWindow_s && t < kQuarterBack_s) before_.Add(position);
    if (t >= kQuarterBack_s + kOnto_s && t < kQuarterBack_s + kOnto_s + kCountingWindow_s) after_.Add(position);
    if (t >= kQuarterBack_s + kOnto_s + kCountingWindow_s && !counting_checked_) {
      if (after_.value() - before_.value() < -std::max(kBackwardsCounts, counts_per_cycle_ / 8)) {
        return Report(c.program_variables(), -1, 0, 0);
      }
      counting_checked_ = true;
    }
    const double lead = counting_checked_ ? damper_->Lead(static_cast<std::int64_t>(position)) : 0.0;
    c.CommandCurrentAtAngle(field - lead, current_ * std::min(1.0, t / kAlignRamp_s));
    // At rest: the position unchanged over a slow-loop period.
    recent_.push_back(position);
    if (static_cast<std::int64_t>(recent_.size()) > divider_ + 1) recent_.pop_front();
    const bool still = recent_.back() == recent_.front();
    still_since_s_ = still ? still_since_s_.value_or(t) : std::optional<double>();
    const bool rested = counting_checked_ && still_since_s_ && t - *still_since_s_ >= kStill_s;
    if (rested || t >= kLongestAlign_s) {
      axis_->ZeroHere();
      Enter(Stage::kEdge, t);
    }
    return ProgramState::kRunning;
  }

  // Turns the field slowly forward from the zero until the count steps up,
  // then back until it steps down again: friction holds the rotor behind
  // the field by as much either way, so the middle of the two field angles
  // is where the count's edge lies. The commutation then centres the field
  // on each count.
  ProgramState FindEdge(ProgramContext& c, double t, double position) {
    const double count = axis_->angle_per_count_rad();
    // Friction holds the rotor a little way behind the field, which may be
    // more than a fine encoder's count.
    const double span = std::max(count, kFrictionLag_rad);
    const double rate = span / kEdgeSweep_s;
    const double u = t - stage_start_s_;
    const std::int64_t counts = axis_->commutation_counts();
    if (!edge_forward_) {
      field_ = rate * u;
      if (counts > 0) {
        edge_forward_ = field_;
        edge_turn_s_ = t;
      }
    } else {
      field_ = *edge_forward_ - rate * (t - edge_turn_s_);
      if (counts <= 0) {
        axis_->CentreOnEdge((*edge_forward_ + field_) / 2);
        start_position_ = position;
        Enter(Stage::kProbe, t);
        return ProgramState::kRunning;
      }
    }
    // A rotor that does not follow the field that far either way does not
    // turn.
    if (std::abs(field_ - edge_forward_.value_or(0.0)) > kEdgeSearch * span) {
      return Report(c.program_variables(), -2, 0, 1);
    }
    const double lead = damper_->Lead(static_cast<std::int64_t>(position));
    c.CommandCurrentAtAngle(field_ - lead, current_);
    return ProgramState::kRunning;
  }

  ProgramState Probe(ProgramContext& c, double t, double position) {
    NamedValues& vars = c.program_variables();
    const double moved = position - start_position_;
    const double in_stage = t - stage_start_s_;
    // A positive torque that moves the counter backwards: the sensor counts
    // the other way from the motor.
    if (moved < -kBackwardsCounts) return Report(vars, -1, 0, 0);
    if (in_stage >= kProbeRamp_s) probe_.emplace_back(in_stage - kProbeRamp_s, position);
    // Twice the push's mean speed: about the speed it has reached; or so
    // fast already that the controller lets the current grow past its
    // reference.
    const bool fast = in_stage > kProbeRamp_s && moved >= kFastCounts &&
                      (2 * moved / in_stage >= kProbeSpeedShare * fastest_ ||
                       Magnitude(c.measured_current_counts()) > kLooseCurrent * current_);
    const double far = std::max(kProbeCounts, kProbeCycles * counts_per_cycle_);
    if (moved >= far || fast || in_stage >= kLongestProbe_s) {
      if (moved < kMovedCounts) return Report(vars, -2, 0, 1);
      PlanSwing(c, in_stage, moved);
      probe_s_ = in_stage;
      Enter(Stage::kBrake, t);
      return ProgramState::kRunning;
    }
    axis_->CommandTorqueCurrent(c, ProbeCurrent(in_stage));
    return ProgramState::kRunning;
  }

  // The push's current, ramping up from nothing.
  double ProbeCurrent(double since_s) const { return current_ * std::min(1.0, since_s / kProbeRamp_s); }

  // The swing from the push's acceleration theta * I: a speed swing
  // V = theta * I_x / w within its share of the fastest, at the lowest
  // frequency that allows, with a current below the test's where the
  // highest frequency does not.
  void PlanSwing(const ProgramContext& c, double pushed_s, double moved) {
    // From a parabola through the push's positions once the current stood
    // at its full value, or from the distance alone: from rest under a
    // current ramping up over R, x = a t^3 / (6 R) until R, then about
    // a (t - R / 2)^2 / 2.
    const double pushed = std::max(c.fast_period_s(), pushed_s);
    const double crude = pushed < kProbeRamp_s ? 6 * kProbeRamp_s * moved / (pushed * pushed * pushed)
                                               : 2 * moved / std::pow(pushed - kProbeRamp_s / 2, 2);
    const double parabola = moved >= kProbeCounts ? ParabolaAcceleration().value_or(0.0) : 0.0;
    const double accel = parabola > 0 ? parabola : crude;
    // The swing about standstill; about a cruising speed when that is too
    // weak beside friction (which then brakes alike throughout).
    if (!Plan(c, accel, kSwingShare * fastest_) || share_ < kWeakestSwing) {
      cruise_ = true;
      // A swing V at w = V / X_min takes the share V^2 / (X_min accel).
      const double gentle = std::sqrt(kCruisingShare * accel * kShortestCruisingSwing_counts);
      Plan(c, accel, std::min(fastest_ / (1 + kCruise), gentle));
    }
    swing_.emplace(omega_, period_samples_, axis_->commutation());
    swing_s_ = std::clamp(kSwingPeriods * kTwoPi / omega_, kShortestSwing_s, kLongestSwing_s);
    speed_gain_ = omega_ / 10 * current_ / accel;
  }

  // A speed swing V = theta * I_x / w up to `fastest`, at the lowest
  // frequency that allows, with a current below the test's where the
  // highest frequency does not; false when the swing cannot span enough
  // counts.
  bool Plan(const ProgramContext& c, double accel, double fastest) {
    const double lowest = kTwoPi * kLowestFrequency_Hz;
    const double highest = kTwoPi * kHighestFrequency_Hz;
    swing_speed_ = std::min(fastest, accel / lowest);
    // The swing must span a good many counts, or the commutation's own
    // steps (a coarse encoder's angle stands still between its edges) would
    // shape the torque in step with it.
    const double widest = std::max(lowest, std::min(highest, swing_speed_ / ShortestSwing()));
    const double wanted = std::clamp(accel / swing_speed_, lowest, widest);
    // A whole number of fast samples to the period, rounded up so that the
    // swing spans no fewer counts.
    period_samples_ = std::max(8, static_cast<int>(std::ceil(kTwoPi / (wanted * c.fast_period_s()) - 1e-9)));
    omega_ = kTwoPi / (period_samples_ * c.fast_period_s());
    share_ = std::min(1.0, swing_speed_ * omega_ / accel);
    return swing_speed_ / omega_ >= ShortestSwing();
  }

  double ShortestSwing() const { return cruise_ ? kShortestCruisingSwing_counts : kShortestSwing_counts; }

  // d²x/dt² of the least-squares parabola through the push's positions
  // after its ramp; nothing with too few of them.
  std::optional<double> ParabolaAcceleration() const {
    if (probe_.size() < 8) return std::nullopt;
    double s[5] = {};  // sums of t^0 .. t^4
    double r[3] = {};  // sums of x t^0 .. x t^2
    for (const auto& [t, x] : probe_) {
      double power = 1;
      for (double& sum : s) sum += power, power *= t;
      r[0] += x, r[1] += x * t, r[2] += x * t * t;
    }
    // Cramer's rule on the normal equations.
    auto det = [](double a, double b, double c, double d, double e, double f, double g, double h, double i) {
      return a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    };
    const double d = det(s[0], s[1], s[2], s[1], s[2], s[3], s[2], s[3], s[4]);
    if (d == 0.0) return std::nullopt;
    return 2 * det(s[0], s[1], r[0], s[1], s[2], r[1], s[2], s[3], r[2]) / d;
  }

  // A swing too weak or too narrow gives no result worth having.
  bool Measurable() const {
    return share_ >= (cruise_ ? kWeakestCruisingSwing : kWeakestSwing) && swing_speed_ / omega_ >= ShortestSwing();
  }

  // Brings the axis to its cruise before the swing begins: from rest the
  // slow speed loop needs a while to find the current friction takes, and
  // a swing begun before would stop with the axis at each turn.
  ProgramState CruiseUp(ProgramContext& c, double t, double position) {
    NamedValues& vars = c.program_variables();
    if (!Measurable()) return Report(vars, -3, 0, 1);
    axis_->CommandTorqueCurrent(c, Cruise(c, position));
    if (++cruise_samples_ % period_samples_ == 0) {
      const double target = kCruise * swing_speed_;
      settled_periods_ = std::abs(cruise_speed_ - target) <= kCruiseBand * target ? settled_periods_ + 1 : 0;
      if (settled_periods_ >= kSettledPeriods) {
        stopped_ = false;
        Enter(Stage::kSwing, t);
        return ProgramState::kRunning;
      }
    }
    if (t - stage_start_s_ >= kLongestCruiseUp_s) return Report(vars, -3, 0, 1);
    return ProgramState::kRunning;
  }

  ProgramState Swing(ProgramContext& c, double t, double position) {
    NamedValues& vars = c.program_variables();
    if (!Measurable()) return Report(vars, -3, 0, 1);
    const double tau = t - stage_start_s_;
    if (tau >= swing_s_) return Finish(c, tau);
    // A cosine: the speed then swings about zero (or the cruise) and the
    // axis about where it stands (or its steady advance).
    double reference = share_ * current_ * std::cos(omega_ * tau) * std::min(1.0, tau / kProbeRamp_s);
    if (cruise_) {
      reference += Cruise(c, position);
      if (stopped_ && tau * omega_ / kTwoPi > Settle()) stopped_after_settling_ = true;
      stopped_ = false;
    }
    const double torque_current = axis_->MeasuredTorqueCurrent(c);
    const StatorVector measured = c.measured_current_counts();
    const int periods = swing_->periods();
    swing_->Add(tau, position, measured.alpha, measured.beta);
    // The push tells the acceleration only roughly: a period of the
    // settling swing that swings faster than planned takes the amplitude
    // down to the plan, so that the speed stays inside its share of the
    // limit and a cruise does not come down through zero.
    if (swing_->periods() > periods && swing_->periods() <= kSettlePeriods) {
      const double swing = swing_->last_speed_swing().value_or(0.0);
      if (swing > kLargestSwingExcess * swing_speed_) share_ *= swing_speed_ / swing;
    }
    if (tau > 0) {
      current_error_ += std::abs(torque_current - last_reference_);
      reference_sum_ += share_ * current_;
    }
    axis_->CommandTorqueCurrent(c, reference);
    last_reference_ = reference;
    return ProgramState::kRunning;
  }

  // The current that holds the cruise: proportional to the shortfall of
  // the speed over the last swing's period (which the swing itself leaves
  // out), a tenth of the swing's frequency fast, plus an integral four
  // times slower for the friction. It notes when the axis stood still for
  // a quarter period.
  double Cruise(const ProgramContext& c, double position) {
    period_positions_.push_back(position);
    if (static_cast<int>(period_positions_.size()) > period_samples_ + 1) period_positions_.pop_front();
    const double mean_speed = (period_positions_.back() - period_positions_.front()) /
                              (static_cast<double>(period_positions_.size() - 1) * c.fast_period_s() + 1e-12);
    const auto quarter = static_cast<std::size_t>(std::max(1, period_samples_ / 4));
    const bool still = period_positions_.size() > quarter &&
                       period_positions_.back() <= period_positions_[period_positions_.size() - 1 - quarter];
    stopped_ = stopped_ || still;
    cruise_speed_ = mean_speed;
    const double shortfall = kCruise * swing_speed_ - mean_speed;
    // Standing still before the cruise, the axis has not yet got the
    // current friction takes: that current is sought faster.
    const double rate =
        stage_ == Stage::kCruiseUp && still ? current_ / kBreakaway_s : speed_gain_ * omega_ / 40 * shortfall;
    friction_current_ += rate * c.fast_period_s();
    return speed_gain_ * shortfall + friction_current_;
  }

  // The periods left out of the result: the swing's start, and while
  // cruising the time the cruise takes to settle as well.
  int Settle() const {
    const int periods = static_cast<int>(swing_s_ / (kTwoPi / omega_));
    return cruise_ ? std::max(kSettlePeriods, periods / 4) : kSettlePeriods;
  }

  ProgramState Finish(ProgramContext& c, double span_s) {
    NamedValues& vars = c.program_variables();
    if (reference_sum_ <= 0.0 || current_error_ > kLargestCurrentError * reference_sum_) return Report(vars, -2, 0, 1);
    // A cruise that came down to rest turned the friction round.
    if (cruise_ && stopped_after_settling_) return Report(vars, -3, 0, 1);
    const auto result = swing_->Solve(Settle());
    if (!result || result->periods < kFewestPeriods || !(result->relative_error <= kWorstError)) {
      return Report(vars, -3, 0, 1);
    }
    // A cruise whose swing took the speed down through zero turned the
    // friction round with it.
    if (cruise_ && !(result->slowest_counts_per_s > 0.0)) return Report(vars, -3, 0, 1);
    const double slow = c.slow_period_s();
    const double driven = result->counts_per_s2_per_count * std::abs(in1_) * slow * slow;  // counts per slow sample²
    if (!(driven > 0.0)) return Report(vars, -2, 0, 1);
    // The speed In1 gains in t samples, t scaled up until s is a large
    // whole number, so that rounding s costs less than 0.1 %.
    double samples = std::max(1.0, std::round(span_s / slow));
    while (driven * samples < kFinestSpeed && samples < std::numeric_limits<std::int32_t>::max() / 2) samples *= 2;
    return Report(vars, samples, std::round(driven * samples), 1);
  }

  static ProgramState Report(NamedValues& vars, double t, double s, double flag) {
    vars.Set("delta_time", t);
    vars.Set("delta_speed", s);
    vars.Set("test_flag", flag);
    return ProgramState::kEnded;
  }

  std::optional<ClosedLoopAxis> axis_;
  std::optional<RingingDamper> damper_;
  std::vector<std::pair<double, double>> probe_;  // (time after the ramp, position)
  std::optional<SwingResolver> swing_;
  int period_samples_ = 0;
  Stage stage_ = Stage::kAlign;
  double stage_start_s_ = 0.0;
  double in1_ = 0.0;
  double current_ = 0.0;
  double counts_per_cycle_ = 1.0;
  double fastest_ = 0.0;  // counts per second
  std::int64_t divider_ = 1;
  std::deque<double> recent_;
  std::optional<double> still_since_s_;
  // Mean positions before and after the field's quarter turn.
  struct Mean {
    double sum = 0.0;
    int count = 0;
    void Add(double x) { sum += x, ++count; }
    double value() const { return count > 0 ? sum / count : 0.0; }
  };
  Mean before_;
  Mean after_;
  bool counting_checked_ = false;
  double field_ = 0.0;  // electrical angle from the zero while the edge is sought
  std::optional<double> edge_forward_;
  double edge_turn_s_ = 0.0;
  double start_position_ = 0.0;
  double probe_s_ = 0.0;
  double omega_ = 0.0;
  double share_ = 1.0;  // of the test current, the swing's amplitude
  double swing_speed_ = 0.0;  // counts per second
  bool cruise_ = false;
  double speed_gain_ = 0.0;  // current counts per count/s
  double friction_current_ = 0.0;
  double cruise_speed_ = 0.0;  // counts per second, the mean over the last period
  std::int64_t cruise_samples_ = 0;
  int settled_periods_ = 0;
  std::deque<double> period_positions_;
  bool stopped_ = false;
  bool stopped_after_settling_ = false;
  double swing_s_ = 0.0;
  double last_reference_ = 0.0;
  double current_error_ = 0.0;
  double reference_sum_ = 0.0;
};

}  // namespace

void RegisterPrograms_inertia(ProgramRegistry& registry) {
  registry.Add<TotalInertiaProgram>("Total_Inertia_Identification_Test");
}

}  // namespace drive
