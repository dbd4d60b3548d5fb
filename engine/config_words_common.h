#pragma once

#include <optional>
#include <string_view>

#include "engine/config_bits.h"

class CVX_Parameter;
class CVX_Setup;

// Reading and writing configuration words and the user choices they code.
// Look-ups are quiet (a firmware without the parameter is not an error).
namespace engine::words {

// The word as an integer: its value truncated toward zero, as its bit
// pattern (a word stored signed reads as its two's complement). nullopt when
// missing or not finite.
std::optional<Word> Read(CVX_Setup& setup, std::string_view name);
// Stores the bit pattern in the parameter's own type, so a word kept signed
// by its setup file gets its upper bit back. 0 when missing or refused.
int Write(CVX_Parameter* word, Word value);

// A user choice ("MotorSensorType", "ControlMode"...) rounded to an integer;
// nullopt when missing or not finite.
std::optional<int> Choice(CVX_Setup& setup, std::string_view name);
// A flag counts as set only when it equals 1; nullopt when missing.
std::optional<bool> Flag(CVX_Setup& setup, std::string_view name);
std::optional<bool> FlagInternal(CVX_Setup& setup, std::string_view name);
// For flags that only gate a capability: missing counts as not set.
bool FlagIfPresent(CVX_Setup& setup, std::string_view name);

// Recovery of one user parameter: limits [low, high], then the value (base
// or internal unit). 0, with nothing written, when the target is missing or
// the limits are refused.
int RecoverValue(CVX_Setup& setup, std::string_view name, double value, double low, double high);
int RecoverValueInternal(CVX_Setup& setup, std::string_view name, double value, double low, double high);
// A flag: limits 0..1, then 1 or 0.
int RecoverFlag(CVX_Setup& setup, std::string_view name, bool on);

constexpr bool IsSet(Word word, Word mask) { return (word & mask) != 0; }
constexpr Word WithBits(Word word, Word mask, bool on) { return on ? (word | mask) : (word & ~mask); }

// The sensor that a single-sensor rule uses: the motor sensor when there is
// one, else the load sensor.
constexpr int SingleSensor(int motorSensor, int loadSensor) {
  return motorSensor != choice::kNoSensor ? motorSensor : loadSensor;
}
constexpr bool IsAbsolute(int sensor) { return sensor == choice::kSsi || sensor == choice::kBiss; }

}  // namespace engine::words
