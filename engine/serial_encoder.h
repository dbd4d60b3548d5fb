#pragma once

#include <optional>
#include <string_view>

class CVX_Setup;

// The frame of the SSI or BiSS absolute encoder. The drive reads one serial
// encoder, so one set of registers describes it: the load sensor's when the
// load sensor is SSI or BiSS, else the motor sensor's. Each sensor's user
// parameters carry the same names, the load's with the suffix "_LD".
//
// Register functions return 1, or 0 with nothing written when a parameter
// they need is missing or a value would not be finite. A recovery first
// gives its user parameter the limits the register can represent.
namespace engine {

struct SerialSensorNames {
  std::string_view multiTurn;
  std::string_view turnBits;
  std::string_view revolutionBits;
  std::string_view gray;
  std::string_view clock_Hz;  // the kernel ignores letter case: "SSI_Freq" is this parameter
  std::string_view reverse;
};

inline constexpr SerialSensorNames kMotorSerialSensor{
    "SSI_isMultiTurn", "SSI_No_Bits_Turns", "SSI_No_Bits_Revolution", "SSI_isGray", "SSI_freq",
    "SSI_isReverseCounting"};
inline constexpr SerialSensorNames kLoadSerialSensor{
    "SSI_isMultiTurn_LD", "SSI_No_Bits_Turns_LD", "SSI_No_Bits_Revolution_LD", "SSI_isGray_LD", "SSI_freq_LD",
    "SSI_isReverseCounting_LD"};

// Whether the serial registers describe the load sensor ("LoadSensorType" 3
// or 4); nullopt when "LoadSensorType" is missing.
std::optional<bool> SerialRegistersDescribeLoad(CVX_Setup& setup);
// The names of the sensor that the registers describe.
std::optional<SerialSensorNames> DescribedSerialSensor(CVX_Setup& setup);
// Whether the registers describe the sensor named by `names`.
std::optional<bool> RegistersDescribe(CVX_Setup& setup, const SerialSensorNames& names);

// "SSITURNS": the turn bits of a multi-turn encoder, else 0.
int ComputeSSITURNS(CVX_Setup& setup);
// "SSIREV": the bits per revolution.
int ComputeSSIREV(CVX_Setup& setup);
// "SSITYPE": 1 for a Gray-coded word, else 0 (binary).
int ComputeSSITYPE(CVX_Setup& setup);
// "SSISENSE": -1 when the sensor counts in reverse, else 1.
int ComputeSSISENSE(CVX_Setup& setup);
// "SSIFDBKTYPE": 2 when either sensor is BiSS, else 1 (SSI).
int ComputeSSIFDBKTYPE(CVX_Setup& setup);
// "ZAOFF": a copy of "SSI_Offset", the encoder reading at electric angle 0.
int ComputeZAOFF(CVX_Setup& setup);

// Recoveries into one sensor's parameters (either name set). While the
// registers describe the other sensor, they return 1 and leave this one's
// settings as they are: the registers hold nothing of it.
int RecoverSerialMultiTurn(CVX_Setup& setup, const SerialSensorNames& names);       // [0, 1]
int RecoverSerialTurnBits(CVX_Setup& setup, const SerialSensorNames& names);        // [0, 32]
int RecoverSerialRevolutionBits(CVX_Setup& setup, const SerialSensorNames& names);  // [0, 31]
int RecoverSerialGray(CVX_Setup& setup, const SerialSensorNames& names);            // [0, 1]
int RecoverSerialReverse(CVX_Setup& setup, const SerialSensorNames& names);         // [0, 1]

int RecoverSSI_isMultiTurn(CVX_Setup& setup);
int RecoverSSI_No_Bits_Revolution(CVX_Setup& setup);
int RecoverSSI_No_Bits_Turns(CVX_Setup& setup);
int RecoverSSI_isGray(CVX_Setup& setup);
int RecoverSSI_isReverseCounting(CVX_Setup& setup);
int RecoverSSI_isMultiTurn_LD(CVX_Setup& setup);
int RecoverSSI_No_Bits_Revolution_LD(CVX_Setup& setup);
int RecoverSSI_No_Bits_Turns_LD(CVX_Setup& setup);
int RecoverSSI_isGray_LD(CVX_Setup& setup);
int RecoverSSI_isReverseCounting_LD(CVX_Setup& setup);

// Counts of the serial word per electrical period: 2^min("SSIREV", 32) over
// the whole electrical periods per revolution, trunc("MECRESL" * "ENC2THL"
// * 2^-32), not truncated. nullopt when a register is missing, there is no
// whole period per revolution, or a period is shorter than one count.
std::optional<double> SerialCountsPerElectricalPeriod(CVX_Setup& setup);
// "SSI_Offset" = trunc("ZAOFF") reduced to within one electrical period (the
// remainder keeps the sign of "ZAOFF") and rounded to a count; limits
// [0, 2^min("SSIREV", 32)].
// Returns 0 with nothing written when the period above is not available,
// and 1 with nothing written while the registers describe a load sensor.
int RecoverSSI_Offset(CVX_Setup& setup);

}  // namespace engine
