#pragma once

#include <string_view>

// The analogue reference test's arithmetic: the input's voltage range from
// how it is wired, and the voltage and the command a reading of the
// reference input ("AD5") stands for.
namespace commissioning {

// "AD5" at the top of the input range: the converter's 10 bits sit in the
// word's top bits.
inline constexpr double kAnalogueFullScale = 65472.0;  // 0xFFC0

struct ValueRange {
  double low = 0.0;
  double high = 0.0;
};

// "AnalogueInputsRange" 20: -10 to 10 V; 5: 0 to 5 V; anything else the
// converter's own 0 to 3.3 V.
ValueRange AnalogueInputRange_V(double analogue_inputs_range);

// The command limits and the caption of the command for a "ControlMode".
struct CommandParameters {
  std::string_view minimum;
  std::string_view maximum;
  std::string_view caption;
};
// Mode 0 position, 1 speed, anything else current.
CommandParameters CommandParametersFor(double control_mode);

// low + (high - low) reading / kAnalogueFullScale, rounded to 2 decimals:
// the voltage at the input (with the input range) or the command it makes
// (with the command range).
double ScaleAnalogueReading(double reading, const ValueRange& range);

// Where a bar graph over `range` starts its bar: 0 when the range holds 0,
// else the range's low end.
double BarDrawingReference(const ValueRange& range);

}  // namespace commissioning
