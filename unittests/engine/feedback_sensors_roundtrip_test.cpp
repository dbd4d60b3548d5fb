// The feedback sensor family through register computation and user value
// recovery, in the order the sequences run it, on built setups of every
// sensor arrangement and on the bundled example setups.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/feedback_counting_direction.h"
#include "engine/feedback_sensors.h"
#include "engine/sequences.h"
#include "engine/serial_encoder.h"
#include "engine/serial_encoder_clock.h"
#include "feedback_sensors_test_setup.h"
#include "kernel/setup_file.h"
#include "unittests/support/example_setups.h"

namespace {

using fbtest::Set;
using fbtest::Value;

void ComputeFamily(CVX_Setup& setup) {
  engine::ComputeMECRESL(setup);
  if (engine::HasElectricalResolution(setup)) engine::ComputeELRESL(setup);
  if (engine::HasInterpolationFraction(setup)) engine::ComputeELRES_FRACT(setup);
  engine::ComputeENC2THL(setup);
  if (engine::HasCountingDirection(setup)) {
    engine::ComputeCOUNTINGDIR(setup);
    engine::ComputeCOUNTINGDIR_LD(setup);
  }
  if (engine::HasStartMoveCheck(setup)) engine::ComputeABSTART_MINMOVE(setup);
  if (!engine::HasSerialMotorSensor(setup)) return;
  for (auto compute : {engine::ComputeSSITURNS, engine::ComputeSSIREV, engine::ComputeSSITYPE, engine::ComputeSSIBR,
                       engine::ComputeSSISENSE, engine::ComputeSSIFDBKTYPE, engine::ComputeZAOFF})
    compute(setup);
  if (engine::HasSerialClockMode(setup)) engine::ComputeSPICLKMODE(setup);
  for (auto compute : {engine::ComputeAEI_CLKDIV, engine::ComputeAEI_PER, engine::ComputeAEI_CMPTIME}) compute(setup);
}

void RecoverFamily(CVX_Setup& setup) {
  engine::RecoverNo_encoder_lines(setup);
  if (engine::HasCountingDirection(setup)) {
    engine::RecoverReverseCounting(setup);
    engine::RecoverReverseCounting_LD(setup);
  }
  if (engine::HasSerialMotorSensor(setup))
    for (auto recover : {engine::RecoverSSI_isMultiTurn, engine::RecoverSSI_No_Bits_Revolution,
                         engine::RecoverSSI_No_Bits_Turns, engine::RecoverSSI_isGray, engine::RecoverSSI_freq,
                         engine::RecoverSSI_isReverseCounting, engine::RecoverSSI_Offset})
      recover(setup);
  if (engine::HasSerialLoadSensor(setup))
    for (auto recover : {engine::RecoverSSI_isMultiTurn_LD, engine::RecoverSSI_No_Bits_Revolution_LD,
                         engine::RecoverSSI_No_Bits_Turns_LD, engine::RecoverSSI_isGray_LD,
                         engine::RecoverSSI_freq_LD, engine::RecoverSSI_isReverseCounting_LD})
      recover(setup);
}

void RoundTrip(CVX_Setup& setup) {
  ComputeFamily(setup);
  RecoverFamily(setup);
}

// Registers exactly; user values to the last bits of their arithmetic.
void ExpectSameValues(const CVX_Setup& expected, const CVX_Setup& actual) {
  ASSERT_EQ(expected.GetParametersCount(), actual.GetParametersCount());
  for (int i = 0; i < expected.GetParametersCount(); ++i) {
    const CVX_Parameter& a = *expected.GetParameters()[i];
    const CVX_Parameter& b = *actual.GetParameters()[i];
    const double x = a.GetValueInInternalUnit();
    const double y = b.GetValueInInternalUnit();
    if (kernel::IsIntegerType(a.GetValueType()))
      EXPECT_EQ(x, y) << a.GetName();
    else
      EXPECT_NEAR(x, y, 1e-12 * std::max(1.0, std::fabs(x))) << a.GetName();
    EXPECT_EQ(a.GetType(), b.GetType()) << a.GetName();
  }
}

// Loop timing: as built; the read-out needing about 1.39 MHz (above a 1 MHz
// sensor, below the 1.5 MHz entry); a 50 us fast loop (about 1.04 MHz).
enum class Timing { kRoomy, kRaisedBetweenEntries, kShortLoop };

struct Case {
  int motor, load, motorConnector, loadConnector;
  bool reversed;  // every direction flag set
  Timing timing;

  std::string Name() const {
    return fmt::format("sensors {}/{} connectors {}/{} reversed {} timing {}", motor, load, motorConnector,
                       loadConnector, reversed, static_cast<int>(timing));
  }
};

CVX_Setup SetupFor(const Case& c) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "MotorSensorType", c.motor);
  Set(setup, "LoadSensorType", c.load);
  Set(setup, "MotorSensorConnector", c.motorConnector);
  Set(setup, "LoadSensorConnector", c.loadConnector);
  for (const char* flag : {"ReverseCounting", "ReverseCounting_LD", "SSI_isReverseCounting",
                           "SSI_isReverseCounting_LD", "SSI_isGray_LD", "SSI_isMultiTurn"})
    Set(setup, flag, c.reversed ? 1 : 0);
  Set(setup, "SSI_No_Bits_Turns", 12);
  Set(setup, "SSI_No_Bits_Revolution_LD", 13);
  Set(setup, "SSI_freq", 1e6);
  Set(setup, "SSI_freq_LD", c.load == 4 ? 8e6 : 1e6);
  Set(setup, "SSI_Offset", 874);
  if (c.timing == Timing::kRaisedBetweenEntries) Set(setup, "AEI_ComputeTime", 76e-6);
  if (c.timing == Timing::kShortLoop) Set(setup, "CLPER", 1);
  return setup;
}

template <class Visit>
void ForEveryCase(Visit visit) {
  for (int motor = 0; motor <= 4; ++motor)
    for (int load = 0; load <= 4; ++load)
      for (int motorConnector : {0, 1})
        for (int loadConnector : {0, 1})
          for (bool reversed : {false, true})
            for (Timing timing : {Timing::kRoomy, Timing::kRaisedBetweenEntries, Timing::kShortLoop})
              visit(Case{motor, load, motorConnector, loadConnector, reversed, timing});
}

// A rate raised to the read-out floor comes back as a listed rate (or the
// floor), which the second computation gives the drive; from then on the
// trip changes nothing.
TEST(FeedbackRoundTrip, RoundTripSettles) {
  ForEveryCase([](const Case& c) {
    SCOPED_TRACE(c.Name());
    CVX_Setup setup = SetupFor(c);
    RoundTrip(setup);
    if (c.timing != Timing::kRoomy) RoundTrip(setup);
    const CVX_Setup settled = setup;
    RoundTrip(setup);
    ExpectSameValues(settled, setup);
  });
}

// An offset of more than one electrical period (2621.44 counts of the 17-bit
// word) comes back reduced, and the next computation gives the drive the
// reduced one (the same electric angle within half a count); from then on
// nothing changes.
TEST(FeedbackRoundTrip, OffsetBeyondOnePeriodSettlesInTwoTrips) {
  CVX_Setup setup = SetupFor({3, 0, 0, 0, false, Timing::kRoomy});
  Set(setup, "SSI_Offset", 3000);
  RoundTrip(setup);
  EXPECT_EQ(Value(setup, "ZAOFF"), 3000);
  EXPECT_EQ(Value(setup, "SSI_Offset"), 379);
  RoundTrip(setup);
  EXPECT_EQ(Value(setup, "ZAOFF"), 379);
  const CVX_Setup second = setup;
  RoundTrip(setup);
  ExpectSameValues(second, setup);
}

TEST(FeedbackRoundTrip, SineCosineFractionSettlesInOneTrip) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "MotorSensorType", 2);
  Set(setup, "No_encoder_lines", 2048);  // 163.84 counts per period: d = 8
  RoundTrip(setup);
  EXPECT_EQ(Value(setup, "ELRES_FRACT"), 2);
  EXPECT_EQ(Value(setup, "ENC2THL"), std::round(50 * 4294967296.0 / (4 * 8192)));
  const CVX_Setup first = setup;
  RoundTrip(setup);
  ExpectSameValues(first, setup);
}

TEST(FeedbackRoundTrip, UserValuesOfTheDescribedSensorComeBack) {
  CVX_Setup setup = SetupFor({3, 0, 0, 0, true, Timing::kRoomy});
  Set(setup, "SSI_freq", 2.5e6);
  Set(setup, "SSI_Offset", 1500);
  RoundTrip(setup);
  EXPECT_EQ(Value(setup, "No_encoder_lines"), 16384);  // 2^16 counts
  EXPECT_EQ(Value(setup, "SSI_isMultiTurn"), 1);
  EXPECT_EQ(Value(setup, "SSI_No_Bits_Turns"), 12);
  EXPECT_EQ(Value(setup, "SSI_No_Bits_Revolution"), 17);
  EXPECT_EQ(Value(setup, "SSI_isReverseCounting"), 1);
  EXPECT_EQ(Value(setup, "SSI_freq"), 2.5e6);
  EXPECT_EQ(Value(setup, "SSI_Offset"), 1500);  // within one period
  EXPECT_EQ(Value(setup, "ReverseCounting"), 1);
}

// ----- the bundled examples -----

class FeedbackExample : public ::testing::TestWithParam<const char*> {
 protected:
  std::unique_ptr<CVX_Setup> Load() { return testsupport::LoadExample(GetParam()); }

  testsupport::ScopedEngineUnitScales scales;
};

// The files hold registers computed from their user values and user values
// recovered from those registers.
TEST_P(FeedbackExample, RoundTripKeepsTheFile) {
  const auto stored = Load();
  ASSERT_TRUE(stored);
  CVX_Setup setup = *stored;
  ComputeFamily(setup);
  ExpectSameValues(*stored, setup);
  RecoverFamily(setup);
  ExpectSameValues(*stored, setup);
}

TEST_P(FeedbackExample, SecondRoundTripChangesNothing) {
  const auto stored = Load();
  ASSERT_TRUE(stored);
  CVX_Setup setup = *stored;
  RoundTrip(setup);
  const CVX_Setup first = setup;
  RoundTrip(setup);
  ExpectSameValues(first, setup);
}

INSTANTIATE_TEST_SUITE_P(Examples, FeedbackExample, ::testing::ValuesIn(testsupport::kExampleNames));

}  // namespace
