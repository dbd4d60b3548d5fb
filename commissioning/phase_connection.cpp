#include "commissioning/phase_connection.h"

#include <cmath>
#include <limits>

#include "kernel/kernel_functions.h"

namespace commissioning {

double PhaseCurrent_A(double counts, double imax_ps_A, double adc_max) {
  if (adc_max == 0.0) return std::numeric_limits<double>::quiet_NaN();
  return RoundDecimalValue(imax_ps_A * counts * 2.0 / adc_max, 2);
}

double PhaseCurrentRatio(double ia_A, double ib_A) { return ib_A == 0.0 ? 1000.0 : std::abs(ia_A / ib_A); }

bool PhaseConnectionPasses(double ia_A, double ib_A, double test_A, bool three_phase) {
  if (!std::isfinite(ia_A) || !std::isfinite(ib_A) || !std::isfinite(test_A)) return false;
  const double ratio = PhaseCurrentRatio(ia_A, ib_A);
  if (three_phase) {
    return ratio > 1.5 && ratio < 2.5 && ia_A > 0.6 * test_A && ia_A < 1.4 * test_A && ia_A > 0.0 && ib_A < 0.0;
  }
  return ratio > 0.8 && ratio < 1.2 && ia_A > 0.5 * test_A && ib_A < 2.0 * test_A;
}

}  // namespace commissioning
