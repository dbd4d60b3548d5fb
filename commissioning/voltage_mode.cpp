#include "commissioning/voltage_mode.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

namespace commissioning {

VoltageTestCurrents ChooseVoltageTestCurrents(double run_A, double standby_A, double current_counts_per_A) {
  const double larger = std::max(run_A, standby_A);
  const double smaller = std::min(run_A, standby_A);
  VoltageTestCurrents currents;
  currents.high_counts = current_counts_per_A * larger;
  const bool too_close = smaller == larger || smaller > 0.7 * larger;
  currents.low_counts = too_close ? 0.5 * currents.high_counts : current_counts_per_A * smaller;
  return currents;
}

Result<VoltageCurrentLine> LineThroughTwoPoints(double high_current, double high_voltage, double low_current,
                                                    double low_voltage) {
  for (const double x : {high_current, high_voltage, low_current, low_voltage}) {
    if (!std::isfinite(x)) {
      return Failure{
          "The voltage offset test returned values that are not valid numbers."};
    }
  }
  const double span = high_current - low_current;
  if (span == 0.0) {
    return Failure{
        "The voltage offset test needs two different test currents: check the run and stand-by currents."};
  }
  VoltageCurrentLine line;
  line.slope = (high_voltage - low_voltage) / span;
  line.intercept = (high_current * low_voltage - high_voltage * low_current) / span;
  return line;
}

Result<double> VoltageRegisterAt(const VoltageCurrentLine& line, double current_A, double current_counts_per_A,
                                     double kphase) {
  if (kphase == 0.0 || !std::isfinite(kphase)) {
    return Failure{"The voltage boost factor \"Kphase\" must not be 0."};
  }
  const double value = line.At(current_counts_per_A * current_A) / kphase;
  if (!std::isfinite(value)) {
    return Failure{"The voltage offset test returned values that are not valid numbers."};
  }
  return value;
}

double KomegaTest(double microsteps_per_step, double komega) { return microsteps_per_step * komega / 256.0; }

Result<double> SpeedConstant(double komega) {
  if (!std::isfinite(komega) || komega < 0.0) {
    return Failure{"The voltage test returned a speed constant that is not valid."};
  }
  if (komega > kMaxSpeedConstant) {
    return Failure{fmt::format(
        "The speed constant found ({:g}) is beyond what the drive can hold ({:g}): the motor needs more voltage "
        "per speed than the voltage mode can give. Check the motor data and the supply voltage.",
        komega, kMaxSpeedConstant)};
  }
  return komega;
}

std::optional<double> SmoothSpeedSearch::Lower() {
  m_percent -= kStep_percent;
  if (m_percent <= 0) return std::nullopt;
  return m_percent * m_base / 100.0;
}

}  // namespace commissioning
