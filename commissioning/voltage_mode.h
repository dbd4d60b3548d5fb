#pragma once

#include <optional>

#include "commissioning/result.h"

// The open-loop voltage mode's parameters: the straight line of the voltage
// that holds a current at standstill, U = U0 + R I, measured at two
// currents, the voltages it gives at the run and stand-by currents, and the
// speed constant that the drive finds while the motor runs.
namespace commissioning {

// The two positioning currents, in current counts.
struct VoltageTestCurrents {
  double high_counts = 0.0;
  double low_counts = 0.0;
};

// From "RunCurrent" and "StandByCurrent" (A) and Kc (counts per A): the
// larger gives the high current; the smaller gives the low one, unless the
// two are equal or the smaller is more than 0.7 of the larger, when the low
// current is half the high one (two points too close make a poor slope).
VoltageTestCurrents ChooseVoltageTestCurrents(double run_A, double standby_A, double current_counts_per_A);

// U = intercept + slope I, in drive units ("V_UI_U_test", "V_UI_R_test").
struct VoltageCurrentLine {
  double slope = 0.0;
  double intercept = 0.0;
  double At(double current) const { return intercept + slope * current; }
};

// The line through (I_high, U_high) and (I_low, U_low). Fails when the two
// currents are equal or a value is not finite.
Result<VoltageCurrentLine> LineThroughTwoPoints(double high_current, double high_voltage, double low_current,
                                                    double low_voltage);

// The voltage register for a current: (U0 + R Kc I) / Kphase, with the line
// in base units and "Kphase" in internal units ("UOFFSET" at the run
// current, "USTBYCRT" at the stand-by current). Fails when "Kphase" is 0 or
// the result is not finite.
Result<double> VoltageRegisterAt(const VoltageCurrentLine& line, double current_A, double current_counts_per_A,
                                     double kphase);

// "KOMEGA_test" = "NoMicroStepsPerStep" k / 256, k the speed constant found.
double KomegaTest(double microsteps_per_step, double komega);

// The largest speed constant the drive's "KOMEGA" register holds.
inline constexpr double kMaxSpeedConstant = 32767;
// The speed constant the voltage program found ("komega_val"), when the
// register can hold it; otherwise why not (a value cut to the register's
// end would be a wrong one).
Result<double> SpeedConstant(double komega);

// The speed at which the voltage test asks whether the motor runs smoothly:
// it starts at the full base speed and each "No" lowers it by a fifth of
// the base speed; the fifth "No" leaves no speed to try.
class SmoothSpeedSearch {
 public:
  static constexpr int kStep_percent = 20;

  explicit SmoothSpeedSearch(double base_speed) : m_base(base_speed) {}

  // Replaces the base speed (the first "No" takes the speed the drive
  // really reached).
  void SetBase(double base_speed) { m_base = base_speed; }
  double base() const { return m_base; }
  int percent() const { return m_percent; }
  // The next speed to try, or nullopt when the speed would reach 0.
  std::optional<double> Lower();

 private:
  double m_base;
  int m_percent = 100;
};

}  // namespace commissioning
