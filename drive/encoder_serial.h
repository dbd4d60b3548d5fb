#pragma once

#include <cstdint>
#include <optional>

namespace drive {

enum class SerialProtocol { SSI, BiSS };

// What can be wrong with a serial encoder's link.
enum class SerialFault {
  None,
  NoResponse,   // data line stuck high: an all-ones frame, no start bit
  CorruptFrame, // BiSS: the check bits do not match; SSI cannot tell
};

// The widest frame an encoder sends: 63 data bits, so that a position and
// its turns fit a signed 64-bit counter.
inline constexpr int kMaxSingleTurnBits = 32;
inline constexpr int kMaxMultiTurnBits = 31;

// The true absolute encoder.
struct SerialEncoderParams {
  SerialProtocol protocol = SerialProtocol::SSI;
  int single_turn_bits = 17;   // 1..kMaxSingleTurnBits
  int multi_turn_bits = 0;     // 0..kMaxMultiTurnBits
  // The encoder's reading at shaft angle 0, in single-turn counts: where the
  // maker's zero happens to sit against the rotor.
  std::uint64_t offset_counts = 0;
  bool gray = false;
  bool reversed = false;       // counts down when the shaft turns forward
  SerialFault fault = SerialFault::None;
};

// One frame as clocked in by the drive: the data word (multi-turn bits
// above single-turn bits, Gray-coded when the encoder says so) and, for
// BiSS, the two active-low status bits and the six check bits that follow.
struct SerialFrame {
  std::uint64_t data = 0;
  int data_bits = 0;
  bool status_ok = true;   // BiSS nE/nW both high; SSI: a start bit was seen
  std::uint8_t crc = 0;    // BiSS CRC6, inverted on the line
};

// The encoder side: builds the frame for a shaft angle.
class SerialEncoder {
 public:
  explicit SerialEncoder(const SerialEncoderParams& params);

  SerialFrame Read(double shaft_angle_rad) const;
  // The position word before Gray coding: (turns << single) | position.
  std::uint64_t Word(double shaft_angle_rad) const;

  std::uint64_t counts_per_rev() const { return std::uint64_t{1} << params_.single_turn_bits; }
  const SerialEncoderParams& params() const { return params_; }

 private:
  SerialEncoderParams params_;
};

// The frame settings as the drive's registers give them.
struct SerialReaderConfig {
  SerialProtocol protocol = SerialProtocol::SSI;  // "SSIFDBKTYPE" 1 SSI, 2 BiSS
  int single_turn_bits = 17;                      // "SSIREV"
  int multi_turn_bits = 0;                        // "SSITURNS"
  bool gray = false;                              // "SSITYPE" 1
  bool reverse = false;                           // "SSISENSE" -1
};

// The drive side: decodes frames and keeps a position counter that runs on
// across turn boundaries (from the multi-turn bits when there are any,
// otherwise by taking the shortest way between successive reads, which
// holds while the shaft turns less than half a turn per read).
class SerialEncoderReader {
 public:
  explicit SerialEncoderReader(const SerialReaderConfig& config);

  // The single-turn position of one frame, after Gray decoding and the
  // counting direction, or nothing when the frame is invalid (no start,
  // BiSS error bit or check bits wrong): the drive then flags a feedback error.
  std::optional<std::uint64_t> SingleTurn(const SerialFrame& frame) const;
  // Decodes a frame and advances the counter; false for an invalid frame,
  // which leaves the counter where it was.
  bool Update(const SerialFrame& frame);
  std::int64_t position() const { return position_; }

 private:
  std::optional<std::int64_t> Absolute(const SerialFrame& frame) const;

  SerialReaderConfig config_;
  std::int64_t position_ = 0;
  std::optional<std::int64_t> last_;
};

std::uint64_t ToGray(std::uint64_t binary);
std::uint64_t FromGray(std::uint64_t gray);
// BiSS check: CRC6, polynomial x^6 + x + 1, of the low `bit_count` bits of
// `bits` (at most 64), most significant first, continuing from `crc`, so
// that a frame longer than 64 bits is checked in parts.
std::uint8_t BissCrc6(std::uint64_t bits, int bit_count, std::uint8_t crc = 0);

}  // namespace drive
