// The bundled example setups through the program, as a person would run it:
// round trips that settle after one pass, and a scale factor for every unit.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "host_test_support.h"
#include "kernel/setup_file.h"
#include "kernel/value_type.h"
#include "unittests/support/example_setups.h"

namespace {

using host_test::RunInProcess;
using Json = nlohmann::json;

using testsupport::ExamplePath;

std::unique_ptr<CVX_Setup> Load(const std::string& path) {
  auto result = kernel::LoadSetupFile(path);
  EXPECT_TRUE(result.ok()) << result.ErrorText();
  return std::move(result.setup);
}

// Registers must agree exactly; a user value may move by a rounding step of
// its encoding's arithmetic, never by a count.
bool SameStoredValue(const CVX_Parameter& a, const CVX_Parameter& b) {
  const double x = a.GetValueInInternalUnit();
  const double y = b.GetValueInInternalUnit();
  if (kernel::IsIntegerType(a.GetValueType())) return x == y;
  return std::fabs(x - y) <= 1e-12 * std::max(1.0, std::fabs(x));
}

// Values read here in base units convert as the program converts them.
class ExampleSetup : public ::testing::TestWithParam<const char*> {
 protected:
  testsupport::ScopedEngineUnitScales scales;
  host_test::TempDir dir;
};

TEST_P(ExampleSetup, ASecondRoundTripChangesNothing) {
  const std::string first = dir.File("first.json");
  const std::string second = dir.File("second.json");
  ASSERT_EQ(RunInProcess({"--setup", ExamplePath(GetParam()), "roundtrip", "--out", first}).status, 0);
  ASSERT_EQ(RunInProcess({"--setup", first, "roundtrip", "--out", second}).status, 0);
  const auto a = Load(first);
  const auto b = Load(second);
  ASSERT_TRUE(a && b);
  ASSERT_EQ(a->GetParametersCount(), b->GetParametersCount());
  for (int i = 0; i < a->GetParametersCount(); ++i) {
    const CVX_Parameter& p = *a->GetParameters()[i];
    const CVX_Parameter& q = *b->GetParameters()[i];
    EXPECT_TRUE(SameStoredValue(p, q)) << p.GetName() << ": " << p.GetValueInInternalUnit() << " then "
                                       << q.GetValueInInternalUnit();
    EXPECT_EQ(p.GetMinimum(), q.GetMinimum()) << p.GetName();
    EXPECT_EQ(p.GetMaximum(), q.GetMaximum()) << p.GetName();
  }
}

TEST_P(ExampleSetup, TheOptionsUpdateWritesNoRegister) {
  const std::string out = dir.File("options.json");
  ASSERT_EQ(RunInProcess({"--setup", ExamplePath(GetParam()), "options", "--out", out}).status, 0);
  const auto before = Load(ExamplePath(GetParam()));
  const auto after = Load(out);
  ASSERT_TRUE(before && after);
  for (const CVX_Parameter* p : before->GetParameters()) {
    if (!kernel::IsIntegerType(p->GetValueType())) continue;
    EXPECT_EQ(p->GetValueInInternalUnit(), after->FindParameter(p->GetName())->GetValueInInternalUnit())
        << p->GetName();
  }
}

Json Scale(const std::string& example, const std::string& unit, const std::string& parameter) {
  const auto r = RunInProcess({"--setup", ExamplePath(example), "scale", unit, parameter, "--json"});
  EXPECT_EQ(r.status, 0) << r.err;
  return r.status == 0 ? Json::parse(r.out) : Json{{"factor", NAN}, {"offset", NAN}};
}

// One query per row of the unit table (unit, a parameter that selects the
// row); every factor of a complete example setup is finite and non-zero.
TEST_P(ExampleSetup, EveryUnitRowGivesAUsableFactor) {
  const std::pair<const char*, const char*> rows[] = {
      {"V ", "Vdc"},           {"V", "AnalogueInputsRange"}, {"V", "AD5"},          {"V", "UOFFSET"},
      {"A", "RunCurrent"},     {"s", "Ts_C"},                {"s", "t_I2t_M"},      {"rad", "APOS_MT"},
      {"rad", "APOS"},         {"rad", "THTST"},             {"rad", "ERR_position"}, {"rad", "CPOS"},
      {"m", "APOS_LD"},        {"m", "TestPosition"},        {"m", "CPOS"},         {"rad/s", "ASPD"},
      {"rad/s", "SPDREF"},     {"rad/s", "Limit_Speed"},     {"rad/s", "ASPD_LD"},  {"rad/s", "TestSpeed"},
      {"rad/s", "CSPD"},       {"m/s", "PhaseAdvance_speed"}, {"m/s", "ASPD_LD"},   {"m/s", "Limit_Speed"},
      {"m/s", "TestSpeed"},    {"m/s", "CSPD"},              {"rad/s^2", "ACC_LIMIT"}, {"m/s^2", "CACC"},
      {"rad/s^3", "JERK"},     {"m/s^3", "JERK"},            {"°C", "T2MAXPROT"},   {"V/s", "UOFFSET"},
      {"A/s", "IREF"},
  };
  for (const auto& [unit, parameter] : rows) {
    const double factor = Scale(GetParam(), unit, parameter)["factor"];
    EXPECT_TRUE(std::isfinite(factor) && factor != 0.0) << '"' << unit << "\" " << parameter << ": " << factor;
  }
}

// Relations a reader can check against the drive description by hand.
TEST_P(ExampleSetup, FactorsFollowTheDriveDescription) {
  const auto setup = Load(ExamplePath(GetParam()));
  ASSERT_TRUE(setup);
  const double adcMax = setup->GetIdentity().adcMaxValue;
  const double imaxPS = setup->GetParameterValueInInternalUnit("ImaxPS");
  EXPECT_DOUBLE_EQ(Scale(GetParam(), "A", "IQ")["factor"], 2 * imaxPS / adcMax);
  const double tsC = setup->GetParameterValueInBaseUnit("Ts_C");
  EXPECT_NEAR(Scale(GetParam(), "s", "Ts_C")["factor"], tsC, 1e-15);
  const double tsS = setup->GetParameterValueInBaseUnit("Ts_S");
  EXPECT_NEAR(Scale(GetParam(), "s", "TONPOSOK")["factor"], tsS, 1e-15);
  EXPECT_NE(Scale(GetParam(), "V ", "Vdc")["factor"], Scale(GetParam(), "V", "Vdc")["factor"]);
  // A drive temperature reading equal to the sensor's output at 0 °C shows 0 °C.
  const Json celsius = Scale(GetParam(), "°C", "T2MAXPROT");
  const double atZero = adcMax * setup->GetParameterValueInInternalUnit("DriveTempOutputAt0oC") /
                        setup->GetParameterValueInInternalUnit("ADCrange");
  EXPECT_NEAR((atZero + celsius["offset"].get<double>()) * celsius["factor"].get<double>(), 0.0, 1e-9);
  // Units the plug-in does not scale.
  const Json rpm = Scale(GetParam(), "rpm", "TestSpeed");
  EXPECT_EQ(rpm["factor"], 1.0);
  EXPECT_EQ(rpm["offset"], 0.0);
  EXPECT_EQ(Scale(GetParam(), "A", "IQ")["offset"], 0.0);
}

// The speed limit follows the step rate in open loop and the encoder's speed
// scale in closed loop; the two examples of each kind must differ in kind.
TEST_P(ExampleSetup, SpeedLimitFactorFollowsTheControlType) {
  const auto setup = Load(ExamplePath(GetParam()));
  ASSERT_TRUE(setup);
  const bool openLoop = setup->GetParameterValueInInternalUnit("StepperControlType") == 0;
  const double limit = Scale(GetParam(), "rad/s", "Limit_Speed")["factor"];
  const double other = Scale(GetParam(), "rad/s", "SPD_max")["factor"];
  if (openLoop) {
    const double steps = setup->GetParameterValueInInternalUnit("NoMotorSteps");
    const double micro = setup->GetParameterValueInInternalUnit("NoMicroStepsPerStep");
    const double ts = setup->GetParameterValueInBaseUnit("Ts_S");
    EXPECT_NEAR(limit, 2 * M_PI / (steps * micro * ts), 1e-9 * limit);
  } else {
    EXPECT_DOUBLE_EQ(limit, other) << "closed loop: both are 1 / |speed scale|";
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleSetup, ::testing::ValuesIn(testsupport::kExampleNames));

}  // namespace
