#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "drive/encoder_serial.h"

namespace drive {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

SerialReaderConfig ReaderFor(const SerialEncoderParams& p) {
  return {.protocol = p.protocol, .single_turn_bits = p.single_turn_bits, .multi_turn_bits = p.multi_turn_bits,
          .gray = p.gray, .reverse = p.reversed};
}

TEST(SerialEncoder, GrayCodeRoundTripsAndChangesOneBitPerStep) {
  for (std::uint64_t n = 0; n < 70000; ++n) {
    EXPECT_EQ(FromGray(ToGray(n)), n);
    EXPECT_EQ(__builtin_popcountll(ToGray(n) ^ ToGray(n + 1)), 1);
  }
  EXPECT_EQ(FromGray(ToGray(~std::uint64_t{0})), ~std::uint64_t{0});
}

TEST(SerialEncoder, ReadingAtZeroAngleIsTheOffset) {
  SerialEncoder encoder({.single_turn_bits = 17, .offset_counts = 12345});
  EXPECT_EQ(encoder.Word(0.0), 12345u);
  EXPECT_EQ(encoder.Word(kTwoPi / 4 + 1e-9), 12345u + 32768u);
  // Past the turn the single-turn word wraps.
  EXPECT_EQ(encoder.Word(kTwoPi - 1e-9), 12345u - 1u);
}

TEST(SerialEncoder, ReaderRecoversThePositionForEveryFrameSetting) {
  for (auto protocol : {SerialProtocol::SSI, SerialProtocol::BiSS}) {
    for (bool gray : {false, true}) {
      for (bool reversed : {false, true}) {
        for (int multi : {0, 12}) {
          const SerialEncoderParams p{.protocol = protocol, .single_turn_bits = 13, .multi_turn_bits = multi,
                                      .offset_counts = 100, .gray = gray, .reversed = reversed};
          SerialEncoder encoder(p);
          SerialEncoderReader reader(ReaderFor(p));
          // Whatever the encoder's own direction, the drive undoes it: the
          // counter follows the shaft forward over two turns.
          // Angles half a count past a code edge, so that neither direction
          // of the encoder sits on an edge.
          const double half_count = 0.5 * kTwoPi / 8192.0;
          ASSERT_TRUE(reader.Update(encoder.Read(half_count)));
          const std::int64_t start = reader.position();
          for (int i = 1; i <= 200; ++i) {
            ASSERT_TRUE(reader.Update(encoder.Read(i * kTwoPi / 100.0 + half_count)));
          }
          EXPECT_EQ(reader.position() - start, 2 * 8192) << int(protocol) << gray << reversed << multi;
          // The single-turn word as the drive sees it: the offset, or, for an
          // encoder counting down, its complement one count lower.
          EXPECT_EQ(*reader.SingleTurn(encoder.Read(half_count)), reversed ? (8192u - 99u) : 100u);
        }
      }
    }
  }
}

TEST(SerialEncoder, MultiTurnWordsBelowZeroReadAsNegativeTurns) {
  // Up to the widest frame, whose sign bit is bit 62.
  for (const auto& [single, multi] : std::initializer_list<std::pair<int, int>>{{10, 8}, {32, 31}}) {
    const SerialEncoderParams p{.single_turn_bits = single, .multi_turn_bits = multi};
    SerialEncoder encoder(p);
    SerialEncoderReader reader(ReaderFor(p));
    ASSERT_TRUE(reader.Update(encoder.Read(-1.5 * kTwoPi)));
    EXPECT_EQ(reader.position(), -3 * (std::int64_t{1} << (single - 1))) << single << "+" << multi;
  }
}

TEST(SerialEncoder, BadFramesAreRejectedAndLeaveTheCounter) {
  SerialEncoderParams good{.protocol = SerialProtocol::BiSS, .single_turn_bits = 17};
  SerialEncoderReader reader(ReaderFor(good));
  ASSERT_TRUE(reader.Update(SerialEncoder(good).Read(1.0)));
  const auto before = reader.position();

  SerialEncoderParams corrupt = good;
  corrupt.fault = SerialFault::CorruptFrame;
  EXPECT_FALSE(reader.Update(SerialEncoder(corrupt).Read(1.5)));
  SerialEncoderParams silent = good;
  silent.fault = SerialFault::NoResponse;
  EXPECT_FALSE(reader.Update(SerialEncoder(silent).Read(1.5)));
  EXPECT_EQ(reader.position(), before);

  SerialEncoderParams ssi_silent{.single_turn_bits = 12, .fault = SerialFault::NoResponse};
  SerialEncoderReader ssi_reader(ReaderFor(ssi_silent));
  EXPECT_FALSE(ssi_reader.SingleTurn(SerialEncoder(ssi_silent).Read(0.0)).has_value());
}

TEST(SerialEncoder, WidestFrameKeepsEveryBit) {
  const SerialEncoderParams p{.single_turn_bits = 32, .multi_turn_bits = 31, .offset_counts = 0xFFFFFFFFu};
  SerialEncoder encoder(p);
  SerialEncoderReader reader(ReaderFor(p));
  ASSERT_TRUE(reader.Update(encoder.Read(0.0)));
  EXPECT_EQ(reader.position(), 0xFFFFFFFFll);
  EXPECT_EQ(*reader.SingleTurn(encoder.Read(0.0)), 0xFFFFFFFFu);
}

// The CRC as the line sends it, one bit at a time, with no word to hold the
// frame: the reference for frames of any width.
std::uint8_t LineCrc6(const std::vector<bool>& bits) {
  std::uint8_t crc = 0;
  for (bool in : bits) {
    const bool top = (crc & 0x20u) != 0;
    crc = static_cast<std::uint8_t>((crc << 1) & 0x3Fu);
    if (in != top) crc ^= 0x03u;
  }
  return crc;
}

TEST(SerialEncoder, CheckBitsCoverEveryDataBitOfEveryWidth) {
  // From a 3-bit frame to the widest, 63 data bits: with the two status bits
  // the checked bits no longer fit one 64-bit word.
  for (const auto& [single, multi] :
       std::initializer_list<std::pair<int, int>>{{1, 0}, {17, 0}, {32, 0}, {32, 30}, {31, 31}, {32, 31}}) {
    const SerialEncoderParams p{.protocol = SerialProtocol::BiSS, .single_turn_bits = single, .multi_turn_bits = multi,
                                .offset_counts = (std::uint64_t{1} << single) - 1};
    const SerialFrame frame = SerialEncoder(p).Read(-2.5);
    std::vector<bool> line;
    for (int i = frame.data_bits - 1; i >= 0; --i) line.push_back(((frame.data >> i) & 1u) != 0);
    line.insert(line.end(), {frame.status_ok, frame.status_ok});
    EXPECT_EQ(frame.crc, static_cast<std::uint8_t>(~LineCrc6(line) & 0x3Fu)) << single << "+" << multi;
    // Flipping the top data bit, the one a 64-bit word would lose, is caught.
    SerialFrame flipped = frame;
    flipped.data ^= std::uint64_t{1} << (frame.data_bits - 1);
    EXPECT_FALSE(SerialEncoderReader(ReaderFor(p)).Update(flipped)) << single << "+" << multi;
  }
}

TEST(SerialEncoder, AShaftThatHasRunFarStillGivesAWord) {
  const SerialEncoder encoder({.single_turn_bits = 32, .multi_turn_bits = 31});
  for (double angle : {1e30, -1e30, HUGE_VAL, std::nan("")}) {
    EXPECT_LT(encoder.Word(angle), std::uint64_t{1} << 63) << angle;
  }
}

}  // namespace
}  // namespace drive
