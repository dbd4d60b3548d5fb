#include "engine/serial_encoder.h"

#include <algorithm>
#include <cmath>

#include "engine/feedback_sensors.h"
#include "engine/parameter_limits.h"
#include "engine/scales.h"
#include "engine/setup_access.h"

namespace engine {
namespace {

constexpr double kTurnBitsMax = 32.0;
constexpr double kRevolutionBitsMax = 31.0;
// The offset may span the whole word, up to 32 bits.
constexpr double kOffsetBitsMax = 32.0;

constexpr double kGrayCode = 1.0;
constexpr double kBinaryCode = 0.0;
constexpr double kReverseSense = -1.0;
constexpr double kForwardSense = 1.0;
constexpr double kFrameSsi = 1.0;
constexpr double kFrameBiss = 2.0;

constexpr std::string_view kTurnsRegister = "SSITURNS";
constexpr std::string_view kRevolutionRegister = "SSIREV";
constexpr std::string_view kTypeRegister = "SSITYPE";
constexpr std::string_view kSenseRegister = "SSISENSE";
constexpr std::string_view kOffsetRegister = "ZAOFF";
constexpr std::string_view kOffset = "SSI_Offset";

// Writes `value(user)` into `registerName`, reading the described sensor's
// parameter `pick(names)`.
template <class Pick, class Value>
int ComputeFromDescribed(CVX_Setup& setup, std::string_view registerName, Pick pick, Value value) {
  CVX_Parameter* target = Find(setup, registerName);
  const auto names = DescribedSerialSensor(setup);
  if (!target || !names) return 0;
  const auto user = Base(setup, pick(*names));
  if (!user) return 0;
  return WriteInternal(target, value(*user));
}

int RecoverInto(CVX_Setup& setup, const SerialSensorNames& names, std::string_view user, double low, double high,
                std::optional<double> value) {
  CVX_Parameter* target = Find(setup, user);
  const auto described = RegistersDescribe(setup, names);
  if (!target || !described) return 0;
  if (!*described) return 1;
  if (!value) return 0;
  if (!SetParameterLimits(target, low, high)) return 0;
  return WriteBase(target, *value);
}

std::optional<double> Flag(std::optional<double> condition) {
  if (!condition) return std::nullopt;
  return *condition != 0.0 ? 1.0 : 0.0;
}

}  // namespace

std::optional<bool> SerialRegistersDescribeLoad(CVX_Setup& setup) {
  const auto load = ReadChoice(setup, "LoadSensorType");
  if (!load) return std::nullopt;
  return IsSerialSensor(*load);
}

std::optional<SerialSensorNames> DescribedSerialSensor(CVX_Setup& setup) {
  const auto load = SerialRegistersDescribeLoad(setup);
  if (!load) return std::nullopt;
  return *load ? kLoadSerialSensor : kMotorSerialSensor;
}

std::optional<bool> RegistersDescribe(CVX_Setup& setup, const SerialSensorNames& names) {
  const auto load = SerialRegistersDescribeLoad(setup);
  if (!load) return std::nullopt;
  return *load == (names.multiTurn == kLoadSerialSensor.multiTurn);
}

// ----- frame -----

int ComputeSSITURNS(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, kTurnsRegister);
  const auto names = DescribedSerialSensor(setup);
  if (!target || !names) return 0;
  const auto multiTurn = Base(setup, names->multiTurn);
  const auto bits = Base(setup, names->turnBits);
  if (!multiTurn || !bits) return 0;
  return WriteInternal(target, *multiTurn != 0.0 ? *bits : 0.0);
}

int ComputeSSIREV(CVX_Setup& setup) {
  return ComputeFromDescribed(
      setup, kRevolutionRegister, [](const SerialSensorNames& n) { return n.revolutionBits; },
      [](double bits) { return bits; });
}

int ComputeSSITYPE(CVX_Setup& setup) {
  return ComputeFromDescribed(
      setup, kTypeRegister, [](const SerialSensorNames& n) { return n.gray; },
      [](double gray) { return gray == 1.0 ? kGrayCode : kBinaryCode; });
}

int ComputeSSISENSE(CVX_Setup& setup) {
  return ComputeFromDescribed(
      setup, kSenseRegister, [](const SerialSensorNames& n) { return n.reverse; },
      [](double reverse) { return reverse == 1.0 ? kReverseSense : kForwardSense; });
}

int ComputeSSIFDBKTYPE(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "SSIFDBKTYPE");
  const auto motor = ReadChoice(setup, "MotorSensorType");
  const auto load = ReadChoice(setup, "LoadSensorType");
  if (!target || !motor || !load) return 0;
  const bool biss = *motor == kSensorBiss || *load == kSensorBiss;
  return WriteInternal(target, biss ? kFrameBiss : kFrameSsi);
}

int ComputeZAOFF(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, kOffsetRegister);
  const auto offset = Internal(setup, kOffset);
  if (!target || !offset) return 0;
  return WriteInternal(target, *offset);
}

int RecoverSerialMultiTurn(CVX_Setup& setup, const SerialSensorNames& names) {
  return RecoverInto(setup, names, names.multiTurn, 0.0, 1.0, Flag(Internal(setup, kTurnsRegister)));
}

int RecoverSerialTurnBits(CVX_Setup& setup, const SerialSensorNames& names) {
  return RecoverInto(setup, names, names.turnBits, 0.0, kTurnBitsMax, Internal(setup, kTurnsRegister));
}

int RecoverSerialRevolutionBits(CVX_Setup& setup, const SerialSensorNames& names) {
  return RecoverInto(setup, names, names.revolutionBits, 0.0, kRevolutionBitsMax,
                     Internal(setup, kRevolutionRegister));
}

int RecoverSerialGray(CVX_Setup& setup, const SerialSensorNames& names) {
  return RecoverInto(setup, names, names.gray, 0.0, 1.0, Flag(Internal(setup, kTypeRegister)));
}

int RecoverSerialReverse(CVX_Setup& setup, const SerialSensorNames& names) {
  std::optional<double> reversed;
  if (const auto sense = Internal(setup, kSenseRegister)) reversed = *sense == kReverseSense ? 1.0 : 0.0;
  return RecoverInto(setup, names, names.reverse, 0.0, 1.0, reversed);
}

int RecoverSSI_isMultiTurn(CVX_Setup& setup) { return RecoverSerialMultiTurn(setup, kMotorSerialSensor); }
int RecoverSSI_No_Bits_Revolution(CVX_Setup& setup) {
  return RecoverSerialRevolutionBits(setup, kMotorSerialSensor);
}
int RecoverSSI_No_Bits_Turns(CVX_Setup& setup) { return RecoverSerialTurnBits(setup, kMotorSerialSensor); }
int RecoverSSI_isGray(CVX_Setup& setup) { return RecoverSerialGray(setup, kMotorSerialSensor); }
int RecoverSSI_isReverseCounting(CVX_Setup& setup) { return RecoverSerialReverse(setup, kMotorSerialSensor); }
int RecoverSSI_isMultiTurn_LD(CVX_Setup& setup) { return RecoverSerialMultiTurn(setup, kLoadSerialSensor); }
int RecoverSSI_No_Bits_Revolution_LD(CVX_Setup& setup) {
  return RecoverSerialRevolutionBits(setup, kLoadSerialSensor);
}
int RecoverSSI_No_Bits_Turns_LD(CVX_Setup& setup) { return RecoverSerialTurnBits(setup, kLoadSerialSensor); }
int RecoverSSI_isGray_LD(CVX_Setup& setup) { return RecoverSerialGray(setup, kLoadSerialSensor); }
int RecoverSSI_isReverseCounting_LD(CVX_Setup& setup) { return RecoverSerialReverse(setup, kLoadSerialSensor); }

// ----- offset -----

std::optional<double> SerialCountsPerElectricalPeriod(CVX_Setup& setup) {
  const auto bits = Internal(setup, kRevolutionRegister);
  const auto counts = Internal(setup, "MECRESL");
  const auto angle = Internal(setup, "ENC2THL");
  if (!bits || !counts || !angle) return std::nullopt;
  const double periods = std::trunc(*counts * *angle / kAngleFullTurn);
  if (!std::isfinite(periods) || periods == 0.0) return std::nullopt;
  // The offset is a reading of the whole single-turn word, so its period is
  // counted in that word; with 50 pole pairs it is never a whole number of
  // counts, and truncating it would shift the offset with every period the
  // rotor happens to rest in.
  const double perPeriod = std::exp2(std::min(*bits, kOffsetBitsMax)) / periods;
  if (!std::isfinite(perPeriod) || perPeriod < 1.0) return std::nullopt;
  return perPeriod;
}

int RecoverSSI_Offset(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, kOffset);
  const auto stored = Internal(setup, kOffsetRegister);
  const auto bits = Internal(setup, kRevolutionRegister);
  const auto described = RegistersDescribe(setup, kMotorSerialSensor);
  if (!target || !described) return 0;
  // The offset places the motor's electric angle; a load sensor's word
  // does not measure it.
  if (!*described) return 1;
  const auto perPeriod = SerialCountsPerElectricalPeriod(setup);
  if (!stored || !bits || !perPeriod) return 0;
  const double high = std::exp2(std::min(*bits, kOffsetBitsMax));
  if (!SetParameterLimits(target, 0.0, high)) return 0;
  // Rounded to the nearest count, not truncated; a reading within half a
  // count of a period's end is that period's start.
  double offset = std::fmod(std::trunc(*stored), *perPeriod);
  if (std::fabs(offset) > *perPeriod - 0.5) offset -= std::copysign(*perPeriod, offset);
  return WriteBase(target, std::round(offset) + 0.0);
}

}  // namespace engine
