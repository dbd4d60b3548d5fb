// What the detection tests make of the drive's converter readings: the
// supply and the analogue reference.
#include <gtest/gtest.h>

#include <limits>

#include "commissioning/analogue_reference.h"
#include "commissioning/supply_voltage.h"

namespace commissioning {
namespace {

TEST(SupplyVoltage, FullScaleIsTheMeasurableMaximum) {
  EXPECT_DOUBLE_EQ(SupplyVoltage_V(4095.0, 4095.0, 100.0).value(), 100.0);
  EXPECT_DOUBLE_EQ(SupplyVoltage_V(0.0, 4095.0, 100.0).value(), 0.0);
  EXPECT_NEAR(SupplyVoltage_V(1965.0, 4095.0, 100.0).value(), 47.985, 1e-3);
}

TEST(SupplyVoltage, ASetupWithoutARangeOrAReadingOutOfReachFails) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(SupplyVoltage_V(1000.0, 0.0, 100.0).ok());
  EXPECT_FALSE(SupplyVoltage_V(1000.0, 4095.0, 0.0).ok());
  EXPECT_FALSE(SupplyVoltage_V(nan, 4095.0, 100.0).ok());
  EXPECT_FALSE(SupplyVoltage_V(-1.0, 4095.0, 100.0).ok());
}

TEST(AnalogueReference, InputRangeByWiring) {
  const auto bipolar = AnalogueInputRange_V(20);
  EXPECT_EQ(bipolar.low, -10.0);
  EXPECT_EQ(bipolar.high, 10.0);
  EXPECT_EQ(AnalogueInputRange_V(5).high, 5.0);
  EXPECT_EQ(AnalogueInputRange_V(5).low, 0.0);
  EXPECT_EQ(AnalogueInputRange_V(0).high, 3.3);
  EXPECT_EQ(AnalogueInputRange_V(10).high, 3.3);
}

TEST(AnalogueReference, ReadingsAtTheEndsAndTheMiddleOfTheBipolarRange) {
  const ValueRange range = AnalogueInputRange_V(20);
  EXPECT_DOUBLE_EQ(ScaleAnalogueReading(32736, range), 0.0);
  EXPECT_DOUBLE_EQ(ScaleAnalogueReading(65472, range), 10.0);
  EXPECT_DOUBLE_EQ(ScaleAnalogueReading(0, range), -10.0);
  // The command range scales alike and rounds to hundredths.
  EXPECT_DOUBLE_EQ(ScaleAnalogueReading(65472.0 / 3.0, {0.0, 1.0}), 0.33);
}

TEST(AnalogueReference, CommandParametersByControlMode) {
  EXPECT_EQ(CommandParametersFor(0).caption, "Position command");
  EXPECT_EQ(CommandParametersFor(0).minimum, "POS_min");
  EXPECT_EQ(CommandParametersFor(1).maximum, "SPD_max");
  EXPECT_EQ(CommandParametersFor(2).caption, "Current command");
}

TEST(AnalogueReference, BarsStartAtZeroUnlessTheRangeLeavesItOut) {
  EXPECT_EQ(BarDrawingReference({-10.0, 10.0}), 0.0);
  EXPECT_EQ(BarDrawingReference({0.0, 5.0}), 0.0);
  EXPECT_EQ(BarDrawingReference({2.0, 5.0}), 2.0);
  EXPECT_EQ(BarDrawingReference({-5.0, -1.0}), -5.0);
}

}  // namespace
}  // namespace commissioning
