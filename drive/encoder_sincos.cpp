#include "drive/encoder_sincos.h"

#include <cmath>
#include <numbers>

namespace drive {

namespace {
constexpr double kTwoPi = 2.0 * std::numbers::pi;

IncrementalEncoderParams QuadratureOf(const SinCosEncoderParams& p) {
  return {.lines = p.lines, .reversed = p.reversed, .has_index = p.has_index,
          .index_angle_rad = p.index_angle_rad, .fault = p.fault};
}
}  // namespace

SinCosEncoder::SinCosEncoder(const SinCosEncoderParams& params)
    : params_(params), coarse_(QuadratureOf(params)) {}

double SinCosEncoder::MeasuredLines(double shaft_angle_rad) const {
  const double lines = shaft_angle_rad / kTwoPi * params_.lines;
  const double whole = std::floor(lines);
  const double phase = (lines - whole) * kTwoPi;
  const double sine = std::sin(phase);
  const double cosine = (1.0 + params_.amplitude_mismatch) * std::cos(phase);
  double measured = std::atan2(sine, cosine);
  if (measured < 0.0) measured += kTwoPi;
  // Near the wrap the mismatch may push the measured phase across it; keep
  // it on the side of the true phase so the whole lines stay right.
  if (phase < std::numbers::pi / 2 && measured > 1.5 * std::numbers::pi) measured -= kTwoPi;
  if (phase > 1.5 * std::numbers::pi && measured < std::numbers::pi / 2) measured += kTwoPi;
  return whole + measured / kTwoPi;
}

void SinCosEncoder::Reset(double shaft_angle_rad) {
  coarse_.Reset(shaft_angle_rad);
  zero_lines_ = MeasuredLines(shaft_angle_rad);
}

std::int64_t SinCosEncoder::CoarseCount(double shaft_angle_rad, bool reverse_counting) const {
  return coarse_.Count(shaft_angle_rad, reverse_counting);
}

std::int64_t SinCosEncoder::FineCount(double shaft_angle_rad, int fract_bits, bool reverse_counting) const {
  if (params_.fault != QuadratureFault::None) {
    // Without both signals there is no arctangent to interpolate.
    return CoarseCount(shaft_angle_rad, reverse_counting) << fract_bits;
  }
  const double per_line = 4.0 * std::ldexp(1.0, fract_bits);
  // Like the coarse counter, the fine one counts the code edges passed
  // since the reset, at the fine resolution.
  const auto counted = static_cast<std::int64_t>(std::floor(MeasuredLines(shaft_angle_rad) * per_line) -
                                                 std::floor(zero_lines_ * per_line));
  const bool flip = params_.reversed != reverse_counting;
  return flip ? -counted : counted;
}

}  // namespace drive
