#include "drive/encoder_serial.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace drive {

namespace {
constexpr double kTwoPi = 2.0 * std::numbers::pi;

std::uint64_t Mask(int bits) { return bits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1; }

// The check bits on the line: the CRC of the data word and the two status
// bits that follow it, inverted. The data word alone may fill 63 bits, so
// the two parts go through the CRC one after the other.
std::uint8_t BissCheckBits(std::uint64_t data, int data_bits, bool status_ok) {
  const std::uint8_t crc = BissCrc6(status_ok ? 0x3u : 0x0u, 2, BissCrc6(data, data_bits));
  return static_cast<std::uint8_t>(~crc & 0x3Fu);
}
}  // namespace

std::uint64_t ToGray(std::uint64_t binary) { return binary ^ (binary >> 1); }

std::uint64_t FromGray(std::uint64_t gray) {
  for (int shift = 1; shift < 64; shift <<= 1) gray ^= gray >> shift;
  return gray;
}

std::uint8_t BissCrc6(std::uint64_t bits, int bit_count, std::uint8_t crc) {
  constexpr std::uint8_t kPoly = 0x03;  // x^6 + x + 1 without the x^6 term
  for (int i = std::min(bit_count, 64) - 1; i >= 0; --i) {
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
  const int bits = st + params_.multi_turn_bits;
  const double turns = (params_.reversed ? -shaft_angle_rad : shaft_angle_rad) / kTwoPi;
  double counts = std::floor(std::ldexp(turns, st));
  // A shaft that has run that far has wrapped the counter many times over,
  // and a double no longer holds its low bits: any value in range will do,
  // as long as the conversion below stays defined.
  if (!(std::fabs(counts) < 0x1p62)) counts = std::isfinite(counts) ? std::fmod(counts, 0x1p62) : 0.0;
  // Unsigned wrap-around is the encoder's own: the multi-turn counter rolls
  // over below zero like the single-turn one.
  const std::uint64_t absolute = static_cast<std::uint64_t>(static_cast<std::int64_t>(counts)) + params_.offset_counts;
  return absolute & Mask(bits);
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
  frame.crc = BissCheckBits(frame.data, frame.data_bits, frame.status_ok);
  if (params_.fault == SerialFault::CorruptFrame) frame.data ^= 1u;
  return frame;
}

SerialEncoderReader::SerialEncoderReader(const SerialReaderConfig& config) : config_(config) {}

std::optional<std::int64_t> SerialEncoderReader::Absolute(const SerialFrame& frame) const {
  const int bits = config_.single_turn_bits + config_.multi_turn_bits;
  if (config_.protocol == SerialProtocol::BiSS) {
    if (!frame.status_ok || frame.crc != BissCheckBits(frame.data, bits, frame.status_ok)) return std::nullopt;
  } else if (frame.data == Mask(bits) && frame.data_bits == bits && !frame.status_ok) {
    return std::nullopt;
  }
  std::uint64_t word = frame.data & Mask(bits);
  if (config_.gray) word = FromGray(word) & Mask(bits);
  // With multi-turn bits the word is signed: its top bit marks turns below
  // zero. Shifting it to the top of 64 bits and back extends that sign (no
  // sum of the word and its range would fit for a 63-bit frame).
  const int unused = 64 - bits;
  const std::int64_t value = config_.multi_turn_bits > 0
                                 ? static_cast<std::int64_t>(word << unused) >> unused
                                 : static_cast<std::int64_t>(word);
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
