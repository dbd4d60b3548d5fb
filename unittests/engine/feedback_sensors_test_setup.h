#pragma once

#include <string_view>

#include "kernel/setup.h"
#include "kernel/value_type.h"
#include "unittests/support/setup_builder.h"

// A closed-loop axis with a 17-bit SSI motor encoder at 2 MHz on a 60 MHz
// drive with 20 kHz PWM, "CLPER" 2 and "SLPER" 10 (Ts_C 100 us, Ts_S
// 0.5 ms), and the sensor parameters of both sides, for the feedback sensor
// tests. Registers have the drive's types; user values are dimensionless.
namespace fbtest {

using kernel::ValueType;

inline CVX_FrequencyList List(std::initializer_list<std::pair<int, int>> entries) {
  CVX_FrequencyList list;
  for (const auto& [kHz, code] : entries) {
    list.kHz.push_back(kHz);
    list.codes.push_back(code);
  }
  return list;
}

inline const CVX_FrequencyList kSsiList = List(
    {{250, 0}, {500, 0}, {1000, 1}, {1500, 1}, {2000, 1}, {2500, 2}, {3000, 2}, {4000, 3}, {5000, 3}});
inline const CVX_FrequencyList kBissList =
    List({{1000, 1}, {2000, 1}, {2500, 2}, {4000, 3}, {5000, 3}, {8000, 4}, {10000, 4}});

inline void SetSensorCapabilities(CVX_Setup& setup) {
  CVX_DriveCapabilities caps;
  caps.sensorInputs = {{"Feedback #1", {1, 2, 3, 4}, {1, 3, 4}, true}, {"Feedback #2", {1}, {1, 2}, true}};
  caps.ssiFrequencies = kSsiList;
  caps.bissFrequencies = kBissList;
  caps.ssiFrequenciesLoad = kSsiList;
  caps.bissFrequenciesLoad = kBissList;
  setup.SetCapabilities(caps);
}

inline void AddSerialSensor(CVX_Setup& setup, std::string_view suffix) {
  const auto name = [suffix](const char* base) { return std::string(base) + std::string(suffix); };
  testsupport::AddParameters(setup, {{name("SSI_isMultiTurn"), 0},
                                    {name("SSI_No_Bits_Turns"), 0},
                                    {name("SSI_No_Bits_Revolution"), 17},
                                    {name("SSI_isGray"), 0},
                                    {name("SSI_isReverseCounting"), 0}});
  testsupport::AddParameter(setup, name("SSI_freq"), 2000000, ValueType::kUInt32, "Hz");
}

inline CVX_Setup MakeFeedbackSetup() {
  CVX_Setup setup;
  SetSensorCapabilities(setup);
  testsupport::AddParameters(setup, {{"DSP_freq", 60000000},
                                    {"AEI_ReadTime1Mhz", 25e-6},
                                    {"AEI_TransferTime", 2e-6},
                                    {"AEI_GuardTime", 4e-6},
                                    {"AEI_ComputeTime", 20e-6},
                                    {"StepperControlType", 1},
                                    {"MotorSensorType", 3},
                                    {"LoadSensorType", 0},
                                    {"MotorSensorConnector", 0},
                                    {"LoadSensorConnector", 0},
                                    {"NoMotorSteps", 200},
                                    {"No_encoder_lines", 500},
                                    {"ReverseCounting", 0},
                                    {"ReverseCounting_LD", 0},
                                    {"ABSTART_MINMOVE_PERCENT", 60},
                                    {"SSI_Offset", 874}});
  testsupport::AddParameter(setup, "SINCOS_fract", 8)->InitLimits(0, 10);
  AddSerialSensor(setup, "");
  AddSerialSensor(setup, "_LD");
  for (const char* name : {"PWMPER", "CLPER", "SLPER", "ELRESL", "ELRES_FRACT", "POSRANGEDEF", "ABSTART_MINMOVE",
                           "SSITURNS", "SSIREV", "SSITYPE", "SSIBR", "SSIFDBKTYPE", "SPICLKMODE", "AEI_CLKDIV",
                           "AEI_PER", "AEI_CMPTIME", "COUNTINGDIR", "COUNTINGDIR_LD"})
    testsupport::AddRegister(setup, name, 0);
  for (const char* name : {"MECRESL", "ENC2THL", "ZAOFF"})
    testsupport::AddParameter(setup, name, 0, ValueType::kUInt32);
  testsupport::AddParameter(setup, "SSISENSE", 0, ValueType::kInt16);
  setup.FindParameter("PWMPER")->InitInternal(1500);
  setup.FindParameter("CLPER")->InitInternal(2);
  setup.FindParameter("SLPER")->InitInternal(10);
  return setup;
}

inline double Value(const CVX_Setup& setup, std::string_view name) {
  return setup.FindParameter(name)->GetValueInInternalUnit();
}

inline void Set(CVX_Setup& setup, std::string_view name, double value) {
  setup.FindParameter(name)->InitInternal(value);
}

}  // namespace fbtest
