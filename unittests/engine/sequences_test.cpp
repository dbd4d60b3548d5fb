#include "engine/sequences.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "engine/gain_registers.h"
#include "kernel/errors.h"
#include "kernel/probe.h"
#include "kernel/setup.h"
#include "unittests/support/kernel_errors.h"
#include "unittests/support/setup_builder.h"

namespace engine {
namespace {

using kernel::ValueType;

using testsupport::AddParameter;
using testsupport::Base;

// The registers of this drive are signed 16-bit words.
CVX_Parameter* AddRegister(CVX_Setup& setup, std::string_view name, double value = 0) {
  return testsupport::AddRegister(setup, name, value, ValueType::kInt16);
}

// A complete drive for the register families that exist: timing (100 us
// fast, 0.8 ms slow loop), every gain, the filters with the analogue input,
// and the step scale.
void BuildDrive(CVX_Setup& setup) {
  AddParameter(setup, "DSP_freq", 60e6, ValueType::kConstant);
  AddRegister(setup, "PWMPER", 1500);
  AddRegister(setup, "CLPER", 2);
  AddRegister(setup, "SLPER", 16);
  double gain = 0.3;
  for (const ScaledGainRow& row : kScaledGains) {
    AddParameter(setup, row.user, gain *= 2.9);  // 0.87 up to 12616
    AddRegister(setup, row.mantissa);
    AddRegister(setup, row.shift);
  }
  AddParameter(setup, "KFFA_scl", 5000);
  for (const char* name : {"SFTAFFW", "SFTKFF", "KFFA", "KDFP", "KFFL", "T1MAXPROT", "FILTERQ", "FILTER1", "SCL2H",
                           "SFTSCL1"})
    AddRegister(setup, name);
  AddParameter(setup, "SCL2L", 0, ValueType::kUInt16);
  AddParameter(setup, "filter_D", 0.3);
  AddParameter(setup, "isUseFilterOnCrtCtrlOutput", 1);
  AddParameter(setup, "FilterOnCurrentControllerOutput", 1234);
  AddParameter(setup, "UseFilter", 1);
  AddParameter(setup, "filter", 77);
  setup.AddVariable("CADIN", 1);
  AddRegister(setup, "CADIN");
  AddParameter(setup, "NoMicroStepsPerStep", 256);
}

std::vector<std::pair<std::string, double>> Registers(CVX_Setup& setup) {
  std::vector<std::pair<std::string, double>> registers;
  for (const CVX_Parameter* p : setup.GetParameters())
    if (p->GetType() != static_cast<int>(ValueType::kDouble) && p->GetType() != static_cast<int>(ValueType::kConstant))
      registers.emplace_back(p->GetName(), p->GetValueInBaseUnit());
  return registers;
}

TEST(RegisterRoundTrip, RecoveredValuesComputeTheSameRegisters) {
  CVX_Setup setup;
  BuildDrive(setup);
  ComputeRegisterParameters(setup);
  const auto computed = Registers(setup);
  EXPECT_EQ(Base(setup, "KFFL"), 32767);
  EXPECT_EQ(Base(setup, "T1MAXPROT"), 32767);
  EXPECT_EQ(Base(setup, "SCL2H"), 375);
  EXPECT_EQ(Base(setup, "SFTSCL1"), 2);
  EXPECT_NE(Base(setup, "FILTER1"), 0);

  RecoverUserParameters(setup);
  EXPECT_NEAR(Base(setup, "Kp_C_scl"), 0.87, 0.5 / 32767);
  EXPECT_NE(Base(setup, "Kp_C_scl"), 0.87);  // quantised
  EXPECT_EQ(setup.FindParameter("Kp_C_scl")->GetMaximum(), 16384);
  EXPECT_EQ(Base(setup, "isUseFilterOnCrtCtrlOutput"), 1);

  ComputeRegisterParameters(setup);
  EXPECT_EQ(Registers(setup), computed);
}

TEST(RegisterRoundTrip, ProbesKeepFeaturesTheFirmwareLacksUntouched) {
  CVX_Setup setup;
  BuildDrive(setup);
  // No "KPTHT", no "KFFS", no analogue input variable: their partners stay.
  CVX_Setup lacking;
  for (const CVX_Parameter* p : setup.GetParameters()) {
    const std::string& name = p->GetName();
    if (name == "KPTHT" || name == "KFFS") continue;
    AddParameter(lacking, name, p->GetValueInInternalUnit(), p->GetValueType());
  }
  for (const char* name : {"SFTKPTHT", "KITHT", "SFTKITHT", "SFTSFFW", "FILTER1"})
    lacking.SetParameterValueInBaseUnit(name, 77);
  for (const char* name : {"Kp_T_scl", "Ki_T_scl", "KFFS_scl", "filter", "UseFilter"})
    lacking.SetParameterValueInBaseUnit(name, 0.77);

  ComputeRegisterParameters(lacking);
  RecoverUserParameters(lacking);
  UpdateParameterLimits(lacking);
  for (const char* name : {"SFTKPTHT", "KITHT", "SFTKITHT", "SFTSFFW", "FILTER1"}) EXPECT_EQ(Base(lacking, name), 77) << name;
  for (const char* name : {"Kp_T_scl", "Ki_T_scl", "KFFS_scl", "filter", "UseFilter"}) {
    EXPECT_EQ(Base(lacking, name), 0.77) << name;
    EXPECT_FALSE(lacking.FindParameter(name)->HasMaximum()) << name;
  }
  EXPECT_NE(Base(lacking, "KPI"), 0);  // the rest ran
}

TEST(UserValueRecovery, TestStartCurrentIsAlwaysHalfOfItsRange) {
  CVX_Setup setup;
  CVX_Parameter* start = AddParameter(setup, "TestStartCurrent", 80);
  start->InitLimits(60, 90);
  AddParameter(setup, "In", 2);
  AddParameter(setup, "ImaxM", 8);
  RecoverUserParameters(setup);
  EXPECT_EQ(start->GetValueInBaseUnit(), 50);
  EXPECT_EQ(start->GetMinimum(), 0);
  EXPECT_EQ(start->GetMaximum(), 100);
  const CVX_Parameter* in = setup.FindParameter("In");
  EXPECT_EQ(in->GetMinimum(), 0.001);
  EXPECT_EQ(in->GetMaximum(), 8);
  EXPECT_EQ(in->GetValueInBaseUnit(), 2);
}

TEST(Sequences, AnEmptySetupShowsNoMessage) {
  const testsupport::ErrorCapture shown;
  CVX_Setup setup;
  ComputeRegisterParameters(setup);
  RecoverUserParameters(setup);
  UpdateParameterLimits(setup);
  EXPECT_FALSE(UpdateFeedbackOptions(setup));
  UpdateLoadUnits(setup);
  EXPECT_FALSE(UpdateStepUnits(setup));
  EXPECT_TRUE(shown.errors.empty()) << shown.errors.front();
  EXPECT_EQ(setup.GetParametersCount(), 0);
  EXPECT_TRUE(setup.GetOptions().empty());
}

TEST(LimitsUpdate, OptionsAndCapabilitiesGateTheirLimits) {
  auto build = [](CVX_Setup& setup) {
    AddParameter(setup, "NoMicroStepsPerStep", 256);
    AddParameter(setup, "MAX_CURRENT");
    AddParameter(setup, "In", 2);
    AddParameter(setup, "InPS", 3);
    AddParameter(setup, "SSI_No_Bits_Revolution", 12);
    AddParameter(setup, "SSI_Offset");
  };
  CVX_Setup plain;
  build(plain);
  UpdateParameterLimits(plain);
  for (const char* name : {"NoMicroStepsPerStep", "MAX_CURRENT", "SSI_Offset"})
    EXPECT_FALSE(plain.FindParameter(name)->HasMaximum()) << name;

  CVX_Setup capable;
  build(capable);
  capable.SetOption("ExtendedMicroSteps", "1");
  AddRegister(capable, "KPTHT");
  CVX_DriveCapabilities caps;
  caps.sensorInputs.push_back({"Feedback #1", {1, 3}, {}, false});
  capable.SetCapabilities(caps);
  UpdateParameterLimits(capable);
  EXPECT_EQ(capable.FindParameter("NoMicroStepsPerStep")->GetMaximum(), 512);
  EXPECT_EQ(capable.FindParameter("MAX_CURRENT")->GetMaximum(), 2);
  EXPECT_EQ(capable.FindParameter("SSI_Offset")->GetMaximum(), 4096);
}

TEST(CapabilityProbes, TrueOnlyWhenTheFirmwareHasEveryPart) {
  struct Probe {
    ProbeFn probe;
    std::vector<const char*> parts;
  };
  const Probe probes[] = {
      {HasDriveWarningLimits, {"II2TWARLIM_D", "I2TWARLIM_M"}},
      {HasSpeedFeedForward, {"KFFS_scl", "KFFS", "SFTSFFW"}},
      {HasSoftwareLimitSwitches, {"isSWLS"}},
      {HasSpeedEstimator, {"isSpeedEstimator"}},
      {HasCanIdentification, {"save_CAN_baudrate", "save_axis_id"}},
      {HasBrake, {"BRAKECFG", "isMotorBrake"}},
      {HasFreezeControl, {"POSOKLIM_FC", "TONPOSOK_FC"}},
      {HasEncoderFilter, {"isFilterEnc_MT", "FilterEncValue_MT"}},
      {HasLongResolutions, {"ENCRESLONG", "STEPRESLONG"}},
  };
  for (const Probe& p : probes) {
    for (size_t left_out = 0; left_out < p.parts.size(); ++left_out) {
      CVX_Setup setup;
      for (size_t i = 0; i < p.parts.size(); ++i)
        if (i != left_out) AddParameter(setup, p.parts[i]);
      EXPECT_FALSE(p.probe(setup)) << p.parts[0] << " without " << p.parts[left_out];
    }
    CVX_Setup setup;
    for (const char* part : p.parts) AddParameter(setup, part);
    EXPECT_TRUE(p.probe(setup)) << p.parts[0];
  }

  CVX_Setup analogue;
  AddRegister(analogue, "CADIN");
  EXPECT_FALSE(HasAnalogueReference(analogue));
  analogue.AddVariable("CADIN", 1);
  EXPECT_TRUE(HasAnalogueReference(analogue));

  CVX_Setup serial;
  CVX_DriveCapabilities caps;
  caps.sensorInputs.push_back({"Feedback #1", {1, 2}, {4}, false});
  serial.SetCapabilities(caps);
  EXPECT_FALSE(HasSerialMotorSensor(serial));
  EXPECT_TRUE(HasSerialLoadSensor(serial));
}

int g_runs = 0;
int CountRun(CVX_Setup&) { return ++g_runs, 1; }
int Fail(CVX_Setup&) { return 0; }
bool Never(CVX_Setup&) { return false; }

TEST(Sequences, FailedStepsDoNotStopTheSequenceAndProbesSkipTheirStep) {
  g_runs = 0;
  const SequenceStep steps[] = {{Fail}, {CountRun}, {CountRun, Never}, {Fail}, {CountRun}};
  CVX_Setup setup;
  RunSequence(setup, steps);
  EXPECT_EQ(g_runs, 2);
}

}  // namespace
}  // namespace engine
