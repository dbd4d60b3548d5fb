// Each filter type, as the drive will run it after quantisation, against the
// analogue prototype it was designed from.
#include "engine/biquad_design.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <optional>
#include <vector>

#include "engine/biquad_quantise.h"

namespace engine {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kPeriod_s = 0.0005;             // a 2 kHz slow loop, as on the closed-loop examples
constexpr double kCount = 1.0 / 2147483648.0;    // one fixed-point count per unit of scale factor
constexpr double kFloatStep = 1.0 / 16777216.0;  // 2^-24: single precision's relative step

struct Case {
  BiquadType type;
  double f1_Hz;
  double q_or_f2;  // Q, or the lag frequency of a lead-lag type
  double dcGain;
  // |H| at f1, the notch's 0 included; for the lead-lag types it follows
  // from the pre-warped ratio of the two frequencies (the prototype's).
  std::optional<double> cornerGain;
};

// The gains at zero frequency and at the corner are those of the analogue
// prototypes: a pre-warped bilinear design meets them exactly.
const Case kCases[] = {
    {BiquadType::kLowPass1, 100, 0, 1, std::sqrt(0.5)},
    {BiquadType::kLowPass2, 300, 0.707, 1, 0.707},
    {BiquadType::kNotch, 250, 1, 1, 0},
    {BiquadType::kHighPass, 50, 0.707, 0, 0.707},
    {BiquadType::kBandPass, 200, 2, 0, 1},
    {BiquadType::kPeak, 100, 1, 1, 1},
    {BiquadType::kLowShelf, 100, 0, 1, 1},
    {BiquadType::kHighShelf, 100, 0, 1, 1},
    {BiquadType::kLeadLag1, 40, 160, 1, std::nullopt},
    {BiquadType::kLeadLag2, 40, 160, 1, std::nullopt},
};

bool IsLeadLag(BiquadType t) { return t == BiquadType::kLeadLag1 || t == BiquadType::kLeadLag2; }

BiquadRequest RequestOf(const Case& c) {
  BiquadRequest request;
  request.type = static_cast<int>(c.type);
  request.corner = c.f1_Hz * kPeriod_s;
  if (IsLeadLag(c.type))
    request.lag = c.q_or_f2 * kPeriod_s;
  else
    request.q = c.q_or_f2;
  return request;
}

// The analogue prototype at the pre-warped frequency of f (the 2/T of the
// transform cancels, so frequencies are tan(pi f T)).
std::complex<double> Prototype(const Case& c, double f_Hz) {
  const auto warp = [](double hz) { return std::tan(kPi * hz * kPeriod_s); };
  const std::complex<double> s(0.0, warp(f_Hz));
  const double w0 = warp(c.f1_Hz);
  const auto den = [&] { return s * s + s * w0 / c.q_or_f2 + w0 * w0; };
  switch (c.type) {
    case BiquadType::kLowPass1:
      return 1.0 / (1.0 + s / w0);
    case BiquadType::kLowPass2:
      return w0 * w0 / den();
    case BiquadType::kNotch:
      return (s * s + w0 * w0) / den();
    case BiquadType::kHighPass:
      return s * s / den();
    case BiquadType::kBandPass:
      return s * w0 / c.q_or_f2 / den();
    case BiquadType::kLeadLag1:
      return (1.0 + s / w0) / (1.0 + s / warp(c.q_or_f2));
    case BiquadType::kLeadLag2:
      return std::pow((1.0 + s / w0) / (1.0 + s / warp(c.q_or_f2)), 2);
    default:
      return 1.0;  // Peak and shelves at 0 dB pass everything unchanged
  }
}

// |dH| <= (sum |db| + |H| sum |da|) / |A(f)| for coefficient errors db, da.
double Bound(const BiquadCoefficients& exact, double f_Hz, double numeratorError, double denominatorError) {
  const double f = f_Hz * kPeriod_s;
  const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * f);
  const double den = std::abs(1.0 + exact.a1 * z1 + exact.a2 * z1 * z1);
  return (numeratorError + std::abs(FrequencyResponse(exact, f)) * denominatorError) / den + 1e-12;
}

std::vector<double> Frequencies(const Case& c) {
  std::vector<double> f{0.0, 0.3 * c.f1_Hz, c.f1_Hz, 1.7 * c.f1_Hz, 900.0};
  if (IsLeadLag(c.type)) f.push_back(c.q_or_f2);
  return f;
}

TEST(BiquadDesign, EveryTypeMeetsItsPrototypeAtTheCornerAndZeroFrequency) {
  for (const Case& c : kCases) {
    const auto designed = DesignBiquad(RequestOf(c));
    ASSERT_TRUE(designed) << static_cast<int>(c.type);
    EXPECT_NEAR(std::abs(FrequencyResponse(*designed, 0.0)), c.dcGain, 1e-12) << static_cast<int>(c.type);
    const double corner = c.cornerGain ? *c.cornerGain : std::abs(Prototype(c, c.f1_Hz));
    EXPECT_NEAR(std::abs(FrequencyResponse(*designed, c.f1_Hz * kPeriod_s)), corner, 1e-9) << static_cast<int>(c.type);
  }
}

TEST(BiquadDesign, FixedPointResponseStaysWithinRoundingOfThePrototype) {
  for (const Case& c : kCases) {
    const BiquadCoefficients exact = *DesignBiquad(RequestOf(c));
    const FixedBiquad q = QuantiseFixed(exact, DcGainOf(static_cast<int>(c.type)));
    const BiquadCoefficients held = Dequantise(q);
    // Half a count per rounded coefficient; b0 (or b1) also carries the
    // others' rounding when it restores the zero-frequency gain: 3 counts in
    // the numerator, 1 in the denominator.
    const double lsb = q.sf * kCount;
    for (double f : Frequencies(c)) {
      EXPECT_NEAR(std::abs(FrequencyResponse(held, f * kPeriod_s)), std::abs(Prototype(c, f)),
                  Bound(exact, f, 3 * lsb, lsb))
          << "type " << static_cast<int>(c.type) << " at " << f << " Hz";
    }
    // The zero-frequency gain holds exactly in counts.
    const int64_t numerator = q.b0 + q.b1 + q.b2;
    if (c.dcGain == 1) {
      EXPECT_EQ(numerator - q.a1 - q.a2, static_cast<int64_t>(2147483648.0 / q.sf));
    }
    if (c.dcGain == 0) {
      EXPECT_EQ(numerator, 0);
    }
  }
}

TEST(BiquadDesign, FloatResponseStaysWithinRoundingOfThePrototype) {
  for (const Case& c : kCases) {
    const BiquadCoefficients exact = *DesignBiquad(RequestOf(c));
    const BiquadCoefficients held = Dequantise(QuantiseFloat(exact, DcGainOf(static_cast<int>(c.type))));
    // Each coefficient within one step of the largest one's magnitude; b0's
    // restoring sum adds four float additions: 16 steps in the numerator.
    const double largest = std::max(
        {std::fabs(exact.b0), std::fabs(exact.b1), std::fabs(exact.b2), std::fabs(exact.a1), std::fabs(exact.a2)});
    const double step = BiquadScaleFactor(largest) * kFloatStep;
    for (double f : Frequencies(c))
      EXPECT_NEAR(std::abs(FrequencyResponse(held, f * kPeriod_s)), std::abs(Prototype(c, f)),
                  Bound(exact, f, 16 * step, 2 * step))
          << "type " << static_cast<int>(c.type) << " at " << f << " Hz";
    if (c.dcGain == 0) {
      EXPECT_EQ(held.b0 + held.b1 + held.b2, 0.0) << static_cast<int>(c.type);
    }
  }
}

TEST(BiquadDesign, GainFormsBoostAndCutByTheGain) {
  const double v = std::pow(10.0, 6.0 / 20.0);
  const double f = 100 * kPeriod_s;
  for (double gain_dB : {6.0, -6.0}) {
    const double g = gain_dB > 0 ? v : 1 / v;
    const auto peak = DesignBiquad({static_cast<int>(BiquadType::kPeak), f, 0, 1.0, gain_dB});
    const auto low = DesignBiquad({static_cast<int>(BiquadType::kLowShelf), f, 0, 0, gain_dB});
    const auto high = DesignBiquad({static_cast<int>(BiquadType::kHighShelf), f, 0, 0, gain_dB});
    ASSERT_TRUE(peak && low && high);
    EXPECT_NEAR(std::abs(FrequencyResponse(*peak, f)), g, 1e-9);
    EXPECT_NEAR(std::abs(FrequencyResponse(*peak, 0)), 1, 1e-9);
    EXPECT_NEAR(std::abs(FrequencyResponse(*low, 0)), g, 1e-9);
    EXPECT_NEAR(std::abs(FrequencyResponse(*low, 0.5)), 1, 1e-9);
    EXPECT_NEAR(std::abs(FrequencyResponse(*high, 0)), 1, 1e-9);
    EXPECT_NEAR(std::abs(FrequencyResponse(*high, 0.5)), g, 1e-9);
    EXPECT_EQ(DcGainOf(static_cast<int>(BiquadType::kLowShelf), gain_dB), DcGain::kOther);
  }
}

TEST(BiquadDesign, RefusesWhatTheTransformCannotMap) {
  const int lowPass2 = static_cast<int>(BiquadType::kLowPass2);
  const int leadLag = static_cast<int>(BiquadType::kLeadLag1);
  EXPECT_FALSE(DesignBiquad({lowPass2, 0.0, 0, 0.7}));  // 0 Hz
  EXPECT_FALSE(DesignBiquad({lowPass2, 0.5, 0, 0.7}));  // at Nyquist tan has its pole
  EXPECT_FALSE(DesignBiquad({lowPass2, 0.6, 0, 0.7}));  // beyond, tan turns negative
  EXPECT_FALSE(DesignBiquad({lowPass2, 0.1, 0, 0.0}));  // Q divides K
  EXPECT_FALSE(DesignBiquad({leadLag, 0.1, 0.5, 0}));   // lag at Nyquist
  EXPECT_FALSE(DesignBiquad({leadLag, 0.0, 0.1, 0}));   // L / K with K = 0
  EXPECT_FALSE(DesignBiquad({10, 0.1, 0, 0.7}));
  EXPECT_FALSE(DesignBiquad({-1, 0.1, 0, 0.7}));
  // Q is not part of the first-order and lead-lag forms.
  EXPECT_TRUE(DesignBiquad({static_cast<int>(BiquadType::kLowPass1), 0.1, 0, 0.0}));
  EXPECT_TRUE(DesignBiquad({leadLag, 0.1, 0.2, 0.0}));
}

}  // namespace
}  // namespace engine
