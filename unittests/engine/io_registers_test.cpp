#include "engine/io_registers.h"

#include <cmath>
#include <gtest/gtest.h>

#include "reference_registers_test_setup.h"
#include "unittests/support/example_setups.h"

namespace reftest {
namespace {

using namespace engine;

TEST(AxisIdentifier, EveryIdentifierRoundTripsAndZeroMeansTheHardwarePins) {
  CVX_Setup setup;
  AddUser(setup, "Axis_ID_list", 0);
  AddRegister(setup, "AAR_table", 99);
  for (int id = 0; id <= 511; ++id) {
    setup.FindParameter("Axis_ID_list")->InitInternal(id);
    ASSERT_EQ(ComputeAAR_table(setup), 1);
    EXPECT_EQ(Internal(setup, "AAR_table"), id == 0 ? 0 : id + 256);
    ASSERT_EQ(RecoverAxis_ID_list(setup), 1);
    EXPECT_EQ(Base(setup, "Axis_ID_list"), id);
  }
  EXPECT_EQ(setup.FindParameter("Axis_ID_list")->GetMaximum(), 511);

  // A fraction takes the identifier the table will hold, so 0.3 is the
  // hardware's (the table's 256 would read back as 0 and change again).
  for (double id : {0.3, 0.5, 2.4}) {
    setup.FindParameter("Axis_ID_list")->InitInternal(id);
    ComputeAAR_table(setup);
    RecoverAxis_ID_list(setup);
    const double table = Internal(setup, "AAR_table");
    EXPECT_EQ(table, id < 0.5 ? 0 : std::round(id) + 256) << id;
    ComputeAAR_table(setup);
    EXPECT_EQ(Internal(setup, "AAR_table"), table) << id;
  }
}

TEST(StartAlignment, UpgradeBitNineChoosesHundredthsOfASecond) {
  testsupport::ScopedEngineUnitScales scales;
  struct Case {
    double upgrade, count, recovered_s, max_s;
  };
  for (const Case& c : {Case{0x200, 50, 0.5, 655.35}, Case{0, 32768, 32768 / 65535.0, 1}}) {
    CVX_Setup setup;
    AddTiming(setup);
    AddRegister(setup, "UPGRADE", c.upgrade);
    AddUser(setup, "time_AB", 0, "s");
    AddRegister(setup, "T1ONA");
    AddRegister(setup, "T1ONB");
    setup.SetParameterValueInBaseUnit("time_AB", 0.5);
    ASSERT_EQ(ComputeT1ONA(setup) & ComputeT1ONB(setup), 1);
    EXPECT_EQ(Internal(setup, "T1ONA"), c.count);
    EXPECT_EQ(Internal(setup, "T1ONB"), c.count);
    ASSERT_EQ(RecoverTime_AB(setup), 1);
    EXPECT_NEAR(Base(setup, "time_AB"), c.recovered_s, 1e-12);
    EXPECT_DOUBLE_EQ(setup.FindParameter("time_AB")->GetMinimum(), 0.01);
    EXPECT_DOUBLE_EQ(setup.FindParameter("time_AB")->GetMaximum(), c.max_s);
  }
}

TEST(PhaseAdvance, CorrectionFallsWithSpeedAndIsCappedAtOneSpeedUnit) {
  struct Case {
    double speed, correction, recovered;
  };
  for (const Case& c : {Case{0, 0, 0}, Case{-5, 0, 0}, Case{1e-3, 16384, 1}, Case{99.9024390243902, 164, 16384 / 164.0},
                        Case{2048, 8, 2048}}) {
    CVX_Setup setup;
    AddUser(setup, "PhaseAdvance_speed", c.speed);
    AddRegister(setup, "THT_CORRECTION", 77);
    ASSERT_EQ(ComputeTHT_CORRECTION(setup), 1);
    EXPECT_EQ(Internal(setup, "THT_CORRECTION"), c.correction) << c.speed;
    ASSERT_EQ(RecoverPhaseAdvance_speed(setup), 1);
    EXPECT_DOUBLE_EQ(Internal(setup, "PhaseAdvance_speed"), c.recovered) << c.speed;
    ASSERT_EQ(ComputeTHT_CORRECTION(setup), 1);
    EXPECT_EQ(Internal(setup, "THT_CORRECTION"), c.correction) << c.speed;
  }
}

void AddBoost(CVX_Setup& setup, double motorType, double scr) {
  AddTiming(setup);
  AddUser(setup, "In", 9166.08, "A");  // 2.8 A
  AddUser(setup, "InPS", 16368, "A");  // 5 A
  testsupport::AddParameters(setup, {{"R", 0.9}, {"Vdc", 48}, {"StepperMotorType", motorType}});
  AddRegister(setup, "SCR", scr);
  AddRegister(setup, "BOOST");
}

TEST(Boost, PhaseDropAtTheSmallerRatedCurrentInMotorVoltageCounts) {
  testsupport::ScopedEngineUnitScales scales;
  CVX_Setup biphase;
  AddBoost(biphase, 0, 0x413F);
  ASSERT_EQ(ComputeBOOST(biphase), 1);
  EXPECT_EQ(Internal(biphase, "BOOST"), 1720);  // 32767 / 48 V * 2.8 A * 0.9 Ohm

  // A three-phase motor reads the connection; delta drops over R / 3.
  CVX_Setup triphase;
  AddBoost(triphase, 1, 0x513F);
  EXPECT_EQ(ComputeBOOST(triphase), 0);
  AddUser(triphase, "MotorPhaseConnectionType", 0);
  ASSERT_EQ(ComputeBOOST(triphase), 1);
  EXPECT_EQ(Internal(triphase, "BOOST"), std::round(65534 / (1.1 * 48) * 2.8 * 0.9));
  triphase.FindParameter("MotorPhaseConnectionType")->InitInternal(1);
  ASSERT_EQ(ComputeBOOST(triphase), 1);
  EXPECT_EQ(Internal(triphase, "BOOST"), std::round(65534 / (1.1 * 48) * 2.8 * 0.3));
}

void AddStepCurrents(CVX_Setup& setup) {
  AddTiming(setup);
  AddUser(setup, "In", 9166.08, "A");  // 2.8 A
  AddUser(setup, "InPS", 16368, "A");  // 5 A
  for (const char* name : {"RunCurrent", "StandByCurrent"}) AddUser(setup, name, 0, "A");
  AddUser(setup, "StandByCurrentTime", 0, "s");
  for (const char* name : {"IDRSTEP", "SBYCRT", "TIMESBC"}) AddRegister(setup, name);
}

TEST(StepCurrents, CountsRoundTripWithinTheRatedAndRunCurrents) {
  testsupport::ScopedEngineUnitScales scales;
  CVX_Setup setup;
  AddStepCurrents(setup);
  setup.FindParameter("IDRSTEP")->InitInternal(8184);  // 2.5 A at 3273.6 counts per ampere
  setup.SetParameterValueInBaseUnit("StandByCurrent", 1.25);
  setup.SetParameterValueInBaseUnit("StandByCurrentTime", 1);
  ASSERT_EQ(ComputeSBYCRT(setup) & ComputeTIMESBC(setup), 1);
  EXPECT_EQ(Internal(setup, "SBYCRT"), 4092);
  EXPECT_EQ(Internal(setup, "TIMESBC"), 1250);
  ASSERT_EQ(RecoverRunCurrent(setup) & RecoverStandByCurrent(setup) & RecoverStandByCurrentTime(setup), 1);
  EXPECT_DOUBLE_EQ(Internal(setup, "RunCurrent"), 8184);
  EXPECT_DOUBLE_EQ(Internal(setup, "StandByCurrent"), 4092);
  EXPECT_NEAR(Base(setup, "StandByCurrentTime"), 1, 1e-12);
  EXPECT_DOUBLE_EQ(setup.FindParameter("RunCurrent")->GetMaximum(), 2.8);
  EXPECT_DOUBLE_EQ(setup.FindParameter("StandByCurrent")->GetMaximum(), Base(setup, "RunCurrent"));
  EXPECT_DOUBLE_EQ(setup.FindParameter("StandByCurrentTime")->GetMaximum(), 32767 * kSlowLoop_s);

  // A stand-by current above the run current is cut to it.
  setup.FindParameter("SBYCRT")->InitInternal(9000);
  ASSERT_EQ(RecoverStandByCurrent(setup), 1);
  EXPECT_NEAR(Internal(setup, "StandByCurrent"), 8184, 1e-9);
}

TEST(BrakeDelays, CountSlowLoopSamples) {
  testsupport::ScopedEngineUnitScales scales;
  CVX_Setup setup;
  AddTiming(setup);
  AddUser(setup, "MotorBrake_applytime", 0, "s");
  AddUser(setup, "MotorBrake_releasetime", 0, "s");
  AddRegister(setup, "BRAKEAPPLYDELAY");
  AddRegister(setup, "BRAKERELEASEDELAY");
  setup.SetParameterValueInBaseUnit("MotorBrake_applytime", 0.05);
  setup.SetParameterValueInBaseUnit("MotorBrake_releasetime", 0.1);
  ASSERT_EQ(ComputeBRAKEAPPLYDELAY(setup) & ComputeBRAKERELEASEDELAY(setup), 1);
  EXPECT_EQ(Internal(setup, "BRAKEAPPLYDELAY"), 63);  // 62.5 samples
  EXPECT_EQ(Internal(setup, "BRAKERELEASEDELAY"), 125);
  ASSERT_EQ(RecoverMotorBrake_applytime(setup) & RecoverMotorBrake_releasetime(setup), 1);
  EXPECT_NEAR(Base(setup, "MotorBrake_applytime"), 63 * kSlowLoop_s, 1e-15);
  EXPECT_DOUBLE_EQ(setup.FindParameter("MotorBrake_releasetime")->GetMaximum(), 65535 * kSlowLoop_s);
}

}  // namespace
}  // namespace reftest
