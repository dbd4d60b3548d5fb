#pragma once

#include <string>

#include "population/motor_population.h"

// One identification of one motor, as its commissioning test runs it: the
// programs on a simulated drive of the motor's true world, the setup the
// user typed, and the test's arithmetic on what the programs reported.
namespace population {

enum class Verdict {
  kIdentified,     // within tolerance of the truth
  kHonestFailure,  // the test fails with its failure outputs
  kSilentlyWrong,  // the test succeeds with a value outside tolerance
};

struct Outcome {
  Verdict verdict = Verdict::kHonestFailure;
  double value = 0.0;  // what the test found, when it found something
  double truth = 0.0;
  std::string note;    // the failure's cause, or what is wrong
  // The error allowed, in the value's unit, where it is not a share of the
  // truth; 0 otherwise.
  double tolerance = 0.0;
};

// R within 1 %, L within 3 %, the supply within 0.5 %.
Outcome IdentifyResistance(const TrueMotor& motor, const Datasheet& datasheet);
Outcome IdentifyInductance(const TrueMotor& motor, const Datasheet& datasheet);
Outcome IdentifySupply(const TrueMotor& motor, const Datasheet& datasheet);
// Jt within 3 % of what a perfect measurement gives through the setup's own
// torque constant (the test cannot know a datasheet K is off).
Outcome IdentifyTotalInertia(const TrueMotor& motor, const Datasheet& datasheet);
// The counting direction and, counting the right way, the exact line count.
Outcome IdentifyEncoder(const TrueMotor& motor, const Datasheet& datasheet);
// "ZAOFF" at an electrical zero of the rotor, within the drive's
// resolution: one count, or the counts a 16-bit commutation angle cannot
// tell apart.
Outcome IdentifySerialOffset(const TrueMotor& motor, const Datasheet& datasheet);

}  // namespace population
