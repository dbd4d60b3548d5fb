// The supply and the current loop's bandwidth, kept in the files without a
// unit, get a unit family whose scale keeps the stored numbers.
#include "engine/plain_units.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/sequences.h"
#include "engine/unit_scale.h"
#include "kernel/parameter.h"
#include "kernel/setup.h"
#include "kernel/setup_file.h"
#include "unittests/support/example_setups.h"

namespace {

class PlainUnits : public ::testing::TestWithParam<const char*> {
 protected:
  testsupport::ScopedEngineUnitScales scales_;
};

TEST_P(PlainUnits, SupplyAndBandwidthShowTheirUnitAndKeepTheirNumbers) {
  const std::unique_ptr<CVX_Setup> setup = testsupport::LoadExample(GetParam());
  ASSERT_TRUE(setup);
  CVX_Parameter* vdc = setup->FindParameter("Vdc");
  CVX_Parameter* bandwidth = setup->FindParameter("PB_C");
  ASSERT_TRUE(vdc && bandwidth);
  ASSERT_EQ(vdc->GetUnitType(), "");
  const double volts = vdc->GetValueInBaseUnit();
  const double radPerS = bandwidth->GetValueInBaseUnit();

  engine::ComputeAllOptions(*setup);
  EXPECT_EQ(vdc->GetUnitType(), engine::kSupplyUnit);
  EXPECT_EQ(bandwidth->GetUnitType(), engine::kBandwidthUnit);
  EXPECT_EQ(vdc->GetValueInBaseUnit(), volts);
  EXPECT_EQ(bandwidth->GetValueInBaseUnit(), radPerS);
  // Neither family has a scale of its own.
  EXPECT_EQ(engine::ScaleFactor(*setup, engine::kSupplyUnit, "Vdc"), 1.0);
  EXPECT_EQ(engine::ScaleFactor(*setup, engine::kBandwidthUnit, "PB_C"), 1.0);

  // Saved and loaded again, the values and their units are as they were.
  kernel::SetupLoadResult again = kernel::ParseSetup(kernel::SerializeSetup(*setup));
  ASSERT_TRUE(again.ok()) << again.ErrorText();
  EXPECT_EQ(again.setup->FindParameter("Vdc")->GetUnitType(), engine::kSupplyUnit);
  EXPECT_EQ(again.setup->GetParameterValueInBaseUnit("Vdc"), volts);
  EXPECT_EQ(again.setup->GetParameterValueInBaseUnit("PB_C"), radPerS);
  engine::UpdatePlainUnits(*again.setup);
  EXPECT_EQ(kernel::SerializeSetup(*again.setup), kernel::SerializeSetup(*setup));
}

TEST(PlainUnitsLeaveAlone, AParameterThatHasAUnitAlready) {
  testsupport::ScopedEngineUnitScales scales;
  const std::unique_ptr<CVX_Setup> setup = testsupport::LoadExample(testsupport::kOpenLoop);
  ASSERT_TRUE(setup);
  CVX_Parameter* vdc = setup->FindParameter("Vdc");
  ASSERT_TRUE(vdc->ChangeUnitType("V"));
  engine::UpdatePlainUnits(*setup);
  EXPECT_EQ(vdc->GetUnitType(), "V");
}

INSTANTIATE_TEST_SUITE_P(Examples, PlainUnits, ::testing::ValuesIn(testsupport::kExampleNames));

}  // namespace
