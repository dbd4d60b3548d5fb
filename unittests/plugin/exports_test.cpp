#include <gtest/gtest.h>

#include "kernel/setup.h"
#include "plugin_module.h"

namespace {

TEST(PluginExports, EveryExportIsFoundByItsPlainName) {
  const PluginModule& m = PluginModule::Get();
  ASSERT_NE(m.handle, nullptr);
  EXPECT_NE(m.editSetup, nullptr) << "EditSetup";
  EXPECT_NE(m.computeAllOptions, nullptr) << "ComputeAllOptions";
  EXPECT_NE(m.onInitParam, nullptr) << "OnInitParam";
  EXPECT_NE(m.getScaleFactor, nullptr) << "GetScaleFactor";
  EXPECT_NE(m.getScaleOffset, nullptr) << "GetScaleOffset";
  EXPECT_NE(m.kufSinusoidalMode, nullptr) << "g_bKufSinusoidalMode";
}

TEST(KufSinusoidalMode, ReadsZeroAfterLoadAndKeepsWhatTheHostWrites) {
  const PluginModule& m = PluginModule::Get();
  ASSERT_TRUE(m.Complete());
  EXPECT_EQ(*m.kufSinusoidalMode, 0);
  for (int value : {1, -1, 0x7fffffff, static_cast<int>(0x80000000u), 0}) {
    *m.kufSinusoidalMode = value;
    // The plug-in never touches it: a call in between changes nothing.
    m.computeAllOptions(nullptr);
    EXPECT_EQ(*m.kufSinusoidalMode, value);
  }
}

TEST(ComputeAllOptions, NullSetupDoesNothing) {
  const PluginModule& m = PluginModule::Get();
  ASSERT_TRUE(m.Complete());
  m.computeAllOptions(nullptr);
  SUCCEED();
}

CVX_Parameter* AddValue(CVX_Setup& setup, const char* name, kernel::ValueType type, double internal) {
  CVX_Parameter* p = setup.AddParameter(name);
  if (p) {
    p->InitType(type);
    p->InitInternal(internal);
  }
  return p;
}

TEST(ComputeAllOptions, RecoversFromTheRegistersAndWritesNone) {
  const PluginModule& m = PluginModule::Get();
  ASSERT_TRUE(m.Complete());
  CVX_Setup setup;
  // The user gain disagrees with its registers: computing would turn 1.5
  // into KPI 24575 / SFTKPI 1, recovering gives 16384 / 32767.
  ASSERT_NE(AddValue(setup, "Kp_C_scl", kernel::ValueType::kDouble, 1.5), nullptr);
  ASSERT_NE(AddValue(setup, "KPI", kernel::ValueType::kInt16, 16384), nullptr);
  ASSERT_NE(AddValue(setup, "SFTKPI", kernel::ValueType::kInt16, 0), nullptr);

  m.computeAllOptions(&setup);

  EXPECT_EQ(setup.GetParameterValueInInternalUnit("KPI"), 16384);
  EXPECT_EQ(setup.GetParameterValueInInternalUnit("SFTKPI"), 0);
  EXPECT_DOUBLE_EQ(setup.GetParameterValueInBaseUnit("Kp_C_scl"), 16384.0 / 32767.0);
}

TEST(EditSetup, NoDialogCountsAsNotOk) {
  const PluginModule& m = PluginModule::Get();
  ASSERT_TRUE(m.Complete());
  EXPECT_EQ(m.editSetup(nullptr), 0);
}

TEST(UnitScaleExports, UnknownUnitIsNeutral) {
  const PluginModule& m = PluginModule::Get();
  ASSERT_TRUE(m.Complete());
  CVX_Setup setup;
  EXPECT_EQ(m.getScaleFactor(&setup, "rpm", "Limit_Speed"), 1.0);
  EXPECT_EQ(m.getScaleOffset(&setup, "rpm"), 0.0);
}

TEST(UnitScaleExports, MissingArgumentsGiveTheNeutralScale) {
  const PluginModule& m = PluginModule::Get();
  ASSERT_TRUE(m.Complete());
  CVX_Setup setup;
  EXPECT_EQ(m.getScaleFactor(nullptr, "A", "RunCurrent"), 1.0);
  EXPECT_EQ(m.getScaleFactor(&setup, nullptr, "RunCurrent"), 1.0);
  EXPECT_EQ(m.getScaleOffset(nullptr, "°C"), 0.0);
  EXPECT_EQ(m.getScaleOffset(&setup, nullptr), 0.0);
}

}  // namespace
