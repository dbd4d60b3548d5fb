#include "commissioning/resistance.h"

#include <cmath>

#include <fmt/format.h>

namespace commissioning {
namespace {

bool Finite(const ResistanceRun& run) { return std::isfinite(run.voltage_counts) && std::isfinite(run.current_counts); }

}  // namespace

Result<double> ResistanceFromTwoRuns(const ResistanceRuns& runs) {
  const double kc = runs.current_counts_per_A;
  const double kv = runs.voltage_counts_per_V;
  if (!Finite(runs.full) || !Finite(runs.half) || !std::isfinite(runs.test_current_counts) || !std::isfinite(kc) ||
      !std::isfinite(kv) || kc <= 0.0 || kv <= 0.0) {
    return Failure{"The resistance test returned values that are not valid numbers."};
  }
  const double wanted = runs.test_current_counts;
  if (wanted <= 0.0) {
    return Failure{"The resistance test needs a test current above 0 A."};
  }
  const double wanted_A = wanted / kc;
  if (runs.full.current_counts < kReachedShare * wanted) {
    return Failure{fmt::format(
        "The drive could not drive the test current through the motor: {:.3g} A of {:.3g} A were reached. "
        "The supply voltage is too low for this test current; lower the test current or check the supply and the "
        "motor connections.",
        runs.full.current_counts / kc, wanted_A)};
  }
  // The second run asked for half the test current (an integer count): the
  // two points must lie at least half that step apart to give a slope.
  const double step = wanted - std::floor(wanted / 2.0);
  const double measured_step = runs.full.current_counts - runs.half.current_counts;
  if (measured_step < 0.5 * step) {
    return Failure{fmt::format(
        "The two resistance runs measured the same current ({:.3g} A and {:.3g} A), so no resistance follows "
        "from them: the supply voltage cannot drive the test current of {:.3g} A, or the test current is too "
        "small. Check the supply, or change the test current.",
        runs.full.current_counts / kc, runs.half.current_counts / kc, wanted_A)};
  }
  const double r_Ohm = (runs.full.voltage_counts - runs.half.voltage_counts) / measured_step / kv * kc;
  if (!std::isfinite(r_Ohm) || r_Ohm <= 0.0) {
    return Failure{
        "The computed resistance is not positive: the voltage did not rise with the current. Check the motor "
        "connections and repeat the test."};
  }
  return r_Ohm;
}

}  // namespace commissioning
