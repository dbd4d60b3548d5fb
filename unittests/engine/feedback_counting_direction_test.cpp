#include "engine/feedback_counting_direction.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "feedback_sensors_test_setup.h"

namespace {

using engine::DirectionsFor;
using engine::InputDirections;
using engine::LoadReversedFrom;
using engine::MotorReversedFrom;
using engine::SensorPlacement;

struct Case {
  SensorPlacement placement;
  bool motorReversed;
  bool loadReversed;

  std::string Name() const {
    return fmt::format("sensors {}/{} connectors {}/{} reversed {}/{}", placement.motorType, placement.loadType,
                       placement.motorConnector, placement.loadConnector, motorReversed, loadReversed);
  }
  bool SharedInput() const {
    return placement.motorType != 0 && placement.loadType != 0 &&
           (placement.motorConnector == 1) == (placement.loadConnector == 1);
  }
};

// Every sensor type on either side, every connector, also for an absent
// sensor, and every pair of flags.
template <class Visit>
void ForEveryCase(Visit visit) {
  for (int motor = 0; motor <= 4; ++motor)
    for (int load = 0; load <= 4; ++load)
      for (int motorConnector : {0, 1})
        for (int loadConnector : {0, 1})
          for (bool motorReversed : {false, true})
            for (bool loadReversed : {false, true})
              visit(Case{{motor, load, motorConnector, loadConnector}, motorReversed, loadReversed});
}

struct Flags {
  bool motor;
  bool load;
  bool operator==(const Flags&) const = default;
};

Flags Recover(const SensorPlacement& p, const InputDirections& d) {
  return {MotorReversedFrom(p, d), LoadReversedFrom(p, d)};
}

bool Same(const InputDirections& a, const InputDirections& b) {
  return a.input0Reversed == b.input0Reversed && a.input1Reversed == b.input1Reversed;
}

TEST(CountingDirection, EachSensorReversesItsOwnInput) {
  const InputDirections motorOn0 = DirectionsFor({1, 0, 0, 0}, true, false);
  EXPECT_TRUE(motorOn0.input0Reversed);
  EXPECT_FALSE(motorOn0.input1Reversed);
  const InputDirections loadOn1 = DirectionsFor({1, 2, 0, 1}, false, true);
  EXPECT_FALSE(loadOn1.input0Reversed);
  EXPECT_TRUE(loadOn1.input1Reversed);
  const InputDirections bothReversed = DirectionsFor({1, 1, 1, 0}, true, true);
  EXPECT_TRUE(bothReversed.input0Reversed);
  EXPECT_TRUE(bothReversed.input1Reversed);
}

TEST(CountingDirection, SharedInputCountsForward) {
  // Both sensors on input 0 with the motor reversed: neither owns the input.
  EXPECT_FALSE(DirectionsFor({1, 1, 0, 0}, true, false).input0Reversed);
  EXPECT_FALSE(DirectionsFor({1, 1, 1, 1}, true, true).input1Reversed);
}

TEST(CountingDirection, AbsentSensorLeavesItsInputFree) {
  // The load's connector says input 1, but there is no load sensor.
  EXPECT_TRUE(DirectionsFor({1, 0, 1, 1}, true, false).input1Reversed);
  EXPECT_FALSE(DirectionsFor({0, 1, 0, 0}, true, false).input0Reversed);
}

TEST(CountingDirection, RecoveryGivesBackEveryUnsharedChoice) {
  ForEveryCase([](const Case& c) {
    if (c.SharedInput()) return;
    SCOPED_TRACE(c.Name());
    const Flags recovered = Recover(c.placement, DirectionsFor(c.placement, c.motorReversed, c.loadReversed));
    EXPECT_EQ(recovered.motor, c.placement.motorType != 0 && c.motorReversed);
    EXPECT_EQ(recovered.load, c.placement.loadType != 0 && c.loadReversed);
  });
}

// The first trip may only reduce a choice the inputs cannot hold (two
// sensors on one input, a flag of an absent sensor); the second changes
// neither register nor flag.
TEST(CountingDirection, SecondRoundTripChangesNothing) {
  ForEveryCase([](const Case& c) {
    SCOPED_TRACE(c.Name());
    const InputDirections first = DirectionsFor(c.placement, c.motorReversed, c.loadReversed);
    const Flags flags = Recover(c.placement, first);
    const InputDirections second = DirectionsFor(c.placement, flags.motor, flags.load);
    EXPECT_TRUE(Same(first, second));
    EXPECT_EQ(Recover(c.placement, second), flags);
  });
}

// The cases in which reading the connector of an absent sensor, or only
// quadrature load sensors, lost the user's flag and then the register.
TEST(CountingDirection, KeepsFlagsThatStaleConnectorsOnceLost) {
  // Motor reversed on input 1; no load sensor, its connector left at 1.
  const SensorPlacement motorAlone{1, 0, 1, 1};
  EXPECT_TRUE(MotorReversedFrom(motorAlone, DirectionsFor(motorAlone, true, false)));
  // Load reversed on input 1; no motor sensor, its connector left at 1.
  const SensorPlacement loadAlone{0, 1, 1, 1};
  EXPECT_TRUE(LoadReversedFrom(loadAlone, DirectionsFor(loadAlone, false, true)));
  // An SSI load sensor reversed on input 0 sets "COUNTINGDIR".
  const SensorPlacement serialLoad{0, 3, 0, 0};
  EXPECT_TRUE(LoadReversedFrom(serialLoad, DirectionsFor(serialLoad, false, true)));
}

// ----- through the setup -----

TEST(CountingDirection, RegistersAndFlagsThroughTheSetup) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  fbtest::Set(setup, "MotorSensorType", 1);
  fbtest::Set(setup, "LoadSensorType", 2);
  fbtest::Set(setup, "LoadSensorConnector", 1);
  fbtest::Set(setup, "ReverseCounting_LD", 1);
  ASSERT_EQ(engine::ComputeCOUNTINGDIR(setup), 1);
  ASSERT_EQ(engine::ComputeCOUNTINGDIR_LD(setup), 1);
  EXPECT_EQ(fbtest::Value(setup, "COUNTINGDIR"), 0);
  EXPECT_EQ(fbtest::Value(setup, "COUNTINGDIR_LD"), 1);

  fbtest::Set(setup, "ReverseCounting", 1);
  fbtest::Set(setup, "ReverseCounting_LD", 0);
  ASSERT_EQ(engine::RecoverReverseCounting(setup), 1);
  ASSERT_EQ(engine::RecoverReverseCounting_LD(setup), 1);
  EXPECT_EQ(fbtest::Value(setup, "ReverseCounting"), 0);
  EXPECT_EQ(fbtest::Value(setup, "ReverseCounting_LD"), 1);
  EXPECT_EQ(setup.FindParameter("ReverseCounting")->GetMaximum(), 1);
}

TEST(CountingDirection, MissingParameterWritesNothing) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  CVX_Setup without;
  for (const CVX_Parameter* p : setup.GetParameters())
    if (p->GetName() != "ReverseCounting_LD")
      testsupport::AddParameter(without, p->GetName(), p->GetValueInInternalUnit(), p->GetValueType());
  fbtest::Set(without, "ReverseCounting", 1);
  fbtest::Set(without, "COUNTINGDIR", 5);
  EXPECT_EQ(engine::ComputeCOUNTINGDIR(without), 0);
  EXPECT_EQ(fbtest::Value(without, "COUNTINGDIR"), 5);
  EXPECT_TRUE(engine::HasCountingDirection(without));
}

}  // namespace
