#include "drive/simulation_config.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "drive/motor_model.h"

#include "kernel/setup_file.h"
#include "unittests/support/example_setups.h"

namespace drive {
namespace {

TEST(SimulationConfig, WithoutAnObjectTheWorldIsTheSetupsNominalOne) {
  const auto two = testsupport::LoadExample("two_phase_open_loop.json");
  const SimulationConfig a = NominalSimulation(*two);
  EXPECT_EQ(a.motor.winding, Winding::TwoPhase);
  EXPECT_DOUBLE_EQ(a.motor.resistance_ohm, 0.9);
  EXPECT_DOUBLE_EQ(a.motor.inductance_H, 3.2e-3);
  EXPECT_DOUBLE_EQ(a.motor.torque_constant_Nm_per_A, 0.67);
  EXPECT_DOUBLE_EQ(a.motor.rotor_inertia_kgm2, 4.8e-5);
  EXPECT_EQ(a.motor.pole_pairs, 50);
  EXPECT_DOUBLE_EQ(a.supply_V, 48.0);
  EXPECT_DOUBLE_EQ(a.current_sensor.full_scale_A, 10.0);
  EXPECT_EQ(a.current_sensor.adc_max_counts, 65472);
  EXPECT_GT(a.current_sensor.noise_rms_A, 0.0) << "a real converter is never silent";
  EXPECT_NEAR(a.motor.coulomb_friction_Nm, 0.02 * 0.67 * 2.8, 1e-6) << "\"In\" is read from its current counts";

  const auto three = testsupport::LoadExample("three_phase_open_loop.json");
  EXPECT_EQ(NominalSimulation(*three).motor.winding, Winding::ThreeStar);
  EXPECT_EQ(NominalSimulation(*three).motor.pole_pairs, 50);
  const auto parsed = ParseSimulation(*three, "  \n");
  ASSERT_TRUE(parsed.config) << "blank text is no object";
  EXPECT_DOUBLE_EQ(parsed.config->motor.inductance_H, 2.2e-3);
}

TEST(SimulationConfig, MembersOverrideTheNominalWorld) {
  const auto setup = testsupport::LoadExample("two_phase_open_loop.json");
  const auto parsed = ParseSimulation(*setup, R"({
    "seed": 9, "supply_V": 40.5,
    "motor": {"winding": "delta", "R": 1.1, "phases": [{"R": 2.0}, {"disconnected": true}, {"L": 0.004}]},
    "current_sensor": {"bits": 14, "noise_A": 0},
    "sensors": {"shaft": "load", "encoder": {"lines": 500, "reversed": true, "fault": "no-pulses"},
                "ssi": {"protocol": "biss", "bits": 17, "offset": 874, "gray": true}},
    "person": {"hand_speed_rad_s": 3.0, "analogue_input": [[0, -10], [1, 10]]},
    "faults": {"read": {"from_call": 5, "text": "Link lost."}, "mer": [{"time_s": 0.5, "bits": 32}],
               "enable_input_off": true}})");
  ASSERT_TRUE(parsed.config) << parsed.error;
  const SimulationConfig& c = *parsed.config;
  EXPECT_EQ(c.current_sensor.seed, 9u);
  EXPECT_DOUBLE_EQ(c.supply_V, 40.5);
  EXPECT_EQ(c.motor.winding, Winding::ThreeDelta);
  EXPECT_DOUBLE_EQ(c.motor.inductance_H, 3.2e-3) << "what the object leaves out stays nominal";
  EXPECT_DOUBLE_EQ(WindingResistance_ohm(c.motor, 0), 2.0);
  EXPECT_DOUBLE_EQ(WindingResistance_ohm(c.motor, 2), 1.1);
  EXPECT_TRUE(c.motor.winding_open[1]);
  EXPECT_DOUBLE_EQ(WindingInductance_H(c.motor, 2), 0.004);
  EXPECT_EQ(c.current_sensor.converter_bits, 14);
  EXPECT_EQ(c.sensors.shaft, SensorShaft::Load);
  ASSERT_TRUE(c.sensors.incremental && c.sensors.serial);
  EXPECT_EQ(c.sensors.incremental->lines, 500);
  EXPECT_EQ(c.sensors.incremental->fault, QuadratureFault::NoPulses);
  EXPECT_EQ(c.sensors.serial->protocol, SerialProtocol::BiSS);
  EXPECT_EQ(c.sensors.serial->offset_counts, 874u);
  ASSERT_TRUE(c.person.analogue_input);
  EXPECT_DOUBLE_EQ(c.person.analogue_input->At(0.5), 0.0);
  EXPECT_EQ(c.faults.read.from_call, 5);
  EXPECT_EQ(c.faults.read.text, "Link lost.");
  EXPECT_EQ(c.faults.write.from_call, 0) << "writes keep working";
  ASSERT_EQ(c.faults.mer.size(), 1u);
  EXPECT_EQ(c.faults.mer[0].bits, 0x20);
  EXPECT_TRUE(c.faults.enable_input_off);
}

TEST(SimulationConfig, EveryErrorNamesItsJsonPath) {
  const auto setup = testsupport::LoadExample("two_phase_open_loop.json");
  struct Case {
    const char* json;
    const char* error;
  };
  for (const Case c : {
           Case{R"({"motor": {"R": "high"}})", "simulation.motor.R: must be a number from 0 to 1000000, found \"high\""},
           Case{R"({"motor": {"Rs": 1}})", "simulation.motor.Rs: unknown key (expected one of: winding, R, L, "},
           Case{R"({"motor": {"L": 0}})", "simulation.motor.L: must be a number from 1e-07 to 1000, found 0"},
           Case{R"({"motor": {"winding": "wye"}})",
                "simulation.motor.winding: must be one of \"two-phase\", \"star\", \"delta\", found \"wye\""},
           Case{R"({"motor": {"phases": [{}, {}, {}]}})", "simulation.motor.phases: must list the 2 windings"},
           Case{R"({"motor": {"phases": [{}, {"open": true}]}})", "simulation.motor.phases[1].open: unknown key"},
           Case{R"({"sensors": {"ssi": {"bits": 12, "offset": 4096}}})",
                "simulation.sensors.ssi.offset: must be an integer from 0 to 4095, found 4096"},
           Case{R"({"person": {"analogue_input": [[0]]}})", "simulation.person.analogue_input[0]: must be a pair"},
           Case{R"({"person": {"analogue_input": [[0, 1e5]]}})",
                "simulation.person.analogue_input[0][1]: must be a number from -10000 to 10000, found 100000"},
           Case{R"({"faults": {"read": {"from_call": 0}}})",
                "simulation.faults.read.from_call: must be an integer from 1 to 1073741824, found 0"},
           Case{R"({"faults": {"mer": [{"time_s": -1, "bits": 2}]}})",
                "simulation.faults.mer[0].time_s: must be a number from 0 to 1000000000, found -1"},
           Case{R"({"limit_switches": {"positive_rad": 1, "negative_rad": 2}})",
                "simulation.limit_switches.negative_rad: must lie below positive_rad"},
           Case{R"([1, 2])", "simulation: must be an object, found array"},
           Case{R"({"motor": )", "simulation.motor: parse error at line 1, column 11"},
           Case{R"({"supply_V": 1e400})", "simulation.supply_V: the number 1e400 is too large for a double"},
           Case{R"({"supply_V": 1e300})", "simulation.supply_V: must be a number from 0 to 10000, found 1e+300"},
           Case{R"({"seed": 3.0})", "simulation.seed: 3.0 is not an integer (must be an integer from 0 to 1073741824)"},
           Case{R"({"sensors": {"ssi": {"bits": 33}}})", "simulation.sensors.ssi.bits: must be an integer from 1 to 32"},
           Case{R"({"sensors": {"ssi": {"multi_turn_bits": 32}}})",
                "simulation.sensors.ssi.multi_turn_bits: must be an integer from 0 to 31"},
       }) {
    const auto parsed = ParseSimulation(*setup, c.json);
    EXPECT_FALSE(parsed.config) << c.json;
    EXPECT_EQ(parsed.error.rfind(c.error, 0), 0u) << c.json << " gave: " << parsed.error;
  }
}

TEST(SimulationConfig, EveryFaultOfAnObjectIsReportedAtOnce) {
  const auto setup = testsupport::LoadExample("two_phase_open_loop.json");
  const auto parsed = ParseSimulation(*setup, R"({"supply_V": -1, "motor": {"R": -1, "Q": 1}, "seed": "x"})");
  EXPECT_FALSE(parsed.config);
  std::vector<std::string> paths;
  for (const input::JsonError& error : parsed.errors) paths.push_back(error.path);
  EXPECT_EQ(paths, (std::vector<std::string>{"simulation.seed", "simulation.motor.Q", "simulation.motor.R",
                                             "simulation.supply_V"}));
}

TEST(SimulationConfig, TheWidestSerialFrameIsAccepted) {
  const auto setup = testsupport::LoadExample("two_phase_open_loop.json");
  const auto parsed = ParseSimulation(
      *setup, R"({"sensors": {"ssi": {"protocol": "biss", "bits": 32, "multi_turn_bits": 31, "offset": 4294967295}}})");
  ASSERT_TRUE(parsed.config) << parsed.error;
  EXPECT_EQ(parsed.config->sensors.serial->offset_counts, 0xFFFFFFFFu);
}

}  // namespace
}  // namespace drive

namespace drive {
namespace {

// "K" is the torque per ampere of the drive's current vector, the line
// currents, for star and delta alike: the largest torque a line current
// vector of 2 A gives, over every rotor angle, is 2 K.
TEST(SimulationConfig, TorqueConstantIsPerAmpereOfTheLineCurrentsInStarAndDelta) {
  const auto setup = testsupport::LoadExample("three_phase_open_loop.json");
  for (const char* winding : {"star", "delta"}) {
    SCOPED_TRACE(winding);
    const auto parsed = ParseSimulation(*setup, std::string(R"({"motor": {"winding": ")") + winding + R"(", "K": 0.5}})");
    ASSERT_TRUE(parsed.config) << parsed.error;
    MotorModel motor(parsed.config->motor);
    const bool delta = std::string(winding) == "delta";
    double largest = 0.0;
    for (int n = 0; n < 3600; ++n) {
      PhaseValues line{};
      for (int k = 0; k < 3; ++k) line[k] = 2.0 * std::cos(-2 * std::numbers::pi * k / 3);
      // A delta's windings carry the line currents' differences, a third
      // each, with nothing circulating.
      motor.mutable_state().winding_current_A =
          delta ? PhaseValues{(line[0] - line[1]) / 3, (line[1] - line[2]) / 3, (line[2] - line[0]) / 3} : line;
      motor.mutable_state().angle_rad = 2 * std::numbers::pi * n / 3600 / motor.params().pole_pairs;
      largest = std::max(largest, motor.ElectromagneticTorque_Nm());
    }
    EXPECT_NEAR(largest, 2 * 0.5, 1e-3);
  }
}

}  // namespace
}  // namespace drive
