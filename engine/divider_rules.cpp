#include "engine/divider_rules.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "engine/loop_periods.h"
#include "engine/loop_timing.h"
#include "engine/scales.h"
#include "engine/setup_access.h"

namespace engine {
namespace {

constexpr int kTorqueControl = 2;
constexpr int kPositionControl = 0;

// The divider whose period comes nearest to `period_s` at the present PWM.
// nullopt when that period is not known; never below one PWM period.
std::optional<double> NearestDivider(double clock_Hz, double period_s, double pwmper) {
  if (!(period_s > 0.0)) return std::nullopt;
  const double divider = std::floor(clock_Hz * period_s * 0.5 / pwmper + 0.5);
  if (!std::isfinite(divider)) return std::nullopt;
  return std::max(divider, 1.0);
}

// Sets "SLPER" and brings the timing values after it, then keeps the
// time-based values in seconds across the change from `oldDivider`.
int ChangeSlowDivider(CVX_Setup& setup, double oldDivider, double newDivider, RoundTripFn roundTrip) {
  if (!WriteBase(setup, "SLPER", newDivider)) return 0;
  // The limits of "SLPER" may have clipped it.
  const auto stored = Base(setup, "SLPER");
  RecomputeTimingParameters(setup);
  if (!stored || !(*stored > 0.0)) return 0;
  return RescaleTimeParameters(setup, oldDivider / *stored, roundTrip);
}

}  // namespace

RememberedPeriods RememberPeriods(CVX_Setup& setup) {
  return {FastLoopPeriod(setup).value_or(0.0), SlowLoopPeriod(setup).value_or(0.0)};
}

int KeepSlowLoopNoFasterThanFast(CVX_Setup& setup) {
  const auto fast = Base(setup, "CLPER");
  const auto slow = Base(setup, "SLPER");
  if (!fast || !slow) return 0;
  if (*slow < *fast) return WriteBase(setup, "SLPER", *fast);
  return 1;
}

int KeepPeriodsAtNewPwm(CVX_Setup& setup, const RememberedPeriods& remembered) {
  if (!ComputePWMPER(setup)) return 0;
  ComputeSATPWM(setup);
  RecoverPWMperiod(setup);
  const auto clock_Hz = Base(setup, "DSP_freq");
  const auto pwmper = Base(setup, "PWMPER");
  if (!clock_Hz || !pwmper || !(*pwmper > 0.0) || !Has(setup, "CLPER") || !Has(setup, "SLPER")) return 0;

  const auto fast = NearestDivider(*clock_Hz, remembered.fast_s, *pwmper);
  if (fast) WriteBase(setup, "CLPER", *fast);
  if (!IsOpenLoop(setup)) {
    const auto slow = NearestDivider(*clock_Hz, remembered.slow_s, *pwmper);
    if (slow) WriteBase(setup, "SLPER", *slow);
  } else if (const auto clper = Base(setup, "CLPER")) {
    // Open loop ties the slow loop to the fast one; the slow period then
    // stays as near as the fast one does.
    WriteBase(setup, "SLPER", kOpenLoopSlowPerFast * *clper);
  }
  RecoverTs_S(setup);
  RecoverTs_C(setup);
  return 1;
}

int FollowSlowLoopPeriod(CVX_Setup& setup, RememberedPeriods& remembered, RoundTripFn roundTrip) {
  const auto now_s = SlowLoopPeriod(setup);
  int done = 1;
  if (remembered.slow_s > 0.0 && now_s && *now_s != remembered.slow_s) {
    done = RescaleTimeParameters(setup, remembered.slow_s / *now_s, roundTrip);
    remembered.slow_s = *now_s;
  }
  if (roundTrip) roundTrip(setup);
  return done;
}

int ApplyTimingEdit(CVX_Setup& setup, TimingEdit edit, RememberedPeriods& remembered, RoundTripFn roundTrip) {
  int done = 1;
  if (edit == TimingEdit::kPwmFrequency) done &= KeepPeriodsAtNewPwm(setup, remembered);
  done &= KeepSlowLoopNoFasterThanFast(setup);
  RecomputeTimingParameters(setup);

  bool slowPeriodChanged = edit == TimingEdit::kSlowDivider || edit == TimingEdit::kPwmFrequency;
  if (edit == TimingEdit::kFastDivider && IsOpenLoop(setup)) {
    const auto clper = Base(setup, "CLPER");
    done &= clper ? WriteBase(setup, "SLPER", kOpenLoopSlowPerFast * *clper) : 0;
    // Ts_S was recomputed with the old divider.
    RecoverTs_S(setup);
    slowPeriodChanged = true;
  }
  if (slowPeriodChanged) done &= FollowSlowLoopPeriod(setup, remembered, roundTrip);

  if (edit == TimingEdit::kFastDivider) remembered.fast_s = FastLoopPeriod(setup).value_or(remembered.fast_s);
  if (edit == TimingEdit::kSlowDivider) remembered.slow_s = SlowLoopPeriod(setup).value_or(remembered.slow_s);
  return done;
}

int ApplyControlTypeChange(CVX_Setup& setup, RoundTripFn roundTrip) {
  const auto controlType = Base(setup, "StepperControlType");
  const auto clper = Base(setup, "CLPER");
  const auto slper = Base(setup, "SLPER");
  if (!controlType || !clper || !slper) return 0;

  if (*controlType == 0.0) {
    if (Base(setup, "ControlMode") == kTorqueControl) WriteBase(setup, "ControlMode", kPositionControl);
    WriteBase(setup, "SLPER_backup", *slper);
    const double coupled = kOpenLoopSlowPerFast * *clper;
    if (static_cast<long long>(*slper) == static_cast<long long>(coupled)) return 1;
    return ChangeSlowDivider(setup, *slper, coupled, roundTrip);
  }
  const auto backup = Base(setup, "SLPER_backup");
  // A backup below one PWM period was never a divider.
  if (!backup || *backup < 1.0 || static_cast<long long>(*backup) == static_cast<long long>(*slper)) return 1;
  return ChangeSlowDivider(setup, *slper, *backup, roundTrip);
}

}  // namespace engine
