#include "commissioning/analogue_reference.h"

#include "kernel/kernel_functions.h"

namespace commissioning {

ValueRange AnalogueInputRange_V(double analogue_inputs_range) {
  if (analogue_inputs_range == 20) return {-10.0, 10.0};
  if (analogue_inputs_range == 5) return {0.0, 5.0};
  return {0.0, 3.3};
}

CommandParameters CommandParametersFor(double control_mode) {
  if (control_mode == 0) return {"POS_min", "POS_max", "Position command"};
  if (control_mode == 1) return {"SPD_min", "SPD_max", "Speed command"};
  return {"CRT_min", "CRT_max", "Current command"};
}

double ScaleAnalogueReading(double reading, const ValueRange& range) {
  return RoundDecimalValue((range.high - range.low) * reading / kAnalogueFullScale + range.low, 2);
}

double BarDrawingReference(const ValueRange& range) {
  return range.low > 0.0 || range.high < 0.0 ? range.low : 0.0;
}

}  // namespace commissioning
