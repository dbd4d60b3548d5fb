#include "commissioning/total_inertia.h"

#include "commissioning/test_texts.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace commissioning {
namespace {

// 8000 counts per turn, 1 ms slow loop, 10 A drive, 0.4 Nm/A.
constexpr InertiaScales kScales{.speedScale = 8000.0 / (2 * std::numbers::pi) * 1e-3,
                                .currentScale_countsPerA = 32767.0 / 20.0,
                                .slowLoop_s = 1e-3,
                                .torqueConstant_NmPerA = 0.4};

// What an ideal motor of inertia J reports after `samples` slow samples at
// `current_A`.
InertiaRunReport Ideal(double inertia_kgm2, double current_A, double samples) {
  const double acceleration = current_A * kScales.torqueConstant_NmPerA / inertia_kgm2;
  const double speed_rad_s = acceleration * samples * kScales.slowLoop_s;
  return {.testFlag = 1, .deltaTime_samples = samples, .deltaSpeed = speed_rad_s * kScales.speedScale};
}

TEST(TotalInertiaFormula, RecoversTheInertiaThatProducedTheRun) {
  for (double inertia : {1e-6, 3.3e-5, 2e-4, 0.05}) {
    for (double current_A : {0.5, 2.0}) {
      SCOPED_TRACE(::testing::Message() << inertia << " kg m^2 at " << current_A << " A");
      const auto measured =
          TotalInertia(Ideal(inertia, current_A, 250), current_A * kScales.currentScale_countsPerA, kScales);
      ASSERT_TRUE(measured.ok()) << measured.error();
      EXPECT_NEAR(measured.value(), inertia, inertia * 1e-12);
    }
  }
}

TEST(TotalInertiaFormula, TheProgramsFailureReportsGiveTheirTexts) {
  const double current = 1000;
  const auto flagZero = TotalInertia({.testFlag = 0, .deltaTime_samples = 10, .deltaSpeed = 5}, current, kScales);
  const auto timeMinusOne = TotalInertia({.testFlag = 1, .deltaTime_samples = -1, .deltaSpeed = 0}, current, kScales);
  ASSERT_FALSE(flagZero.ok());
  ASSERT_FALSE(timeMinusOne.ok());
  EXPECT_EQ(flagZero.error(), kInertiaSpeedNegativeText);
  EXPECT_EQ(timeMinusOne.error(), std::string(kInertiaSpeedNegativeText) + ".") << "differ only in the full stop";
  EXPECT_EQ(TotalInertia({.testFlag = 0, .deltaTime_samples = -2, .deltaSpeed = 0}, current, kScales).error(),
            kInertiaSpeedNegativeText)
      << "the flag is looked at first";
  // The flag the programs end with when the current passed the protection
  // names that cause, not a speed running backwards; other negative flags
  // keep the backwards text.
  EXPECT_EQ(TotalInertia({.testFlag = -1, .deltaTime_samples = 0, .deltaSpeed = 0}, current, kScales).error(),
            std::string(kCurrentProtectionText) + "\n" + std::string(kInertiaProtectionAdvice));
  EXPECT_EQ(TotalInertia({.testFlag = -2, .deltaTime_samples = 10, .deltaSpeed = 5}, current, kScales).error(),
            kInertiaSpeedNegativeText);
  EXPECT_EQ(TotalInertia({.testFlag = 1, .deltaTime_samples = -2, .deltaSpeed = 0}, current, kScales).error(),
            kInertiaSpeedZeroText);
  EXPECT_EQ(TotalInertia({.testFlag = 1, .deltaTime_samples = -3, .deltaSpeed = 0}, current, kScales).error(),
            kInertiaSpeedNotReachedText);
  EXPECT_EQ(TotalInertia({.testFlag = 1, .deltaTime_samples = -0.5, .deltaSpeed = 0}, current, kScales).error(),
            kInertiaSpeedNotReachedText);
}

TEST(TotalInertiaFormula, ReportsThatCannotGiveANumberFailWithTheCause) {
  struct Case {
    const char* what;
    InertiaRunReport report;
    double current;
    InertiaScales scales;
  };
  InertiaScales noTorque = kScales;
  noTorque.torqueConstant_NmPerA = 0;
  InertiaScales noCurrentScale = kScales;
  noCurrentScale.currentScale_countsPerA = 0;
  InertiaScales noSpeedScale = kScales;
  noSpeedScale.speedScale = 0;
  InertiaScales noPeriod = kScales;
  noPeriod.slowLoop_s = NAN;
  const InertiaRunReport good{.testFlag = 1, .deltaTime_samples = 100, .deltaSpeed = 30};
  const Case cases[] = {
      {"no speed gained", {1, 100, 0}, 1000, kScales},
      {"speed lost", {1, 100, -3}, 1000, kScales},
      {"no time", {1, 0, 30}, 1000, kScales},
      {"time not a number", {1, NAN, 30}, 1000, kScales},
      {"no test current", good, 0, kScales},
      {"no torque constant", good, 1000, noTorque},
      {"no current scale", good, 1000, noCurrentScale},
      {"no speed scale", good, 1000, noSpeedScale},
      {"no loop period", good, 1000, noPeriod},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto result = TotalInertia(c.report, c.current, c.scales);
    ASSERT_FALSE(result.ok());
    EXPECT_FALSE(result.error().empty());
  }
}

TEST(InertiaRatio, TotalAndRatioFollowEachOther) {
  EXPECT_EQ(LoadInertiaRatio(3e-4, 1e-4), 2.0);
  EXPECT_EQ(LoadInertiaRatio(1.23456e-4, 1e-4), 0.235) << "three decimals";
  EXPECT_EQ(LoadInertiaRatio(0.5e-4, 1e-4), -0.5) << "a total below the motor's is the caller's to catch";
  EXPECT_FALSE(LoadInertiaRatio(3e-4, 0.0)) << "no motor inertia, no ratio";
  EXPECT_FALSE(LoadInertiaRatio(NAN, 1e-4));

  // A total of a few 1e-5 kg m^2 keeps its digits at the nine decimals "Jt"
  // shows; at three it would become 0.
  EXPECT_NEAR(*TotalInertiaFromRatio(1.5, 4.6e-5, 9), 1.15e-4, 1e-18);
  EXPECT_NEAR(*TotalInertiaFromRatio(0.0, 1.2345678912e-5, 9), 1.2346e-5, 1e-18) << "rounded at 1e-9";
  EXPECT_FALSE(TotalInertiaFromRatio(NAN, 1e-4, 9));
}

}  // namespace
}  // namespace commissioning
