#pragma once

#include "drive/named_values.h"
#include "drive/position_loop.h"
#include "drive/speed_loop.h"

namespace drive {

// The slow loops' registers as the drive holds them; a register the setup
// does not have reads as 0 (no gain, full-range saturation).
SpeedLoopRegisters SpeedLoopRegistersFrom(const NamedValues& registers);
PositionLoopRegisters PositionLoopRegistersFrom(const NamedValues& registers);

}  // namespace drive
