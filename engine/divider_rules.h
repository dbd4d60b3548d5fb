#pragma once

#include "engine/time_rescale.h"

class CVX_Setup;

// How the loop dividers and the PWM frequency follow a user's edit, for the
// Advanced dialog (dividers, PWM frequency) and the motor dialog (open or
// closed loop). The serial encoder read-time check and the dialog's own
// refreshes stay with the dialogs.
namespace engine {

// The periods the dialog keeps while it is open: taken when it opens and
// after a divider edit. 0 means not known.
struct RememberedPeriods {
  double fast_s = 0.0;
  double slow_s = 0.0;
};
RememberedPeriods RememberPeriods(CVX_Setup& setup);

// In open loop the drive runs the slow loop every 8 fast-loop samples.
inline constexpr int kOpenLoopSlowPerFast = 8;

// The slow loop is never faster than the fast one: "SLPER" := "CLPER" when
// below. 1 when both dividers exist.
int KeepSlowLoopNoFasterThanFast(CVX_Setup& setup);

// After a new "PWM_freq": "PWMPER", "SATPWM", "PWMperiod" from it; then the
// dividers that come nearest to the remembered periods: "CLPER", and
// "SLPER" in closed loop, 8 "CLPER" in open loop; then "Ts_S", "Ts_C".
// A divider is at least 1. 0 when a parameter is missing.
int KeepPeriodsAtNewPwm(CVX_Setup& setup, const RememberedPeriods& remembered);

// A new slow-loop period: when the remembered one is known and differs,
// rescales the time-based values to it and remembers it; then in every case
// runs `roundTrip`.
int FollowSlowLoopPeriod(CVX_Setup& setup, RememberedPeriods& remembered, RoundTripFn roundTrip = RegisterRoundTrip);

// What the user edited in the Advanced dialog.
enum class TimingEdit { kFastDivider, kSlowDivider, kPwmFrequency, kOther };

// The whole reaction to one edit, in order: the new PWM's dividers, the
// divider order, the recomputed timing values, open loop's slow divider
// after a fast-divider edit, the rescale and round trip after a new
// slow-loop period, and the periods remembered for the next edit.
int ApplyTimingEdit(CVX_Setup& setup, TimingEdit edit, RememberedPeriods& remembered,
                    RoundTripFn roundTrip = RegisterRoundTrip);

// After "StepperControlType" changed (read from the setup). Into open loop:
// torque control becomes position control, "SLPER" is saved in
// "SLPER_backup" and becomes 8 "CLPER". Back into closed loop: "SLPER"
// returns to "SLPER_backup". Either way the timing values are recomputed and
// the time-based values rescaled to the new slow loop. 0 when a parameter is
// missing.
int ApplyControlTypeChange(CVX_Setup& setup, RoundTripFn roundTrip = RegisterRoundTrip);

}  // namespace engine
