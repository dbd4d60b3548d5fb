#pragma once

#include "commissioning/loop_gain_design.h"
#include "commissioning/result.h"

// The position controller's gains from a bandwidth and a damping, for the
// three ways the position loop can drive the motor.
namespace commissioning {

struct PidGains {
  double kp;  // "Kp_P_scl"
  double ki;  // "Ki_P_scl"
  double kd;  // "Kd_P_scl"
};

struct PositionDesignTarget {
  double bandwidth_rad_s;  // "PB_P"
  double damping;          // "Dump_P"
  double period_s;         // the loop's sampling period
  // Position counts per user position unit of the load: the position the
  // loop closes on.
  double positionScale;
};

// Closed loop, the position loop commanding the speed loop ("PositionControlType"
// 1): the speed loop is taken as ideal, so the plant is an integrator.
// Ki = w^2 Ts |Ks| / |Kx|, Kp = 2 w zeta |Ks| / |Kx|, Kd = 0.
Result<PidGains> DesignPositionGainsThroughSpeedLoop(const PositionDesignTarget& target, double speedScale);

// Closed loop, the position loop commanding current: a PID with all three
// poles at w. With D = (2 zeta + 1) w: Ki = w^3 Ts Jt/K Kc/|Kx|,
// Kp = D w Jt/K Kc/|Kx|, Kd = D Jt/K Kc/|Kx| / Ts.
Result<PidGains> DesignPositionGainsCommandingCurrent(const PositionDesignTarget& target,
                                                      const CurrentCommandPlant& plant);

// Open loop: the position loop commands the microstep rate, S microsteps
// per sample per rad/s of the motor. Ki = w^2 Ts_S |S| / |P|,
// Kp = 2 w zeta |S| / |P|, Kd = 0; the target's period is Ts_S.
Result<PidGains> DesignOpenLoopPositionGains(const PositionDesignTarget& target, double microstepsPerRevolution);

}  // namespace commissioning
