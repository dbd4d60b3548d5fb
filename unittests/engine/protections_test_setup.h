#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "engine/protections.h"
#include "kernel/setup.h"
#include "unittests/support/example_setups.h"
#include "unittests/support/setup_builder.h"

// A closed-loop drive with every protection parameter, for the protection
// tests: 60 MHz clock, "PWMPER" 1500 and "SLPER" 10 (Ts_S 0.5 ms), a 10 A
// peak / 5 A rated converter of 65472 counts over 100 V, a 1000-line motor
// encoder and a 3 A motor.
namespace protectiontest {

inline constexpr double kAdcMax = 65472.0;
inline constexpr double kCurrentScale = kAdcMax / 20.0;   // counts per A
inline constexpr double kVoltageScale = kAdcMax / 100.0;  // counts per V
inline constexpr double kTs = 0.5e-3;
inline constexpr double kPositionScale = 4000.0 / 6.283185307179586;  // counts per rad
inline constexpr double kSpeedScale = kPositionScale * kTs;

using Step = int (*)(CVX_Setup&);

// The family's steps in the order of the two sequences.
inline constexpr Step kComputeSteps[] = {
    engine::ComputeT2MAXPROT,    engine::ComputeUMAXPROT,    engine::ComputeUMINPROT,    engine::ComputeII2TPROT_D,
    engine::ComputeSFI2T_D,      engine::ComputeI2TINTLIM_D, engine::ComputeII2TWARLIM_D, engine::ComputeMTSTYPE,
    engine::ComputeIMAXPROT,     engine::ComputeTIMAXPROT,   engine::ComputeERRMAX,      engine::ComputeERRMAXL,
    engine::ComputeTERRMAX,      engine::ComputeSERRMAX,     engine::ComputeTSERRMAX,    engine::ComputeII2TPROT_M,
    engine::ComputeSFI2T_M,      engine::ComputeI2TINTLIM_M, engine::ComputeI2TWARLIM_M,
};
inline constexpr Step kRecoverSteps[] = {
    engine::RecoverMotor_TempSensor_Type, engine::RecoverUMAX_PROT,
    engine::RecoverUMIN_PROT,             engine::RecoverTemp_2,
    engine::RecoverI_I2t_D,               engine::RecoverT_I2t_D,
    engine::RecoverImax_Prot,             engine::RecoverTime_Imax_Prot,
    engine::RecoverIsPositionControlError, engine::RecoverERR_position,
    engine::RecoverTime_ERR_pos,          engine::RecoverIsSpeedControlError,
    engine::RecoverERR_speed,             engine::RecoverTime_ERR_spd,
    engine::RecoverI_I2t_M,               engine::RecoverT_I2t_M,
    engine::RecoverErrMaxUser,            engine::RecoverTonPosOkUser,
};

inline void RoundTrip(CVX_Setup& setup) {
  for (Step step : kComputeSteps) step(setup);
  for (Step step : kRecoverSteps) step(setup);
}

// Every parameter's stored value and limits, by name.
struct Stored {
  double internal, min, max;
  bool operator==(const Stored&) const = default;
};
inline std::map<std::string, Stored> Snapshot(const CVX_Setup& setup) {
  std::map<std::string, Stored> all;
  for (const CVX_Parameter* p : setup.GetParameters())
    all[p->GetName()] = {p->GetValueInInternalUnit(), p->GetMinimum(), p->GetMaximum()};
  return all;
}

// The parameters whose value or limits differ, one per line; empty when none.
inline std::string Changes(const std::map<std::string, Stored>& before, const std::map<std::string, Stored>& after) {
  std::string text;
  for (const auto& [name, now] : after) {
    const auto was = before.find(name);
    if (was == before.end() || !(was->second == now))
      text += name + ": " + (was == before.end() ? "new" : std::to_string(was->second.internal)) + " -> " +
              std::to_string(now.internal) + "\n";
  }
  return text;
}

inline double BaseOf(CVX_Setup& setup, std::string_view name) { return setup.GetParameterValueInBaseUnit(name); }
inline double InternalOf(CVX_Setup& setup, std::string_view name) {
  return setup.GetParameterValueInInternalUnit(name);
}
inline void SetBase(CVX_Setup& setup, std::string_view name, double value) {
  ASSERT_EQ(setup.SetParameterValueInBaseUnit(name, value), 1) << name;
}
inline void SetInternal(CVX_Setup& setup, std::string_view name, double value) {
  setup.FindParameter(name)->InitInternal(value);
}

// Needs the engine's unit scales installed: the user values are set in base
// units. `withLongError` adds "ERRMAXL".
inline CVX_Setup ProtectedDrive(bool withLongError = true) {
  using kernel::ValueType;
  using testsupport::AddParameter;
  CVX_Setup setup;
  CVX_DriveIdentity identity;
  identity.adcMaxValue = static_cast<int>(kAdcMax);
  setup.SetIdentity(identity);
  testsupport::AddParameters(setup, {{"DSP_freq", 60e6}, {"ImaxPS", 10}, {"VdcMaxMeasurable", 100},
                                    {"ADCrange", 3.3}, {"DriveTempOutputAt0oC", 0.5},
                                    {"DriveTempSensorGain", 0.01}, {"StepperControlType", 1},
                                    {"MotorSensorType", 1}, {"LoadSensorType", 0}, {"TransmissionType", 0},
                                    {"Motor_transmission", 1}, {"Load_transmission", 1},
                                    {"isPositionControlError", 1}, {"isSpeedControlError", 1},
                                    {"Motor_TempSensor_Type", 0}});
  for (auto [name, value] : {std::pair{"PWMPER", 1500.0}, {"CLPER", 2.0}, {"SLPER", 10.0}, {"MECRESL", 4000.0},
                             {"OSR", 0x2400}, {"SCR", 0x4000}})
    testsupport::AddRegister(setup, name, value);
  for (const char* name : {"T2MAXPROT", "UMAXPROT", "UMINPROT", "II2TPROT_D", "SFI2T_D", "MTSTYPE", "IMAXPROT",
                           "TIMAXPROT", "ERRMAX", "TERRMAX", "SERRMAX", "TSERRMAX", "II2TPROT_M", "SFI2T_M"})
    testsupport::AddRegister(setup, name, 0);
  for (const char* name : {"I2TINTLIM_D", "II2TWARLIM_D", "I2TINTLIM_M", "I2TWARLIM_M"})
    AddParameter(setup, name, 0, ValueType::kInt32);
  if (withLongError) AddParameter(setup, "ERRMAXL", 0, ValueType::kInt32);

  struct User {
    const char* name;
    const char* unit;
    double value;
  };
  for (const User& user : {User{"InPS", "A", 5}, {"In", "A", 3}, {"ImaxM", "A", 4.5}, {"I_I2t_D", "A", 8},
                           {"I_I2t_M", "A", 4.2}, {"Imax_Prot", "A", 4.4}, {"t_I2t_D", "s", 3},
                           {"t_I2t_M", "s", 20}, {"time_Imax_Prot", "s", 0.01}, {"time_ERR_pos", "s", 0.02},
                           {"time_ERR_spd", "s", 0.05}, {"TonPosOkUser", "s", 0.02}, {"Temp_2", "\xC2\xB0" "C", 85},
                           {"UMAX_PROT", "V ", 60}, {"UMIN_PROT", "V ", 18}, {"ERR_position", "rad", 0.5},
                           {"ErrMaxUser", "rad", 0.05}, {"ERR_speed", "rad/s", 20}}) {
    AddParameter(setup, user.name, 0, ValueType::kDouble, user.unit);
    SetBase(setup, user.name, user.value);
  }
  return setup;
}

// The engine's unit scales and the drive above.
class ProtectionTest : public ::testing::Test {
 protected:
  testsupport::ScopedEngineUnitScales scales_;
  CVX_Setup setup_ = ProtectedDrive();
};

}  // namespace protectiontest
