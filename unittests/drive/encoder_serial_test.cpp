#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

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
  const SerialEncoderParams p{.single_turn_bits = 10, .multi_turn_bits = 8};
  SerialEncoder encoder(p);
  SerialEncoderReader reader(ReaderFor(p));
  ASSERT_TRUE(reader.Update(encoder.Read(-1.5 * kTwoPi)));
  EXPECT_EQ(reader.position(), -1536);
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

}  // namespace
}  // namespace drive
