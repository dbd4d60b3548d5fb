#include "drive/encoder_serial.h"

#include <cmath>
#include <numbers>

namespace drive {

namespace {
constexpr double kTwoPi = 2.0 * std::numbers::pi;

std::uint64_t Mask(int bits) { return bits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1; }

// The two status bits follow the data word in the checked bits.
std::uint64_t BissCheckedBits(const SerialFrame& frame) {
  return (frame.data << 2) | (frame.status_ok ? 0x3u : 0x0u);
}
}  // namespace

std::uint64_t ToGray(std::uint64_t binary) { return binary ^ (binary >> 1); }

std::uint64_t FromGray(std::uint64_t gray) {
  for (int shift = 1; shift < 64; shift <<= 1) gray ^= gray >> shift;
  return gray;
}

std::uint8_t BissCrc6(std::uint64_t bits, int bit_count) {
  constexpr std::uint8_t kPoly = 0x03;  // x^6 + x + 1 without the x^6 term
  std::uint8_t crc = 0;
  for (int i = bit_count - 1; i >= 0; --i) {
    const bool in = ((bits >> i) & 1u) != 0;
    const bool top = (crc & 0x20u) != 0;
    crc = static_cast<std::uint8_t>((crc << 1) & 0x3Fu);
    if (in != top) crc ^= kPoly;
  }
  return crc;
}

SerialEncoder::SerialEncoder(const SerialEncoderParams& params) : params_(params) {}

std::uint64_t SerialEncoder::Word(double shaft_angle_rad) const {
  const int st = params_.single_turn_bits;
  const double turns = (params_.reversed ? -shaft_angle_rad : shaft_angle_rad) / kTwoPi;
  const auto counts = static_cast<std::int64_t>(std::floor(std::ldexp(turns, st)));
  // Unsigned wrap-around is the encoder's own: the multi-turn counter rolls
  // over below zero like the single-turn one.
  const std::uint64_t absolute = static_cast<std::uint64_t>(counts) + params_.offset_counts;
  return absolute & Mask(st + params_.multi_turn_bits);
}

SerialFrame SerialEncoder::Read(double shaft_angle_rad) const {
  SerialFrame frame;
  frame.data_bits = params_.single_turn_bits + params_.multi_turn_bits;
  if (params_.fault == SerialFault::NoResponse) {
    frame.data = Mask(frame.data_bits);
    frame.status_ok = false;
    frame.crc = 0x3F;
    return frame;
  }
  const std::uint64_t word = Word(shaft_angle_rad);
  frame.data = params_.gray ? ToGray(word) & Mask(frame.data_bits) : word;
  frame.crc = static_cast<std::uint8_t>(~BissCrc6(BissCheckedBits(frame), frame.data_bits + 2) & 0x3Fu);
  if (params_.fault == SerialFault::CorruptFrame) frame.data ^= 1u;
  return frame;
}

SerialEncoderReader::SerialEncoderReader(const SerialReaderConfig& config) : config_(config) {}

std::optional<std::int64_t> SerialEncoderReader::Absolute(const SerialFrame& frame) const {
  const int bits = config_.single_turn_bits + config_.multi_turn_bits;
  if (config_.protocol == SerialProtocol::BiSS) {
    const auto expected = static_cast<std::uint8_t>(~BissCrc6(BissCheckedBits(frame), bits + 2) & 0x3Fu);
    if (!frame.status_ok || frame.crc != expected) return std::nullopt;
  } else if (frame.data == Mask(bits) && frame.data_bits == bits && !frame.status_ok) {
    return std::nullopt;
  }
  std::uint64_t word = frame.data & Mask(bits);
  if (config_.gray) word = FromGray(word) & Mask(bits);
  std::int64_t value = static_cast<std::int64_t>(word);
  if (config_.multi_turn_bits > 0 && ((word >> (bits - 1)) & 1u) != 0) {
    value -= static_cast<std::int64_t>(Mask(bits)) + 1;  // turns below zero
  }
  return config_.reverse ? -value : value;
}

std::optional<std::uint64_t> SerialEncoderReader::SingleTurn(const SerialFrame& frame) const {
  const auto value = Absolute(frame);
  if (!value) return std::nullopt;
  return static_cast<std::uint64_t>(*value) & Mask(config_.single_turn_bits);
}

bool SerialEncoderReader::Update(const SerialFrame& frame) {
  const auto value = Absolute(frame);
  if (!value) return false;
  if (config_.multi_turn_bits > 0) {
    position_ = *value;
  } else if (last_) {
    const std::int64_t turn = static_cast<std::int64_t>(Mask(config_.single_turn_bits)) + 1;
    std::int64_t step = (*value - *last_) % turn;
    if (step > turn / 2) step -= turn;
    if (step < -turn / 2) step += turn;
    position_ += step;
  } else {
    position_ = static_cast<std::int64_t>(static_cast<std::uint64_t>(*value) & Mask(config_.single_turn_bits));
  }
  last_ = *value;
  return true;
}

}  // namespace drive
