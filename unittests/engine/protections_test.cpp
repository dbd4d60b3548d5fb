#include "engine/protections.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "protections_test_setup.h"
#include "unittests/support/example_setups.h"

namespace protectiontest {
namespace {

using namespace engine;

// ----- supply voltage -----

TEST_F(ProtectionTest, SupplyMaximumIsTruncatedAndMinimumLeftToTheRegister) {
  SetBase(setup_, "UMAX_PROT", 1234.9 / kVoltageScale);
  SetBase(setup_, "UMIN_PROT", 1234.6 / kVoltageScale);
  EXPECT_EQ(ComputeUMAXPROT(setup_), 1);
  EXPECT_EQ(ComputeUMINPROT(setup_), 1);
  EXPECT_EQ(InternalOf(setup_, "UMAXPROT"), 1234);
  EXPECT_EQ(InternalOf(setup_, "UMINPROT"), 1235);
}

TEST_F(ProtectionTest, SupplyMaximumKeepsEveryCountOverItsRoundTrip) {
  // Truncating the recovered voltage times the scale loses a count wherever
  // the product lands a rounding error below the count.
  const double first = std::ceil(1.0 * kVoltageScale);
  for (double count = first; count <= 65535; ++count) {
    SetInternal(setup_, "UMAXPROT", count);
    ASSERT_EQ(RecoverUMAX_PROT(setup_), 1);
    ASSERT_EQ(ComputeUMAXPROT(setup_), 1);
    ASSERT_EQ(InternalOf(setup_, "UMAXPROT"), count);
  }
}

TEST_F(ProtectionTest, SupplyVoltagesRecoverWithin1To2000V) {
  SetInternal(setup_, "UMINPROT", 11785);
  EXPECT_EQ(RecoverUMIN_PROT(setup_), 1);
  EXPECT_NEAR(BaseOf(setup_, "UMIN_PROT"), 11785 / kVoltageScale, 1e-9);
  const CVX_Parameter* umin = setup_.FindParameter("UMIN_PROT");
  EXPECT_EQ(umin->GetMinimum(), 1);
  EXPECT_EQ(umin->GetMaximum(), 2000);
  SetInternal(setup_, "UMAXPROT", 0);
  EXPECT_EQ(RecoverUMAX_PROT(setup_), 1);
  EXPECT_NEAR(BaseOf(setup_, "UMAX_PROT"), 1, 1e-9);
}

// ----- temperature -----

TEST_F(ProtectionTest, DriveTemperatureTripIsTheSensorCountAtThatTemperature) {
  EXPECT_EQ(ComputeT2MAXPROT(setup_), 1);
  EXPECT_EQ(InternalOf(setup_, "T2MAXPROT"), 26784);  // 65472 * (0.5 + 0.01 * 85) / 3.3
  SetInternal(setup_, "T2MAXPROT", 26000);
  EXPECT_EQ(RecoverTemp_2(setup_), 1);
  EXPECT_NEAR(BaseOf(setup_, "Temp_2"), (3.3 * 26000 / kAdcMax - 0.5) / 0.01, 1e-9);
  // The degrees shown are the register's count in the unit of degrees.
  EXPECT_NEAR(InternalOf(setup_, "Temp_2"), 26000, 1e-6);
  EXPECT_EQ(setup_.FindParameter("Temp_2")->GetMinimum(), -100);
  EXPECT_EQ(setup_.FindParameter("Temp_2")->GetMaximum(), 1000);
}

TEST_F(ProtectionTest, MotorSensorTypeIsOneOnlyForType1) {
  for (auto [type, code] : {std::pair{0.0, 0.0}, {1.0, 1.0}, {2.0, 0.0}, {0.5, 0.0}}) {
    SetInternal(setup_, "Motor_TempSensor_Type", type);
    EXPECT_EQ(ComputeMTSTYPE(setup_), 1);
    EXPECT_EQ(InternalOf(setup_, "MTSTYPE"), code) << type;
  }
  SetInternal(setup_, "MTSTYPE", 1);
  EXPECT_EQ(RecoverMotor_TempSensor_Type(setup_), 1);
  EXPECT_EQ(BaseOf(setup_, "Motor_TempSensor_Type"), 1);
  // A code the dialog does not offer shows as its nearest choice.
  SetInternal(setup_, "MTSTYPE", 3);
  EXPECT_EQ(RecoverMotor_TempSensor_Type(setup_), 1);
  EXPECT_EQ(BaseOf(setup_, "Motor_TempSensor_Type"), 1);
}

// ----- over-current -----

TEST_F(ProtectionTest, OverCurrentInCountsAndSamples) {
  EXPECT_EQ(ComputeIMAXPROT(setup_), 1);
  EXPECT_EQ(ComputeTIMAXPROT(setup_), 1);
  EXPECT_EQ(InternalOf(setup_, "IMAXPROT"), 14404);  // 4.4 A * 3273.6
  EXPECT_EQ(InternalOf(setup_, "TIMAXPROT"), 20);    // 10 ms / 0.5 ms
  EXPECT_EQ(RecoverImax_Prot(setup_), 1);
  EXPECT_EQ(RecoverTime_Imax_Prot(setup_), 1);
  EXPECT_NEAR(BaseOf(setup_, "Imax_Prot"), 14404 / kCurrentScale, 1e-9);
  EXPECT_EQ(setup_.FindParameter("Imax_Prot")->GetMaximum(), 4.5);  // the motor's, below the drive's 10 A
  EXPECT_NEAR(BaseOf(setup_, "time_Imax_Prot"), 0.01, 1e-12);
  EXPECT_NEAR(setup_.FindParameter("time_Imax_Prot")->GetMaximum(), 32767 * kTs, 1e-12);
}

// ----- guards -----

// Each case breaks one input; every function listed must return 0 and leave
// the whole setup as it was, limits included.
struct Guard {
  const char* what;
  std::function<void(CVX_Setup&)> breakIt;
  std::vector<Step> steps;
};

TEST_F(ProtectionTest, UnusableInputsWriteNothing) {
  auto zero = [](const char* name) { return [name](CVX_Setup& s) { SetInternal(s, name, 0); }; };
  const std::vector<Guard> guards = {
      {"no converter full scale", [](CVX_Setup& s) { s.SetIdentity({}); },
       {ComputeT2MAXPROT, RecoverTemp_2, ComputeUMAXPROT, ComputeUMINPROT, RecoverUMAX_PROT, RecoverUMIN_PROT,
        ComputeIMAXPROT, RecoverImax_Prot, ComputeII2TPROT_D, ComputeI2TINTLIM_D, ComputeII2TWARLIM_D,
        RecoverI_I2t_D, ComputeII2TPROT_M, ComputeI2TINTLIM_M, ComputeI2TWARLIM_M, RecoverI_I2t_M}},
      {"zero measurable supply", zero("VdcMaxMeasurable"),
       {ComputeUMAXPROT, ComputeUMINPROT, RecoverUMAX_PROT, RecoverUMIN_PROT}},
      {"zero peak current", zero("ImaxPS"),
       {ComputeIMAXPROT, RecoverImax_Prot, ComputeII2TPROT_D, ComputeI2TINTLIM_D, RecoverI_I2t_D, ComputeII2TPROT_M,
        ComputeI2TINTLIM_M, RecoverI_I2t_M}},
      {"zero converter range", zero("ADCrange"), {ComputeT2MAXPROT}},
      {"zero sensor gain", zero("DriveTempSensorGain"), {ComputeT2MAXPROT, RecoverTemp_2}},
      {"zero slow-loop divider", zero("SLPER"),
       {ComputeTIMAXPROT, RecoverTime_Imax_Prot, ComputeSFI2T_D, RecoverT_I2t_D, ComputeSFI2T_M, RecoverT_I2t_M,
        ComputeTERRMAX, RecoverTime_ERR_pos, ComputeTSERRMAX, RecoverTime_ERR_spd, RecoverTonPosOkUser,
        ComputeSERRMAX, RecoverERR_speed}},
      {"zero drive trip time", zero("t_I2t_D"), {ComputeSFI2T_D, ComputeII2TWARLIM_D}},
      {"zero motor trip time", zero("t_I2t_M"), {ComputeSFI2T_M, ComputeI2TWARLIM_M}},
      {"zero I2t scales", [](CVX_Setup& s) {
         SetInternal(s, "SFI2T_D", 0);
         SetInternal(s, "SFI2T_M", 0);
       },
       {RecoverT_I2t_D, RecoverT_I2t_M}},
      {"integral limit below minus the rated current squared",
       [](CVX_Setup& s) {
         SetInternal(s, "I2TINTLIM_D", -2e7);
         SetInternal(s, "I2TINTLIM_M", -2e7);
       },
       {RecoverI_I2t_D, RecoverI_I2t_M}},
      {"no encoder resolution", zero("MECRESL"),
       {ComputeERRMAX, ComputeERRMAXL, RecoverERR_position, ComputeSERRMAX, RecoverERR_speed}},
  };
  for (const Guard& guard : guards) {
    CVX_Setup setup = ProtectedDrive();
    guard.breakIt(setup);
    const auto before = Snapshot(setup);
    for (size_t i = 0; i < guard.steps.size(); ++i) EXPECT_EQ(guard.steps[i](setup), 0) << guard.what << ", step " << i;
    EXPECT_EQ(Changes(before, Snapshot(setup)), "") << guard.what;
  }
}

TEST(ProtectionMissing, AMissingParameterWritesNothing) {
  testsupport::ScopedEngineUnitScales scales;
  for (Step step : kComputeSteps) {
    CVX_Setup empty;
    EXPECT_EQ(step(empty), 0);
  }
  for (Step step : kRecoverSteps) {
    CVX_Setup empty;
    EXPECT_EQ(step(empty), 0);
  }
}

}  // namespace
}  // namespace protectiontest
