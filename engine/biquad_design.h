#pragma once

#include <complex>
#include <optional>

// Second-order digital filters for the drive's biquad slots, designed by the
// bilinear transform with the corner pre-warped (K = tan(pi w)), so each
// type meets its analogue response exactly at the corner. Pure arithmetic:
// no setup, no kernel.
namespace engine {

// The index that "BQFilterType<k>" holds.
enum class BiquadType : int {
  kLowPass1 = 0,
  kLowPass2 = 1,
  kNotch = 2,
  kHighPass = 3,
  kBandPass = 4,
  kPeak = 5,
  kLowShelf = 6,
  kHighShelf = 7,
  kLeadLag1 = 8,
  kLeadLag2 = 9,
};

inline constexpr int kBiquadTypeCount = 10;

// H(z) = (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2).
struct BiquadCoefficients {
  double b0 = 0.0;
  double b1 = 0.0;
  double b2 = 0.0;
  double a1 = 0.0;
  double a2 = 0.0;
};

// One filter in normalised frequencies (cycles per sample, i.e. Hz times the
// sampling period). Lead-lag types read `lead` and `lag`; the others read
// `corner` and `q`. `gain_dB` enters only Peak and the shelves.
struct BiquadRequest {
  int type = 0;
  double corner = 0.0;  // F1 * T; the lead frequency of the lead-lag types
  double lag = 0.0;     // F2 * T, lead-lag types only
  double q = 0.0;
  double gain_dB = 0.0;
};

// The coefficients, or nullopt for an unknown type or a request the bilinear
// transform cannot map: a frequency not strictly between 0 and the Nyquist
// frequency (0.5), a quality factor not above 0, or a result not finite.
std::optional<BiquadCoefficients> DesignBiquad(const BiquadRequest& request);

// What the gain at zero frequency is by design; the quantisers hold it
// exactly against rounding.
enum class DcGain {
  kUnity,  // low passes, notch, lead-lags; Peak and High Shelf at any gain
  kZero,   // high pass and band pass: the numerator has a zero at z = 1
  kOther,  // Low Shelf with a gain other than 0 dB
};
DcGain DcGainOf(int type, double gain_dB = 0.0);

// H(e^{j 2 pi f}) at the normalised frequency f (0 .. 0.5).
std::complex<double> FrequencyResponse(const BiquadCoefficients& c, double f);

}  // namespace engine
