#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "kernel/setup.h"
#include "scale_fixture.h"
#include "unittests/support/kernel_errors.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

CVX_Parameter* AddTime(CVX_Setup& setup, const char* name, double ticks) {
  CVX_Parameter* p = setup.AddParameter(name);
  p->InitUnit("s", "");
  p->InitInternal(ticks);
  return p;
}

// The slow-loop period that the test's scale function gives to "s".
double g_slowPeriod = 0.001;

ScaleHook TimeScale() {
  return ScaleHook([](CVX_Setup*, const std::string& unit, const std::string&) {
    return unit == "s" ? g_slowPeriod : 1.0;
  });
}

TEST(ParameterValue, BaseFollowsTheFactorWhileTheTickCountStays) {
  CVX_Setup setup;
  setup.AddUnitFamily("s");
  CVX_Parameter* t = AddTime(setup, "time_ERR_pos", 10);
  g_slowPeriod = 0.001;
  auto hook = TimeScale();
  EXPECT_DOUBLE_EQ(t->GetValueInBaseUnit(), 0.010);
  g_slowPeriod = 0.002;
  EXPECT_DOUBLE_EQ(t->GetValueInInternalUnit(), 10);
  EXPECT_DOUBLE_EQ(t->GetValueInBaseUnit(), 0.020);
}

TEST(ParameterValue, WritingABaseValueConvertsWithThePresentFactor) {
  CVX_Setup setup;
  setup.AddUnitFamily("s");
  CVX_Parameter* t = AddTime(setup, "t_I2t_D", 0);
  g_slowPeriod = 0.0008;
  auto hook = TimeScale();
  ASSERT_EQ(t->SetValueInBaseUnit(0.010), 1);
  EXPECT_DOUBLE_EQ(t->GetValueInInternalUnit(), 12.5);
}

TEST(ParameterValue, OffsetAppliesBeforeTheFactor) {
  CVX_Setup setup;
  setup.AddUnitFamily("°C");
  CVX_Parameter* p = setup.AddParameter("T2MAXPROT");
  p->InitUnit("°C", "");
  ScaleHook hook([](CVX_Setup*, const std::string&, const std::string&) { return 0.5; }, {{"°C", -100.0}});
  ASSERT_EQ(p->SetValueInBaseUnit(0.0), 1);
  EXPECT_DOUBLE_EQ(p->GetValueInInternalUnit(), 100.0);
  EXPECT_DOUBLE_EQ(p->GetValueInBaseUnit(), 0.0);
}

TEST(ParameterValue, IntegerRegistersRoundToNearestAndStayInRange) {
  CVX_Setup setup;
  CVX_Parameter* kpi = setup.AddParameter("KPI");
  kpi->InitType(kernel::ValueType::kInt16);
  struct Case {
    double written, kept;
  } cases[] = {{24575.25, 24575}, {16383.5, 16384}, {-0.5, -1}, {32767.4, 32767}, {32768, 32767},
               {-40000, -32768}, {1e300, 32767}};
  for (const Case& c : cases) {
    ASSERT_EQ(kpi->SetValueInBaseUnit(c.written), 1) << c.written;
    EXPECT_EQ(kpi->GetValueInInternalUnit(), c.kept) << c.written;
  }
  kpi->ChangeType(static_cast<int>(kernel::ValueType::kUInt16));
  kpi->SetValueInInternalUnit(-3);
  EXPECT_EQ(kpi->GetValueInInternalUnit(), 0);
  EXPECT_EQ(kpi->GetSizeInWords(), 1);
  kpi->ChangeType(4);
  EXPECT_EQ(kpi->GetSizeInWords(), 2);
}

TEST(ParameterValue, LimitsClipBothWritePaths) {
  CVX_Setup setup;
  setup.AddUnitFamily("s");
  CVX_Parameter* t = AddTime(setup, "TPP", 1);
  t->InitLimits(0.001, 0.050);
  g_slowPeriod = 0.001;
  auto hook = TimeScale();
  t->SetValueInBaseUnit(1.0);
  EXPECT_DOUBLE_EQ(t->GetValueInBaseUnit(), 0.050);
  t->SetValueInInternalUnit(-7);
  EXPECT_DOUBLE_EQ(t->GetValueInBaseUnit(), 0.001);
  t->SetValueInInternalUnit(20);
  EXPECT_DOUBLE_EQ(t->GetValueInInternalUnit(), 20);
}

TEST(ParameterValue, NegativeFactorClipsOnTheBaseSide) {
  CVX_Setup setup;
  setup.AddUnitFamily("rad");
  CVX_Parameter* p = setup.AddParameter("TestPosition");
  p->InitUnit("rad", "");
  p->InitLimits(-1, 1);
  ScaleHook hook([](CVX_Setup*, const std::string&, const std::string&) { return -0.01; });
  p->SetValueInInternalUnit(500);  // -5 rad
  EXPECT_DOUBLE_EQ(p->GetValueInBaseUnit(), -1);
  EXPECT_DOUBLE_EQ(p->GetValueInInternalUnit(), 100);
}

TEST(ParameterValue, NonFiniteValuesAreRefusedAndTheOldValueStays) {
  testsupport::ErrorCapture errors;
  CVX_Setup setup;
  CVX_Parameter* p = setup.AddParameter("Kp_C_scl");
  p->SetValueInBaseUnit(1.5);
  for (double bad : {kNaN, kInf, -kInf}) {
    EXPECT_EQ(p->SetValueInBaseUnit(bad), 0);
    EXPECT_EQ(p->SetValueInInternalUnit(bad), 0);
  }
  EXPECT_EQ(p->GetValueInBaseUnit(), 1.5);
  EXPECT_EQ(errors.errors.size(), 6u);
  EXPECT_NE(errors.errors[0].find("Kp_C_scl"), std::string::npos);
}

TEST(ParameterValue, AnUnusableFactorIsNeverStoredThrough) {
  testsupport::ErrorCapture errors;
  CVX_Setup setup;
  setup.AddUnitFamily("rad/s");
  CVX_Parameter* p = setup.AddParameter("Limit_Speed");
  p->InitUnit("rad/s", "");
  p->InitInternal(7);
  ScaleHook hook([](CVX_Setup*, const std::string&, const std::string&) { return kInf; });
  EXPECT_EQ(p->SetValueInBaseUnit(3.0), 0);
  EXPECT_EQ(p->GetValueInInternalUnit(), 7);
  EXPECT_FALSE(errors.errors.empty());
}

TEST(ParameterValue, DisplayUnitsConvertWithinTheirFamily) {
  CVX_Setup setup;
  setup.AddUnitFamily("rad/s");
  setup.AddUnitFamily("A");
  setup.MergeDerivedUnit("rpm", "rad/s", 60.0 / (2 * M_PI), 0);
  CVX_Parameter* p = setup.AddParameter("TestSpeed");
  p->InitUnit("rad/s", "");
  ASSERT_EQ(p->SetValueInUnit(60.0, "rpm"), 1);
  EXPECT_NEAR(p->GetValueInBaseUnit(), 2 * M_PI, 1e-12);
  EXPECT_NEAR(p->GetValueInUnit("RPM"), 60.0, 1e-12);
  testsupport::ErrorCapture errors;
  EXPECT_TRUE(std::isnan(p->GetValueInUnit("A")));
  EXPECT_EQ(p->SetValueInUnit(1.0, "A"), 0);
}

TEST(ParameterValue, ChangeUnitTypeTakesFamilyAndDisplayUnitAndKeepsTheDriveValue) {
  CVX_Setup setup;
  setup.AddUnitFamily("rad");
  setup.AddUnitFamily("m");
  setup.MergeDerivedUnit("rot", "rad", 1 / (2 * M_PI), 0);
  setup.MergeDerivedUnit("mm", "m", 1000, 0);
  CVX_Parameter* p = setup.AddParameter("TestPosition");
  p->InitUnit("rad", "");
  p->InitInternal(1234);
  ASSERT_EQ(p->ChangeUnitType("mm"), 1);
  EXPECT_EQ(p->GetUnitType(), "m");
  EXPECT_EQ(p->GetUnitName(), "mm");
  EXPECT_EQ(p->GetValueInInternalUnit(), 1234);
  ASSERT_EQ(p->ChangeUnitType("rot"), 1);
  EXPECT_EQ(p->GetUnitType(), "rad");
  // Removing the display unit falls back to the base unit.
  ASSERT_TRUE(setup.RemoveUnit("rot"));
  EXPECT_EQ(p->GetUnitName(), "rad");
  testsupport::ErrorCapture errors;
  EXPECT_EQ(p->ChangeUnitType("furlong"), 0);
  EXPECT_EQ(p->GetUnitType(), "rad");
}

TEST(ParameterValue, ChangingLimitsKeepsTheStoredValueUntilTheNextWrite) {
  CVX_Setup setup;
  CVX_Parameter* p = setup.AddParameter("ERR_position");
  p->SetValueInBaseUnit(50);
  p->SetMaximum(10);
  EXPECT_EQ(p->GetValueInBaseUnit(), 50);
  p->SetValueInBaseUnit(50);
  EXPECT_EQ(p->GetValueInBaseUnit(), 10);
  testsupport::ErrorCapture errors;
  EXPECT_EQ(p->SetMinimum(kNaN), 0);
  EXPECT_EQ(p->GetMinimum(), CVX_Parameter::kNoMinimum);
}

}  // namespace
