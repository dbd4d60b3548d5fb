#include "engine/load_units.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "kernel/errors.h"
#include "kernel/setup.h"
#include "unittests/support/kernel_errors.h"

namespace engine {
namespace {

void AddUnits(CVX_Setup& setup) {
  for (const char* family : {"rad", "rad/s", "rad/s^2", "rad/s^3", "m", "m/s", "m/s^2", "m/s^3"})
    setup.AddUnitFamily(family);
  setup.MergeDerivedUnit("rot", "rad", 1 / 6.283185307179586, 0);
  setup.MergeDerivedUnit("rpm", "rad/s", 60 / 6.283185307179586, 0);
  setup.MergeDerivedUnit("mm", "m", 1000, 0);
}

const char* const kParameters[] = {"Load_transmission", "TestSpeed",   "Limit_Speed",  "TestPosition",
                                   "ERR_position",      "ERR_speed",   "ErefMaxSpeed", "ErefMaxAcceleration",
                                   "POS_max",           "SPD_min",     "Negative_SWLS", "PhaseAdvance_speed"};
const char* const kVariables[] = {"APOS", "CSPD", "CACC", "JERK", "ERRMAX", "ERRMAXL", "POSTRIGG4"};

void Build(CVX_Setup& setup, double transmissionType) {
  AddUnits(setup);
  setup.AddParameter("TransmissionType")->InitInternal(transmissionType);
  for (const char* name : kParameters) setup.AddParameter(name)->InitUnit("rad", "rad");
  for (const char* name : kVariables) setup.AddVariable(name, 1)->InitUnit("rad", "rad");
}

std::string ParameterUnit(CVX_Setup& setup, const char* name) { return setup.FindParameter(name)->GetUnitName(); }
std::string VariableUnit(CVX_Setup& setup, const char* name) { return setup.FindVariable(name, 1)->GetUnitName(); }

TEST(LoadUnits, RotaryLoadShowsRotationsAndRpm) {
  CVX_Setup setup;
  Build(setup, 0);
  setup.AddParameter("isSWLS");
  setup.AddParameter("THT_CORRECTION");
  UpdateLoadUnits(setup);
  EXPECT_EQ(ParameterUnit(setup, "Load_transmission"), "rot");
  EXPECT_EQ(ParameterUnit(setup, "TestPosition"), "rot");
  EXPECT_EQ(ParameterUnit(setup, "TestSpeed"), "rpm");
  EXPECT_EQ(ParameterUnit(setup, "ErefMaxSpeed"), "rpm");
  EXPECT_EQ(ParameterUnit(setup, "Limit_Speed"), "rad/s");
  EXPECT_EQ(ParameterUnit(setup, "ERR_speed"), "rad/s");
  EXPECT_EQ(ParameterUnit(setup, "ErefMaxAcceleration"), "rad/s^2");
  EXPECT_EQ(ParameterUnit(setup, "Negative_SWLS"), "rot");
  EXPECT_EQ(ParameterUnit(setup, "PhaseAdvance_speed"), "rpm");
  EXPECT_EQ(VariableUnit(setup, "APOS"), "rot");
  EXPECT_EQ(VariableUnit(setup, "POSTRIGG4"), "rot");
  EXPECT_EQ(VariableUnit(setup, "CSPD"), "rpm");
  EXPECT_EQ(VariableUnit(setup, "CACC"), "rad/s^2");
  EXPECT_EQ(VariableUnit(setup, "JERK"), "rad/s^3");
}

TEST(LoadUnits, LinearLoadShowsMillimetresAndMetresPerSecond) {
  CVX_Setup setup;
  Build(setup, 1);
  setup.AddParameter("ERRMAXL");
  UpdateLoadUnits(setup);
  EXPECT_EQ(ParameterUnit(setup, "Load_transmission"), "mm");
  EXPECT_EQ(ParameterUnit(setup, "ERR_position"), "mm");
  EXPECT_EQ(ParameterUnit(setup, "TestSpeed"), "m/s");
  EXPECT_EQ(ParameterUnit(setup, "Limit_Speed"), "m/s");
  EXPECT_EQ(ParameterUnit(setup, "ErefMaxAcceleration"), "m/s^2");
  EXPECT_EQ(VariableUnit(setup, "ERRMAX"), "mm");
  EXPECT_EQ(VariableUnit(setup, "ERRMAXL"), "mm");
  EXPECT_EQ(VariableUnit(setup, "CSPD"), "m/s");
  EXPECT_EQ(VariableUnit(setup, "JERK"), "m/s^3");
}

TEST(LoadUnits, FeaturesTheFirmwareLacksKeepTheirUnits) {
  CVX_Setup setup;
  Build(setup, 1);
  setup.AddParameter("CADIN");  // without the drive variable: no analogue input
  UpdateLoadUnits(setup);
  for (const char* name : {"POS_max", "SPD_min", "Negative_SWLS", "PhaseAdvance_speed"})
    EXPECT_EQ(ParameterUnit(setup, name), "rad") << name;
  EXPECT_EQ(VariableUnit(setup, "ERRMAXL"), "rad");

  setup.AddVariable("CADIN", 1);
  UpdateLoadUnits(setup);
  EXPECT_EQ(ParameterUnit(setup, "POS_max"), "mm");
  EXPECT_EQ(ParameterUnit(setup, "SPD_min"), "m/s");
}

TEST(LoadUnits, QuietWithoutTransmissionTypeOrAUnitTheSetupLacks) {
  const testsupport::ErrorCapture shown;
  CVX_Setup untyped;
  AddUnits(untyped);
  untyped.AddParameter("TestPosition")->InitUnit("rad", "rad");
  UpdateLoadUnits(untyped);
  EXPECT_EQ(ParameterUnit(untyped, "TestPosition"), "rad");

  CVX_Setup noUnits;
  noUnits.AddParameter("TransmissionType");
  noUnits.AddParameter("TestPosition");
  UpdateLoadUnits(noUnits);
  EXPECT_TRUE(shown.errors.empty()) << shown.errors.front();
}

}  // namespace
}  // namespace engine
