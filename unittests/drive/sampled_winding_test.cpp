// The inversion of the sampled winding on the exact sampled response.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <utility>

#include "drive/sampled_winding.h"

namespace drive {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// The fundamental phasors of a held sinusoidal voltage and of the current
// it drives through i[k+1] = d i[k] + b u[k], in steady state.
std::pair<std::complex<double>, std::complex<double>> SampledResponse(double r, double l_s, double ts, double step) {
  const double d = std::exp(-ts * r / l_s);
  const double b = (1 - d) / r;
  const int n = static_cast<int>(std::lround(kTwoPi / step));
  double i = 0;
  std::complex<double> u_phasor;
  std::complex<double> i_phasor;
  for (int k = 0; k < 400 * n; ++k) {
    const double theta = step * k;
    const double u = 1000 * std::cos(theta);
    if (k >= 399 * n) {
      u_phasor += u * std::polar(2.0 / n, -theta);
      i_phasor += i * std::polar(2.0 / n, -theta);
    }
    i = d * i + b * u;
  }
  return {u_phasor, i_phasor};
}

TEST(SampledWinding, RecoversRAndLFromLongToShorterThanASample) {
  const double ts = 1e-4;
  const double step = kTwoPi / 64;
  for (const double tau_samples : {2500.0, 50.0, 5.0, 1.0, 0.2}) {
    SCOPED_TRACE(tau_samples);
    const double r = 3.0;
    const double l = r * tau_samples * ts;
    const auto [u, i] = SampledResponse(r, l, ts, step);
    const auto w = WindingFromSampledPhasors(u, i, step, ts);
    ASSERT_TRUE(w.has_value());
    EXPECT_NEAR(w->inductance_s, l, 1e-6 * l);
    // A long time constant leaves R to the fourth decimal of d.
    EXPECT_NEAR(w->resistance, r, tau_samples > 100 ? 0.05 * r : 1e-6 * r);
  }
}

TEST(SampledWinding, RefusesWhatNoWindingGives) {
  EXPECT_FALSE(WindingFromSampledPhasors({1000, 0}, {0, 0}, 0.1, 1e-4));
  // A current leading the voltage.
  EXPECT_FALSE(WindingFromSampledPhasors({1000, 0}, {1, 1}, 0.1, 1e-4));
}

TEST(SampledWinding, ContinuousResponseGivesTheTestsFormulaBackItsInductance) {
  const WindingModel w{2.0, 0.004};
  const double omega = 981.7;
  const ResolvedCurrent c = ContinuousResponse(w, 500, omega);
  // L = U X / (w P): the lagging part over the power.
  EXPECT_NEAR(500 * c.lagging / (omega * (c.lagging * c.lagging + c.in_phase * c.in_phase)), 0.004, 1e-12);
  EXPECT_NEAR(500 * c.in_phase / (c.lagging * c.lagging + c.in_phase * c.in_phase), 2.0, 1e-12);
  const ResolvedCurrent none = ContinuousResponse({0, 0}, 500, omega);
  EXPECT_EQ(none.lagging, 0.0);
  EXPECT_EQ(none.in_phase, 0.0);
}

}  // namespace
}  // namespace drive
