#include <fmt/format.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "config_words_test_setup.h"

// Register computation of the configuration words followed by user value
// recovery, over every combination of control type, motor type, sensor
// types, sensor connectors, control mode and the old-style speed estimator.
namespace {

struct Case {
  int control;  // "StepperControlType"
  int motorType;
  int motor;  // "MotorSensorType"
  int load;   // "LoadSensorType"
  int motorConnector;
  int loadConnector;
  int mode;       // "ControlMode"
  int estimator;  // "isSpeedEstimator", option "newSpeedEstimator" absent

  std::string Name() const {
    return fmt::format("control {} motor type {} sensors {}/{} connectors {}/{} mode {} estimator {}", control,
                       motorType, motor, load, motorConnector, loadConnector, mode, estimator);
  }
};

// Where a recovered sensor value comes from.
enum class From { kZero, kOne, kMotor, kLoad, kMotorConnector, kLoadConnector };

// What recovery gives back for each set-up of sensors, read off the "SCR"
// and "OSR" layouts; where it differs from what went in, the rule says why.
struct SensorRow {
  bool closedLoop;
  bool motorPresent;
  bool loadPresent;
  From motor, load, motorConnector, loadConnector;
  const char* rule;  // nullptr: every choice comes back
};

// clang-format off
constexpr SensorRow kSensorRows[] = {
  {false, false, false, From::kZero,  From::kZero,  From::kZero,           From::kLoadConnector,
   "no sensor: only bit 10 is written, and without a motor sensor it is the load sensor's input"},
  {false, true,  false, From::kMotor, From::kZero,  From::kMotorConnector, From::kZero,
   "an absent load sensor has no input bit: it reads as input 0"},
  {false, false, true,  From::kZero,  From::kLoad,  From::kZero,           From::kLoadConnector,
   "an absent motor sensor has no input bit: it reads as input 0"},
  {false, true,  true,  From::kZero,  From::kMotor, From::kMotorConnector, From::kLoadConnector,
   "open loop carries one sensor code: the motor sensor's, and \"OSR\" bit 12 (load sensor) reads it as the load"},
  {true,  true,  true,  From::kMotor, From::kLoad,  From::kMotorConnector, From::kLoadConnector, nullptr},
  {true,  true,  false, From::kMotor, From::kZero,  From::kMotorConnector, From::kZero,
   "an absent load sensor has no input bit: it reads as input 0"},
  {true,  false, true,  From::kLoad,  From::kZero,  From::kLoadConnector,  From::kZero,
   "closed loop stores a single sensor without its side: it comes back as the motor sensor, with its input"},
  {true,  false, false, From::kOne,   From::kZero,  From::kLoadConnector,  From::kZero,
   "closed loop without a sensor: sensor code 0 reads as an incremental motor encoder, on the input of bit 10"},
};
// clang-format on

const SensorRow& RowFor(const Case& c) {
  for (const SensorRow& row : kSensorRows)
    if (row.closedLoop == (c.control == 1) && row.motorPresent == (c.motor != 0) && row.loadPresent == (c.load != 0))
      return row;
  throw std::logic_error("no sensor row");
}

int Take(From from, const Case& c) {
  switch (from) {
    case From::kZero:
      return 0;
    case From::kOne:
      return 1;
    case From::kMotor:
      return c.motor;
    case From::kLoad:
      return c.load;
    case From::kMotorConnector:
      return c.motorConnector;
    case From::kLoadConnector:
      return c.loadConnector;
  }
  return -1;
}

// "ACR" in open loop codes speed mode only (bit 13): torque mode needs the
// current loop that open loop does not close.
int ExpectedMode(const Case& c) { return c.control == 0 && c.mode == 2 ? 0 : c.mode; }

// The old-style estimator field (binary 110 in "SCR" bits 3-5) exists only in
// closed loop with one sensor, and is written only for a single incremental
// encoder, where the Advanced dialog offers it.
int ExpectedEstimator(const Case& c) {
  const bool singleIncremental = (c.motor == 1 && c.load == 0) || (c.motor == 0 && c.load == 1);
  return c.estimator == 1 && c.control == 1 && singleIncremental ? 1 : 0;
}

CVX_Setup SetupFor(const Case& c) {
  CVX_Setup setup = cwtest::MakeWordsSetup();
  cwtest::Set(setup, "StepperControlType", c.control);
  cwtest::Set(setup, "StepperMotorType", c.motorType);
  cwtest::Set(setup, "MotorSensorType", c.motor);
  cwtest::Set(setup, "LoadSensorType", c.load);
  cwtest::Set(setup, "MotorSensorConnector", c.motorConnector);
  cwtest::Set(setup, "LoadSensorConnector", c.loadConnector);
  cwtest::Set(setup, "ControlMode", c.mode);
  cwtest::Set(setup, "isSpeedEstimator", c.estimator);
  return setup;
}

template <class Visit>
void ForEveryCase(Visit visit) {
  for (int control : {0, 1})
    for (int motorType : {0, 1})
      for (int motor = 0; motor <= 4; ++motor)
        for (int load = 0; load <= 4; ++load)
          for (int motorConnector : {0, 1})
            for (int loadConnector : {0, 1})
              for (int mode : {0, 1, 2})
                for (int estimator : {0, 1})
                  visit(Case{control, motorType, motor, load, motorConnector, loadConnector, mode, estimator});
}

TEST(ConfigWordsRoundTrip, GivesBackTheChoicesTheLayoutsKeep) {
  ForEveryCase([](const Case& c) {
    CVX_Setup setup = SetupFor(c);
    cwtest::RoundTrip(setup);
    const SensorRow& row = RowFor(c);
    SCOPED_TRACE(c.Name() + (row.rule ? std::string(" -- rule: ") + row.rule : std::string()));

    EXPECT_EQ(cwtest::Value(setup, "StepperControlType"), c.control);
    EXPECT_EQ(cwtest::Value(setup, "StepperMotorType"), c.motorType);
    EXPECT_EQ(cwtest::Value(setup, "MotorSensorType"), Take(row.motor, c));
    EXPECT_EQ(cwtest::Value(setup, "LoadSensorType"), Take(row.load, c));
    EXPECT_EQ(cwtest::Value(setup, "MotorSensorConnector"), Take(row.motorConnector, c));
    EXPECT_EQ(cwtest::Value(setup, "LoadSensorConnector"), Take(row.loadConnector, c));
    EXPECT_EQ(cwtest::Value(setup, "ControlMode"), ExpectedMode(c));
    EXPECT_EQ(cwtest::Value(setup, "isSpeedEstimator"), ExpectedEstimator(c));
  });
}

// The first round trip settles every choice; the second writes the same words
// and gives back the same user values, except where the first trip reduced a
// set-up (rows above) and the next computation writes the reduced one.
struct Settling {
  bool closedLoop;
  const char* parameter;
  const char* rule;
};
// clang-format off
constexpr Settling kSettling[] = {
  {false, "SCR", "open loop with two sensors: the motor sensor's input stays in bit 11 until the next "
                 "computation, which without a motor sensor writes no bit 11"},
  {false, "MotorSensorConnector", "the same bit 11, read back as the motor input"},
  {true, "OSR", "closed loop with only a load sensor: bit 12 (load sensor) clears once the sensor "
                "came back as the motor sensor"},
};
// clang-format on

bool Settles(const Case& c, const std::string& parameter) {
  const bool reduced = c.control == 0 ? (c.motor != 0 && c.load != 0) : (c.motor == 0 && c.load != 0);
  if (!reduced) return false;
  for (const Settling& s : kSettling)
    if (s.closedLoop == (c.control == 1) && parameter == s.parameter) return true;
  return false;
}

TEST(ConfigWordsRoundTrip, SecondRoundTripChangesNothing) {
  ForEveryCase([](const Case& c) {
    SCOPED_TRACE(c.Name());
    CVX_Setup setup = SetupFor(c);
    cwtest::RoundTrip(setup);
    const CVX_Setup first = setup;
    cwtest::RoundTrip(setup);
    for (const CVX_Parameter* p : setup.GetParameters()) {
      if (Settles(c, p->GetName())) continue;
      EXPECT_EQ(p->GetValueInInternalUnit(), first.FindParameter(p->GetName())->GetValueInInternalUnit())
          << p->GetName();
    }
  });
}

// After the reduced set-ups have settled, a third trip changes nothing.
TEST(ConfigWordsRoundTrip, ReducedSetupsSettleAfterTwoTrips) {
  for (const Case& c : {Case{0, 0, 2, 3, 1, 1, 0, 0}, Case{1, 0, 0, 3, 1, 1, 1, 0}}) {
    SCOPED_TRACE(c.Name());
    CVX_Setup setup = SetupFor(c);
    cwtest::RoundTrip(setup);
    cwtest::RoundTrip(setup);
    const CVX_Setup second = setup;
    cwtest::RoundTrip(setup);
    for (const CVX_Parameter* p : setup.GetParameters())
      EXPECT_EQ(p->GetValueInInternalUnit(), second.FindParameter(p->GetName())->GetValueInInternalUnit())
          << p->GetName();
  }
}

}  // namespace
