#include "engine/biquad_design.h"

#include <cmath>

namespace engine {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kSqrt2 = 1.4142135623730951;

// The bilinear transform maps 0 .. Nyquist onto 0 .. infinity; a corner at
// or beyond Nyquist has no pre-warped counterpart (tan changes sign).
bool BelowNyquist(double f) { return f > 0.0 && f < 0.5; }

BiquadCoefficients SecondOrder(BiquadType type, double K, double Q) {
  const double N = 1.0 / (1.0 + K / Q + K * K);
  const double A1 = 2.0 * (K * K - 1.0) * N;
  const double A2 = (1.0 - K / Q + K * K) * N;
  switch (type) {
    case BiquadType::kLowPass2:
      return {K * K * N, 2.0 * K * K * N, K * K * N, A1, A2};
    case BiquadType::kNotch:
      return {(1.0 + K * K) * N, A1, (1.0 + K * K) * N, A1, A2};
    case BiquadType::kHighPass:
      return {N, -2.0 * N, N, A1, A2};
    default:  // band pass, 0 dB at the corner
      return {K / Q * N, 0.0, -K / Q * N, A1, A2};
  }
}

// Boost: the numerator's damping grows by V; cut: the denominator's.
BiquadCoefficients Peak(double K, double Q, double V, bool cut) {
  const double bq = cut ? K / Q : V * K / Q;
  const double aq = cut ? V * K / Q : K / Q;
  const double N = 1.0 / (1.0 + aq + K * K);
  const double mid = 2.0 * (K * K - 1.0) * N;
  return {(1.0 + bq + K * K) * N, mid, (1.0 - bq + K * K) * N, mid, (1.0 - aq + K * K) * N};
}

// Second-order shelves with Butterworth damping. A cut exchanges numerator
// and denominator of the boost, then normalises the new denominator.
BiquadCoefficients Shelf(bool low, double K, double V, bool cut) {
  const double rootV = std::sqrt(2.0 * V);
  // Boost numerator of a low (high) shelf: V K^2 (K^2) at high frequency,
  // 1 (V) at low frequency.
  const double hi = low ? V : 1.0;
  const double lo = low ? 1.0 : V;
  const double shaped[3] = {lo + rootV * K + hi * K * K, 2.0 * (hi * K * K - lo), lo - rootV * K + hi * K * K};
  const double plain[3] = {1.0 + kSqrt2 * K + K * K, 2.0 * (K * K - 1.0), 1.0 - kSqrt2 * K + K * K};
  const double* num = cut ? plain : shaped;
  const double* den = cut ? shaped : plain;
  const double N = 1.0 / den[0];
  return {num[0] * N, num[1] * N, num[2] * N, den[1] * N, den[2] * N};
}

// Lead (K) over lag (L), unit gain at zero frequency, L/K at Nyquist.
BiquadCoefficients LeadLag(double K, double L, bool twice) {
  const double r = L / K / (L + 1.0);
  const double p = (L - 1.0) / (L + 1.0);
  if (!twice) return {r * (K + 1.0), r * (K - 1.0), 0.0, p, 0.0};
  return {r * r * (K + 1.0) * (K + 1.0), 2.0 * r * r * (K * K - 1.0), r * r * (K - 1.0) * (K - 1.0), 2.0 * p, p * p};
}

bool AllFinite(const BiquadCoefficients& c) {
  return std::isfinite(c.b0) && std::isfinite(c.b1) && std::isfinite(c.b2) && std::isfinite(c.a1) &&
         std::isfinite(c.a2);
}

}  // namespace

std::optional<BiquadCoefficients> DesignBiquad(const BiquadRequest& request) {
  if (request.type < 0 || request.type >= kBiquadTypeCount) return std::nullopt;
  const auto type = static_cast<BiquadType>(request.type);
  if (!BelowNyquist(request.corner) || !std::isfinite(request.gain_dB)) return std::nullopt;
  const double K = std::tan(kPi * request.corner);
  const double V = std::pow(10.0, std::fabs(request.gain_dB) / 20.0);
  const bool cut = request.gain_dB < 0.0;

  const bool usesQ = type != BiquadType::kLowPass1 && type != BiquadType::kLowShelf &&
                     type != BiquadType::kHighShelf && type != BiquadType::kLeadLag1 &&
                     type != BiquadType::kLeadLag2;
  // Q divides K in every form that uses it.
  if (usesQ && !(request.q > 0.0)) return std::nullopt;

  BiquadCoefficients c;
  switch (type) {
    case BiquadType::kLowPass1:
      c = {K / (K + 1.0), K / (K + 1.0), 0.0, (K - 1.0) / (K + 1.0), 0.0};
      break;
    case BiquadType::kLowPass2:
    case BiquadType::kNotch:
    case BiquadType::kHighPass:
    case BiquadType::kBandPass:
      c = SecondOrder(type, K, request.q);
      break;
    case BiquadType::kPeak:
      c = Peak(K, request.q, V, cut);
      break;
    case BiquadType::kLowShelf:
    case BiquadType::kHighShelf:
      c = Shelf(type == BiquadType::kLowShelf, K, V, cut);
      break;
    case BiquadType::kLeadLag1:
    case BiquadType::kLeadLag2:
      // L / K: the lead frequency is above 0, so K is too.
      if (!BelowNyquist(request.lag)) return std::nullopt;
      c = LeadLag(K, std::tan(kPi * request.lag), type == BiquadType::kLeadLag2);
      break;
  }
  if (!AllFinite(c)) return std::nullopt;
  return c;
}

DcGain DcGainOf(int type, double gain_dB) {
  switch (static_cast<BiquadType>(type)) {
    case BiquadType::kHighPass:
    case BiquadType::kBandPass:
      return DcGain::kZero;
    case BiquadType::kLowShelf:
      return gain_dB == 0.0 ? DcGain::kUnity : DcGain::kOther;
    default:
      return DcGain::kUnity;
  }
}

std::complex<double> FrequencyResponse(const BiquadCoefficients& c, double f) {
  const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * f);  // z^-1
  const std::complex<double> z2 = z1 * z1;
  return (c.b0 + c.b1 * z1 + c.b2 * z2) / (1.0 + c.a1 * z1 + c.a2 * z2);
}

}  // namespace engine
