#include "commissioning/inductance.h"

#include <cmath>
#include <numbers>

#include <fmt/format.h>

namespace commissioning {
namespace {

// The angle counter's span, as the inductance program counts one turn.
constexpr double kAngleSpan = 65535.0;
constexpr const char* kNotNumbers = "The inductance test returned values that are not valid numbers.";

}  // namespace

std::string InductanceNotResolvedText(double period_s) {
  return fmt::format(
      "The inductance could not be measured: the winding's electrical time constant (L/R) is too short for the "
      "drive's current loop, which samples every {:g} µs, so the current showed no measurable lag behind the test "
      "voltage.",
      period_s * 1e6);
}

Result<double> InductanceFromSineRun(const InductanceRun& run) {
  if (run.means.points() == 0) {
    return Failure{"The inductance test logged no points, so no inductance follows from it."};
  }
  const double inputs[] = {run.amplitude_counts, run.increment, run.means.lagging(), run.means.power(),
                           run.period_s, run.current_counts_per_A, run.voltage_counts_per_V};
  for (const double x : inputs) {
    if (!std::isfinite(x)) {
      return Failure{kNotNumbers};
    }
  }
  const double omega_rad_s = 2.0 * std::numbers::pi * run.increment / (run.period_s * kAngleSpan);
  if (!(omega_rad_s > 0.0) || !(run.current_counts_per_A > 0.0) || !(run.voltage_counts_per_V > 0.0)) {
    return Failure{kNotNumbers};
  }
  if (!(run.means.power() > 0.0)) {
    return Failure{
        "No current flowed during the inductance test. Check the motor phase connections and repeat the test."};
  }
  if (run.means.lagging() == 0.0) return Failure{InductanceNotResolvedText(run.period_s)};
  const double l_H = run.amplitude_counts * run.means.lagging() / (omega_rad_s * run.means.power()) *
                     run.current_counts_per_A / run.voltage_counts_per_V;
  if (!std::isfinite(l_H) || l_H > kMaxInductance_H) return Failure{kInductanceTooHigh};
  if (l_H < kMinInductance_H) return Failure{kInductanceTooLow};
  return l_H;
}

}  // namespace commissioning
