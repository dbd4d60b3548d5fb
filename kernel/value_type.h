#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kernel {

// The value type of a parameter or variable decides how a stored internal
// value is rounded and bounded. The numbers are part of the kernel interface
// (GetType/ChangeType) and of the setup files, so they never change:
//   0 double     a user value, stored as given
//   1 int16      one word, signed
//   2 uint16     one word, unsigned
//   3 int32      two words, signed
//   4 uint32     two words, unsigned (frequencies that outgrow one word)
//   5 derived    a double that the engine derives from registers and shows
//                (periods such as "Ts_S"); never a tick count
//   6 constant   a double that describes the drive or the motor ("DSP_freq")
// Types 5 and 6 are the ones the rescaling of time parameters leaves alone.
enum class ValueType : int {
  kDouble = 0,
  kInt16 = 1,
  kUInt16 = 2,
  kInt32 = 3,
  kUInt32 = 4,
  kDerived = 5,
  kConstant = 6,
};

inline constexpr int kValueTypeCount = 7;

bool IsIntegerType(ValueType type);
int SizeInWords(ValueType type);
std::string_view ValueTypeName(ValueType type);
std::optional<ValueType> ValueTypeFromName(std::string_view name);
std::optional<ValueType> ValueTypeFromNumber(int number);

// Rounds to nearest (half away from zero) and bounds to the type's range for
// the integer types; doubles pass unchanged. `value` must be finite.
double FitToType(ValueType type, double value);

}  // namespace kernel
