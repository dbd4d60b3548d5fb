#include <gtest/gtest.h>

#include <numbers>

#include "drive/motor_feedback.h"
#include "drive/simulation_config.h"

namespace drive {
namespace {

constexpr double kTurn = 2.0 * std::numbers::pi;

TEST(MotorFeedback, LoadSensorCountsTheLoadTurnsThroughTheTransmission) {
  SimulationConfig world;
  world.motor.transmission_ratio = 3.0;
  world.sensors.incremental = IncrementalEncoderParams{.lines = 1000};
  world.sensors.shaft = SensorShaft::Load;
  MotorModel motor(world.motor);
  MotorFeedback feedback(world, NamedValues{});
  feedback.Reset(motor);
  motor.mutable_state().angle_rad = 3 * kTurn + 1e-6;  // one load turn
  ASSERT_TRUE(feedback.Update(motor));
  EXPECT_EQ(feedback.position(), 4000);
}

TEST(MotorFeedback, WithoutASimulatedSensorTheSetupsOwnSensorIsFitted) {
  const SimulationConfig world;
  MotorModel motor(world.motor);
  NamedValues none;
  none.Set("SCR", 0x403F);  // open loop, no sensor
  EXPECT_FALSE(MotorFeedback(world, none).present());

  // A 13-bit SSI encoder counting backwards, as "SCR", "SSIREV" and
  // "SSISENSE" describe it: the drive's counter still runs forward.
  NamedValues ssi;
  ssi.Set("SCR", 0x4003);
  ssi.Set("SSIREV", 13);
  ssi.Set("SSISENSE", -1);
  MotorFeedback serial(world, ssi);
  ASSERT_TRUE(serial.present());
  EXPECT_EQ(serial.counts_per_rev(), 8192.0);
  // Half a count off the code edges, so that both directions read alike.
  const double half_count = 0.5 * kTurn / 8192;
  motor.mutable_state().angle_rad = half_count;
  serial.Reset(motor);
  const auto start = serial.position();
  motor.mutable_state().angle_rad = 0.25 * kTurn + half_count;
  ASSERT_TRUE(serial.Update(motor));
  EXPECT_EQ(serial.position() - start, 2048);

  // An incremental encoder of "MECRESL" / 4 lines; "ELRES_FRACT" refines a
  // sine/cosine one.
  NamedValues sincos;
  sincos.Set("SCR", 0x4002);
  sincos.Set("MECRESL", 2000);
  sincos.Set("ELRES_FRACT", 4);
  EXPECT_EQ(MotorFeedback(world, sincos).counts_per_rev(), 2000.0 * 16);
}

}  // namespace
}  // namespace drive
