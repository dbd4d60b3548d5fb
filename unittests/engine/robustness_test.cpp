// Random user values inside their limits, on every example setup: the
// options update, the round trip and every unit factor must neither crash nor
// leave a value that is not finite.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/sequences.h"
#include "engine/unit_scale.h"
#include "kernel/errors.h"
#include "kernel/setup_file.h"
#include "kernel/value_type.h"
#include "unittests/support/example_setups.h"
#include "unittests/support/kernel_errors.h"

namespace {

constexpr int kFillsPerExample = 40;

// User values (doubles) get a value drawn inside their limits, or a random
// multiple of the stored one where they have none.
void FillUserValues(CVX_Setup& setup, std::mt19937& random) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (CVX_Parameter* p : setup.GetParameters()) {
    if (p->GetValueType() != kernel::ValueType::kDouble) continue;
    if (p->HasMinimum() && p->HasMaximum() && p->GetMinimum() <= p->GetMaximum()) {
      p->SetValueInBaseUnit(p->GetMinimum() + unit(random) * (p->GetMaximum() - p->GetMinimum()));
    } else {
      p->SetValueInInternalUnit(p->GetValueInInternalUnit() * (0.5 + 1.5 * unit(random)));
    }
  }
}

std::vector<std::string> NonFinite(const CVX_Setup& setup) {
  std::vector<std::string> names;
  for (const CVX_Parameter* p : setup.GetParameters())
    if (!std::isfinite(p->GetValueInInternalUnit()) || std::isnan(p->GetMinimum()) || std::isnan(p->GetMaximum()))
      names.push_back(p->GetName());
  return names;
}

class RandomUserValues : public ::testing::TestWithParam<const char*> {
 protected:
  testsupport::ScopedEngineUnitScales scales;
  const testsupport::ErrorCapture quiet;  // random values make the kernel complain
};

TEST_P(RandomUserValues, NothingCrashesAndEveryValueStaysFinite) {
  const std::unique_ptr<CVX_Setup> example = testsupport::LoadExample(GetParam());
  ASSERT_TRUE(example);
  std::mt19937 random(20261208);
  for (int fill = 0; fill < kFillsPerExample; ++fill) {
    CVX_Setup setup = *example;
    FillUserValues(setup, random);
    engine::ComputeAllOptions(setup);
    engine::ComputeRegisterParameters(setup);
    engine::RecoverUserParameters(setup);
    ASSERT_EQ(NonFinite(setup), std::vector<std::string>{}) << "fill " << fill;
    for (const CVX_UnitFamily& family : setup.GetUnits())
      for (const CVX_Parameter* p : setup.GetParameters()) {
        // Infinite factors are allowed (a zero scale); the call must return.
        const double factor = engine::ScaleFactor(setup, family.base.name, p->GetName());
        ASSERT_FALSE(std::isnan(factor) && family.base.name != "°C") << family.base.name << " " << p->GetName();
        (void)engine::ScaleOffset(setup, family.base.name);
      }
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, RandomUserValues, ::testing::ValuesIn(testsupport::kExampleNames));

}  // namespace
