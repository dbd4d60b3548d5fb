#pragma once

#include "commissioning/loop_gain_design.h"
#include "commissioning/result.h"

// The speed controller's gains from a bandwidth and a damping: a PI loop
// that commands current and places both closed-loop poles at the bandwidth.
namespace commissioning {

struct PiGains {
  double kp;  // "Kp_S_scl"
  double ki;  // "Ki_S_scl"
};

struct SpeedDesignInputs {
  double bandwidth_rad_s;  // "PB_S"
  double damping;          // "Dump_S"
  double period_s;         // GainDesignPeriod_s
  CurrentCommandPlant plant;
  // Position counts per radian times the slow-loop period: one speed unit of
  // the drive per rad/s.
  double speedScale;
};

// Ki = PB^2 Ts Jt / K Kc / |Ks|, Kp = 2 PB zeta Jt / K Kc / |Ks|; a text
// when an input is zero or not finite or a gain does not fit the registers.
Result<PiGains> DesignSpeedGains(const SpeedDesignInputs& in);

}  // namespace commissioning
