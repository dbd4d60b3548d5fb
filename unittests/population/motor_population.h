#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

class CVX_Setup;

// A seeded random population of stepper motors over the range the drive's
// identification programs must hold, each with the setup a new user would
// type in: datasheet values 10-20 % off the truth.
namespace population {

enum class Winding { kTwoPhase, kStar, kDelta };

struct TrueMotor {
  int index = 0;
  Winding winding = Winding::kTwoPhase;
  bool closed_loop = true;  // two-phase only: the closed-loop example, else the open-loop one
  int steps_per_rev = 200;
  double r_ohm = 1.0;   // per winding
  double l_H = 3e-3;    // per winding
  double k_Nm_per_A = 0.5;
  double jm_kgm2 = 5e-5;
  double jload_kgm2 = 0.0;
  double rated_A = 2.0;
  double supply_V = 48.0;
  double test_speed_rad_s = 20.0;  // the speed limit the user leaves for the inertia test
  int encoder_lines = 1000;
  bool encoder_reversed = false;
  int serial_bits = 17;
  std::uint64_t serial_offset = 0;
  bool serial_biss = false;
  bool serial_gray = false;
  double initial_angle_rad = 0.0;

  int pole_pairs() const { return steps_per_rev / 4; }
  double total_inertia_kgm2() const { return jm_kgm2 + jload_kgm2; }
  // What the drive sees of a winding: a delta looks like a star of a third.
  double Connection() const { return winding == Winding::kDelta ? 3.0 : 1.0; }
  std::string Describe() const;
};

// The values a user takes from the datasheet: each off the truth by 10 %
// to `max_share` (20 % unless asked otherwise), either way.
struct Datasheet {
  double r_ohm;
  double l_H;
  double k_Nm_per_A;
  double jm_kgm2;
  double jload_over_jm;
  double supply_V;
  int encoder_lines;  // remembered wrong, not necessarily a standard count
};

// Standard line counts of incremental encoders, all among those the
// encoder test rounds to; the population draws those from 200 to 10000, and
// one encoder in six with a count of its own 3-12 % off one of them.
const std::vector<int>& StandardLineCounts();
bool IsStandardLineCount(int lines);

std::vector<TrueMotor> DrawPopulation(std::uint64_t seed, int count);
Datasheet DatasheetOf(const TrueMotor& motor, std::uint64_t seed, double max_share = 0.20);

// The example setup the motor's commissioning starts from.
const char* ExampleFor(const TrueMotor& motor, bool serial_encoder);

// The "simulation" object of the true world; `serial_encoder` fits the
// serial encoder instead of the incremental one.
std::string SimulationJson(const TrueMotor& motor, bool serial_encoder);

// Sets a parameter in its base unit, widening its limits when the value
// lies beyond them: the population's drive is sized for its motor.
void PutValue(CVX_Setup& setup, const char* name, double value);

// Types the datasheet and the user's choices into the setup (motor, supply,
// currents, steps, encoder, current-loop gains designed from the datasheet)
// and computes the registers.
void TypeIntoSetup(CVX_Setup& setup, const TrueMotor& motor, const Datasheet& datasheet, bool serial_encoder);

}  // namespace population
