// Positions as the encoder tests read them: the cycle, the diagrams, the
// movement watch and the serial offset.
#include "commissioning/encoder_position.h"

#include <gtest/gtest.h>

#include <limits>
#include <numbers>

namespace commissioning {
namespace {

TEST(PositionInCycle, NeverNegative) {
  EXPECT_EQ(PositionInCycle(4005, 4000), 5);
  EXPECT_EQ(PositionInCycle(-1, 4000), 3999);
  EXPECT_EQ(PositionInCycle(-4000, 4000), 0);
  EXPECT_EQ(PositionInCycle(123, 0), 0);
  EXPECT_EQ(PositionInCycle(std::numeric_limits<double>::quiet_NaN(), 4000), 0);
}

TEST(DiagramAngle, OneTurnOfTheEncoderIsOneTurnOfTheDiagram) {
  EXPECT_DOUBLE_EQ(IncrementalDiagramAngle_rad(4000, 1000), 2 * std::numbers::pi);
  EXPECT_DOUBLE_EQ(SerialDiagramAngle_rad(1 << 16, 17), std::numbers::pi);
}

TEST(PulseWatch, OnlyAMoveToANonZeroPositionCounts) {
  PulseWatch watch;
  EXPECT_FALSE(watch.Update(17)) << "the first reading is where the shaft stood";
  EXPECT_FALSE(watch.PulsesSeen());
  EXPECT_FALSE(watch.Update(17));
  EXPECT_TRUE(watch.Update(0));
  EXPECT_FALSE(watch.PulsesSeen()) << "a move onto 0";
  EXPECT_TRUE(watch.Update(1));
  EXPECT_TRUE(watch.PulsesSeen());
  watch.Reset();
  EXPECT_FALSE(watch.PulsesSeen());
}

TEST(SerialOffset, ModuloOneTurnWithTheBitsCapped) {
  EXPECT_EQ(SerialOffsetInTurn(874, 17).value(), 874);
  EXPECT_EQ(SerialOffsetInTurn(131072 + 874, 17).value(), 874);
  EXPECT_EQ(SerialOffsetInTurn(131071.9, 17).value(), 131071) << "truncated";
  EXPECT_EQ(SerialOffsetInTurn(4294967296.0 + 5, 40).value(), 5) << "bits capped at 32";
  EXPECT_EQ(SerialOffsetInTurn(12, 0).value(), 0) << "no bits: one position";
  EXPECT_EQ(SerialTurnBits(-3), 0);
  EXPECT_EQ(SerialTurnBits(33), 32);
}

TEST(SerialOffset, ANegativeOrNonNumericReadingFails) {
  const auto negative = SerialOffsetInTurn(-5, 17);
  ASSERT_FALSE(negative.ok());
  EXPECT_NE(negative.error().find("-5"), std::string::npos);
  EXPECT_FALSE(SerialOffsetInTurn(std::numeric_limits<double>::quiet_NaN(), 17).ok());
  EXPECT_FALSE(SerialOffsetInTurn(std::numeric_limits<double>::infinity(), 17).ok());
}

}  // namespace
}  // namespace commissioning
