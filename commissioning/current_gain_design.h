#pragma once

#include "commissioning/result.h"

// The current controller's PI gains from a wanted closed-loop bandwidth and
// damping and the motor's electrical model. The gains are the values of
// "Kp_C_scl" and "Ki_C_scl": voltage counts per current count, Ki per
// current-loop sample.
namespace commissioning {

struct CurrentLoopPlant {
  double resistance_Ohm = 0.0;  // the stored phase resistance "R"
  double inductance_H = 0.0;    // "L"
  bool delta = false;           // three-phase delta: the drive sees R / 3
  double period_s = 0.0;        // current-loop sampling period Ts_C
  double current_counts_per_A = 0.0;
  double voltage_counts_per_V = 0.0;
};

struct CurrentLoopTarget {
  double bandwidth_rad_s = 0.0;  // "PB_C"
  double damping = 0.0;          // "Dump_C"
};

struct CurrentGains {
  double kp = 0.0;
  double ki = 0.0;
  // Which rule designed them: the pole placement for a slow electrical time
  // constant (tau above four samples), else the rule for a fast one.
  bool pole_placement = true;
  // The proportional gain came out negative (the bandwidth is below what the
  // motor's own time constant gives) and was held at 0.
  bool kp_held_at_zero = false;
};

// tau = L / R. With R' the resistance the drive sees and K = R' Kv / Kc:
//   tau > 4 Ts: Kp = (2 zeta omega tau - 1) K,     Ki = omega^2 tau Ts K
//   otherwise:  Kp = (tau / (2 sqrt2 Ts) - 1) K,   Ki = omega Ts K
// A negative Kp is held at 0: the drive's gain registers hold no sign, and
// pure integral action is the controller that design asks for. Fails, with
// the cause, when an input is not finite or not positive (the damping may
// be 0), or when a gain does not fit the drive's registers.
Result<CurrentGains> DesignCurrentGains(const CurrentLoopPlant& plant, const CurrentLoopTarget& target);

// The range a gain slider offers around `value`: half to one and a half
// times it, within the parameter's limits. A value of 0 gives [0, 0] held
// within the limits; the low end never passes the high end. Non-finite
// input gives the limits themselves.
struct SliderRange {
  double low = 0.0;
  double high = 0.0;
};
SliderRange GainSliderRange(double value, double minimum, double maximum);

}  // namespace commissioning
