#include "drive/current_controller.h"

#include <gtest/gtest.h>

namespace drive {
namespace {

CurrentController Controller(double kpi, double sftkpi, double kii, double sftkii, double satiq = 0,
                             double filterq = 32767) {
  NamedValues registers;
  registers.Set("KPI", kpi);
  registers.Set("SFTKPI", sftkpi);
  registers.Set("KII", kii);
  registers.Set("SFTKII", sftkii);
  registers.Set("SATPWM", satiq);
  registers.Set("FILTERQ", filterq);
  CurrentController controller;
  controller.Configure(registers);
  return controller;
}

TEST(CurrentController, ProportionalGainIsMantissaTimesTwoToTheShiftOver32767) {
  // 24575 · 2^2 / 32767 = 2.99997: an error of 1000 counts asks 2999.
  CurrentController c = Controller(24575, 2, 0, 0);
  EXPECT_EQ(c.Step({1000, -1000}, {0, 0}).alpha, 2999);
  EXPECT_EQ(c.Step({1000, -1000}, {0, 0}).beta, -3000) << "rounds toward minus infinity like a shift";
}

TEST(CurrentController, IntegralKeepsIncrementsBelowOneCount) {
  // Ki = 0.1: ten samples of an error of one count make one count.
  CurrentController c = Controller(0, 0, 3277, 0);
  StatorVector out;
  for (int k = 0; k < 10; ++k) out = c.Step({1, 0}, {0, 0});
  EXPECT_EQ(out.alpha, 1);
}

TEST(CurrentController, SaturationBoundsOutputAndIntegralSoItRecoversAtOnce) {
  // SATPWM 30000 leaves a limit of 2767 for both axes.
  CurrentController c = Controller(32767, 0, 32767, 0, 30000);
  StatorVector out;
  for (int k = 0; k < 100; ++k) out = c.Step({10000, -10000}, {0, 0});
  EXPECT_EQ(out.alpha, 2767);
  EXPECT_EQ(out.beta, -2767);
  // One sample of the opposite error takes the output off the limit: the
  // integral did not wind up beyond it.
  out = c.Step({0, 0}, {1000, 0});
  EXPECT_EQ(out.alpha, 2767 - 1000 - 1000);
}

TEST(CurrentController, OutputFilterOfHalfScaleHalvesTheFirstStep) {
  CurrentController c = Controller(32767, 0, 0, 0, 0, 16384);
  EXPECT_NEAR(c.Step({1000, 0}, {0, 0}).alpha, 500, 1);
  c.Reset();
  EXPECT_NEAR(c.Step({1000, 0}, {0, 0}).alpha, 500, 1) << "reset clears the filter too";
}

}  // namespace
}  // namespace drive
