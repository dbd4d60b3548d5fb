#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// The drive's configuration words, bit by bit. Each word's bits and masks are
// named here once; its computation and its recovery both use these names, so
// the code can be held against the word's layout table row by row.
namespace engine {

using Word = uint32_t;

// Values of the user choices that the words code.
namespace choice {
// "MotorSensorType" / "LoadSensorType".
inline constexpr int kNoSensor = 0;
inline constexpr int kIncremental = 1;
inline constexpr int kSineCosine = 2;
inline constexpr int kSsi = 3;
inline constexpr int kBiss = 4;
inline constexpr int kOpenLoop = 0;  // "StepperControlType"
inline constexpr int kBiphase = 0;   // "StepperMotorType"
inline constexpr int kTriphase = 1;
// "ControlMode" and "PositionControlType".
inline constexpr int kPositionMode = 0;
inline constexpr int kSpeedMode = 1;
inline constexpr int kTorqueMode = 2;
inline constexpr int kPositionOverSpeed = 1;
// "StartMode" values that the start mode field codes.
inline constexpr int kStartMode1 = 1;
inline constexpr int kStartMode2 = 2;
inline constexpr int kStartModeMax = 3;
}  // namespace choice

// "SCR", sensor configuration; rebuilt whole on every computation.
namespace scr {
inline constexpr std::string_view kName = "SCR";
inline constexpr Word kSensorFields = 0x003F;  // bits 0-5
inline constexpr Word kOpenLoopNoSensor = 0x003F;
inline constexpr Word kOpenLoopSensorBase = 0x0038;  // plus the sensor code
inline constexpr Word kSensorCode = 0x0007;          // bits 0-2
// Bit 9 is never set but takes part in reading the code: a word with bit 9
// set holds no sensor code (open loop reads it as an incremental encoder,
// closed loop as no sensor).
inline constexpr Word kSensorCodeRead = 0x0207;
// Closed loop with two sensors: the motor sensor in bits 3-6.
inline constexpr Word kMotorField = 0x0078;
// Code and motor field together, with bit 9: 0x40 is incremental on both.
inline constexpr Word kTwoSensorRead = 0x027F;
inline constexpr Word kTwoIncrementalSensors = 0x0040;
// Closed loop with one sensor: old-style speed estimator in bits 3-5.
inline constexpr Word kEstimatorField = 0x0038;
inline constexpr Word kOldSpeedEstimator = 0x0030;
inline constexpr Word kMotorTemperatureSensor = 0x0080;  // bit 7
inline constexpr Word kDriveTemperatureSensor = 0x0100;  // bit 8
// Bit 10: input of the single sensor, or of the load sensor when both are
// present; bit 11: input of the motor sensor when both are present.
inline constexpr Word kSensorConnector = 0x0400;
inline constexpr Word kMotorConnectorOfTwo = 0x0800;
inline constexpr Word kMotorTypeField = 0x7000;     // bits 12-14
inline constexpr Word kMotorTypeBiphase = 0x4000;   // binary 100
inline constexpr Word kMotorTypeTriphase = 0x5000;  // binary 101
inline constexpr Word kDigitalReferenceConnector = 0x8000;

// Per sensor type: its 3-bit code, and its motor field when two sensors close
// the loop. The code reads back through kSensorCodeRead; a closed-loop motor
// field of kOldSpeedEstimator reads as an incremental encoder.
struct SensorCodeRow {
  int type;
  Word code;
  Word motorField;
};
inline constexpr std::array<SensorCodeRow, 4> kSensorCodes{{
    {choice::kIncremental, 0x0, 0x40},
    {choice::kSineCosine, 0x2, 0x50},
    {choice::kSsi, 0x3, 0x58},
    {choice::kBiss, 0x5, 0x68},
}};

constexpr const SensorCodeRow* RowOfType(int type) {
  for (const SensorCodeRow& row : kSensorCodes)
    if (row.type == type) return &row;
  return nullptr;
}
// The type of a code read with kSensorCodeRead; nullopt for a code of none.
constexpr std::optional<int> TypeOfCode(Word code) {
  for (const SensorCodeRow& row : kSensorCodes)
    if (row.code == code) return row.type;
  return std::nullopt;
}
constexpr std::optional<int> TypeOfMotorField(Word field) {
  if (field == kOldSpeedEstimator) return choice::kIncremental;
  for (const SensorCodeRow& row : kSensorCodes)
    if (row.motorField == field) return row.type;
  return std::nullopt;
}
}  // namespace scr

// "OSR", operating setup; bits outside the kept mask are rebuilt.
namespace osr {
inline constexpr std::string_view kName = "OSR";
inline constexpr Word kKept = 0xFF23;            // bits 0, 1, 5, 8-15
inline constexpr Word kStartModeField = 0x001C;  // bits 2-4
inline constexpr Word kStartNone = 0x0004;
inline constexpr Word kStartMode1 = 0x0014;
inline constexpr Word kStartMode2 = 0x001C;
inline constexpr Word kStartModeOn = 0x0010;      // bit 4
inline constexpr Word kStartModeSecond = 0x0008;  // bit 3
inline constexpr Word kEncoderOnLoad = 0x0020;    // bit 5, open-loop mode
inline constexpr Word kTriphaseMotor = 0x0080;    // bit 7
inline constexpr Word kClosedLoop = 0x0400;       // bit 10
inline constexpr Word kLoadSensor = 0x1000;       // bit 12
inline constexpr Word kAlwaysSet = 0x2000;        // bit 13
// Bit 14, cleared for the alternative open-loop controller.
inline constexpr Word kStandardOpenLoopController = 0x4000;
}  // namespace osr

// "ASR", application setup; bits not named here keep their value.
namespace asr {
inline constexpr std::string_view kName = "ASR";
inline constexpr Word kInputsPolarity = 0x0004;  // clear: "InputsPolarityType" 1
inline constexpr Word kNegativeTransmission = 0x0080;
inline constexpr Word kLongResolutions = 0x0200;  // a resolution above 16 bits
inline constexpr Word kReverseMovement = 0x0800;
inline constexpr Word kSoftwareLimitSwitches = 0x1000;
inline constexpr Word kSpeedEstimator = 0x8000;  // new-style estimator
inline constexpr double kShortResolutionMax = 65535.0;
}  // namespace asr

// "PCR", protection control: one enable flag per bit.
namespace pcr {
inline constexpr std::string_view kName = "PCR";
inline constexpr Word kKept = 0xFF40;  // bits 6, 8-15
struct FlagBit {
  std::string_view flag;
  Word mask;
};
// Rows of kFlags, in its order.
enum FlagIndex : size_t {
  kOverCurrent,
  kMotorI2t,
  kMotorOverTemp,
  kDriveOverTemp,
  kOverVoltage,
  kUnderVoltage,
  kDriveI2t,
  kFlagCount,
};
// The recovery looks bit 1 up as "isMotori2t": the same parameter, since
// names ignore letter case.
inline constexpr std::array<FlagBit, kFlagCount> kFlags{{
    {"isOverCurrent", 0x01},
    {"isMotorI2t", 0x02},
    {"isMotorOverTemp", 0x04},
    {"isDriveOverTemp", 0x08},
    {"isOverVoltage", 0x10},
    {"isUnderVoltage", 0x20},
    {"isDriveI2t", 0x80},
}};
}  // namespace pcr

// "ACR", application control.
namespace acr {
inline constexpr std::string_view kName = "ACR";
inline constexpr Word kAutoActivated = 0x0002;      // bit 1
inline constexpr Word kPulseDirection = 0x0004;     // bit 2: "DigitalReferenceType" 0
inline constexpr Word kFreezeControl = 0x0010;      // bit 4
inline constexpr Word kAnalogueReference = 0x0040;  // bit 6
inline constexpr Word kDigitalReference = 0x0080;   // bit 7
inline constexpr Word kExternalReference = kAnalogueReference | kDigitalReference;
inline constexpr Word kModeField = 0x2700;  // bits 8, 9, 10, 13
inline constexpr Word kModeBit9 = 0x0200;
inline constexpr Word kModeBit10 = 0x0400;
inline constexpr Word kClosedPosition = 0x0500;
inline constexpr Word kPositionOverSpeed = 0x0200;  // added to kClosedPosition
inline constexpr Word kClosedSpeed = 0x0300;
inline constexpr Word kClosedTorque = 0x0100;
inline constexpr Word kOpenLoop = 0x0500;
inline constexpr Word kOpenLoopLoadSensor = 0x0700;
inline constexpr Word kOpenLoopSpeed = 0x2000;  // bit 13
inline constexpr Word kSpeedForward = 0x4000;   // bit 14
}  // namespace acr

// "UPGRADE", feature word.
namespace upgrade {
inline constexpr std::string_view kName = "UPGRADE";
inline constexpr Word kLimitMaximum = 0x0004;    // bit 2
inline constexpr Word kFastLoopPosSpd = 0x0040;  // bit 6
// Bit 9 selects the time base of "T1ONA"/"T1ONB"; never written here.
inline constexpr Word kT1TimeBase = 0x0200;
inline constexpr Word kDefaultMotionComplete = 0x0800;  // bit 11: "MotionCompleteType" 0
inline constexpr Word kAlwaysCleared = 0x8000;
}  // namespace upgrade

// "DIGIN_ACTIVE_LEVEL": polarity of three inputs; other bits kept.
namespace digin {
inline constexpr std::string_view kName = "DIGIN_ACTIVE_LEVEL";
struct PolarityBit {
  std::string_view flag;
  Word mask;
};
enum PolarityIndex : size_t { kEnable, kNegativeLimitSwitch, kPositiveLimitSwitch, kPolarityCount };
inline constexpr std::array<PolarityBit, kPolarityCount> kPolarities{{
    {"EnablePolarity", 0x8000},
    {"LSNPolarity", 0x4000},
    {"LSPPolarity", 0x2000},
}};
}  // namespace digin

// "BRAKECFG": the brake output's pin and the enable bit; rewritten whole.
namespace brakecfg {
inline constexpr std::string_view kName = "BRAKECFG";
inline constexpr Word kEnabled = 0x0001;
inline constexpr int kPinShift = 8;
inline constexpr Word kPinField = 0xFF00;
inline constexpr int kPinMax = 0xFF;
}  // namespace brakecfg

// "LSS_Active": a set bit means the value is not saved; rewritten whole.
namespace lss {
inline constexpr std::string_view kName = "LSS_Active";
inline constexpr Word kAxisIdNotSaved = 0x0001;
inline constexpr Word kBaudRateNotSaved = 0x0002;
}  // namespace lss

// Encoder input qualification. Set A serves encoder input 0, set B input 1.
namespace qual {
inline constexpr std::string_view kName = "QUAL";
inline constexpr std::string_view kNameACT = "QUAL_ACT";
inline constexpr std::string_view kNameAQ2 = "QUAL_AQ2";
inline constexpr std::string_view kNameBCT = "QUAL_BCT";
inline constexpr std::string_view kNameBQ2 = "QUAL_BQ2";
inline constexpr Word kQualEnabled = 3;
// The sampling period field of the CT words, bits 16-23.
inline constexpr int kPeriodShift = 16;
inline constexpr Word kPeriodField = 0x00FF0000;
// Selector fields: one 2-bit selector per encoder signal (three signals).
inline constexpr Word kSelectorsA = 0xCF00;   // "QUAL_AQ2" bits 8-11, 14-15
inline constexpr Word kSelectorsB = 0x3F000;  // "QUAL_BQ2" bits 12-17
// 01 in each selector.
inline constexpr Word kSelectA01 = 0x4500;
inline constexpr Word kSelectB01 = 0x15000;
// 10 in each selector.
inline constexpr Word kSelectA10 = 0x8A00;
inline constexpr Word kSelectB10 = 0x2A000;

struct FilterRow {
  Word period;
  Word selectorsA;
  Word selectorsB;
};
// Indexed by the filter value; any other value writes zeros.
inline constexpr std::array<FilterRow, 13> kFilters{{
    {0, kSelectA01, kSelectB01},   // 0
    {0, kSelectA10, kSelectB10},   // 1
    {1, kSelectA10, kSelectB10},   // 2
    {3, kSelectA01, kSelectB01},   // 3
    {2, kSelectA10, kSelectB10},   // 4
    {5, kSelectA01, kSelectB01},   // 5
    {3, kSelectA10, kSelectB10},   // 6
    {7, kSelectA01, kSelectB01},   // 7
    {4, kSelectA10, kSelectB10},   // 8
    {9, kSelectA01, kSelectB01},   // 9
    {5, kSelectA10, kSelectB10},   // 10
    {11, kSelectA01, kSelectB01},  // 11
    {6, kSelectA10, kSelectB10},   // 12
}};
inline constexpr FilterRow kNoFilter{0, 0, 0};
}  // namespace qual

}  // namespace engine
