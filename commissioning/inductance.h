#pragma once

#include <cstddef>
#include <string>

#include "commissioning/result.h"
#include "commissioning/running_mean.h"

// The phase inductance from a run of the inductance program: a sinusoidal
// voltage of amplitude U at the angular rate omega, and per period the
// current's component lagging the voltage (x) and in phase with it (y). The
// reactance is omega L = U x / (x^2 + y^2).
namespace commissioning {

// The bounds of a plausible stepper winding. The lower one is the smallest
// inductance the current loop can still regulate at its sampling rate.
inline constexpr double kMinInductance_H = 50e-6;
inline constexpr double kMaxInductance_H = 1.0;
inline constexpr const char* kInductanceTooLow =
    "The computed inductivity is less than the possible minimum value of 50 µH.";
inline constexpr const char* kInductanceTooHigh =
    "The computed inductivity is greater than the possible maximum value of 1 H.";
// When the program cannot resolve the winding from its sampled current, it
// logs a current with no lagging part at all; an L of 0 from that would
// blame the motor's inductance for what is a limit of the sampling.
std::string InductanceNotResolvedText(double period_s);

// The logged pairs, averaged as they are uploaded.
class SineRunMeans {
 public:
  void Add(double lagging, double in_phase) {
    m_lagging.Add(lagging);
    m_power.Add(lagging * lagging + in_phase * in_phase);
  }
  double lagging() const { return m_lagging.value(); }  // X
  double power() const { return m_power.value(); }      // P = mean(x^2 + y^2)
  std::size_t points() const { return m_lagging.count(); }

 private:
  RunningMean m_lagging;
  RunningMean m_power;
};

struct InductanceRun {
  double amplitude_counts = 0.0;  // U ("var_i1")
  double increment = 0.0;         // the angle's step per sample, of 65535 per turn ("TINCTST")
  SineRunMeans means;
  double period_s = 0.0;  // current-loop sampling period Ts_C
  double current_counts_per_A = 0.0;
  double voltage_counts_per_V = 0.0;
};

// omega = 2 pi n / (Ts_C 65535); L = U X / (omega P) * Kc / Kv, in henries,
// for the drive's view of the winding (a delta's caller multiplies by 3).
// Accepted from kMinInductance_H to kMaxInductance_H, both included. Fails
// with the bound's text outside them (a negative L is below the minimum),
// with InductanceNotResolvedText when a current flowed but none of it
// lagged, and with its own text when no point was logged or an input is not
// a finite number.
Result<double> InductanceFromSineRun(const InductanceRun& run);

}  // namespace commissioning
