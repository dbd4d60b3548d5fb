#include "drive/sampled_winding.h"

#include <cmath>

namespace drive {

std::optional<WindingModel> WindingFromSampledPhasors(std::complex<double> voltage, std::complex<double> current,
                                                      double step_rad, double period_s) {
  if (std::abs(current) == 0.0 || !(period_s > 0.0)) return std::nullopt;
  // I (e^{j step} - d) = b U, so b W = e^{j step} - d with W = U / I: the
  // imaginary part gives b, the real part d.
  const std::complex<double> w = voltage / current;
  if (!(w.imag() > 0.0)) return std::nullopt;
  const double b = std::sin(step_rad) / w.imag();
  const double d = std::cos(step_rad) - b * w.real();
  if (!(d > 0.0) || !std::isfinite(b)) return std::nullopt;
  // L = -Ts R / ln d = Ts (1 - d) / (-ln d) / b; the factor tends to 1 as
  // d tends to 1 (a long time constant), where R itself is lost in noise.
  const double log_d = std::log(d);
  const double factor = std::abs(log_d) < 1e-12 ? 1.0 : (1.0 - d) / -log_d;
  return WindingModel{std::max(0.0, (1.0 - d) / b), period_s * factor / b};
}

ResolvedCurrent ContinuousResponse(const WindingModel& winding, double amplitude, double omega_rad_s) {
  const double reactance = omega_rad_s * winding.inductance_s;
  const double impedance2 = winding.resistance * winding.resistance + reactance * reactance;
  if (!(impedance2 > 0.0)) return {};
  return {amplitude * reactance / impedance2, amplitude * winding.resistance / impedance2};
}

}  // namespace drive
