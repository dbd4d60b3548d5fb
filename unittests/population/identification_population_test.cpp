// The identification programs over a seeded random population of motors,
// each commissioned as a new user would: a setup with datasheet values 10-20 %
// off the truth, the programs on the simulated drive, the tests' arithmetic
// on what they report. Every motor must come out identified within the
// tolerance or failed with the test's failure outputs, never with a wrong
// value that looks like success; and most must be identified.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <functional>
#include <iostream>

#include "population/identification_runs.h"
#include "support/example_setups.h"

namespace population {
namespace {


constexpr std::uint64_t kSeed = 20240611;
constexpr int kMotors = 48;

const std::vector<TrueMotor>& Motors() {
  static const std::vector<TrueMotor> motors = DrawPopulation(kSeed, kMotors);
  return motors;
}

using Identification = std::function<Outcome(const TrueMotor&, const Datasheet&)>;

// Runs one identification over the population, prints its row and every
// motor that did not come out identified, and checks the shares: no value
// outside its tolerance that looks like success, and at least
// `identified_share` of the motors identified.
// `measurable`: the motors the test can measure at all; the others must
// fail honestly and count for no share.
void Survey(const char* quantity, const Identification& identify, double identified_share = 0.9,
            const std::function<bool(const TrueMotor&)>& measurable = nullptr) {
  // The user's values are typed in engineering units, as through the plug-in.
  const testsupport::ScopedEngineUnitScales scales;
  int identified = 0;
  int honest = 0;
  int wrong = 0;
  int unmeasurable = 0;
  std::string details;
  for (const TrueMotor& motor : Motors()) {
    const Outcome outcome = identify(motor, DatasheetOf(motor, kSeed));
    if (measurable && !measurable(motor) && outcome.verdict == Verdict::kHonestFailure) {
      ++unmeasurable;
      continue;
    }
    switch (outcome.verdict) {
      case Verdict::kIdentified:
        ++identified;
        continue;
      case Verdict::kHonestFailure:
        ++honest;
        // The test's text, its first line.
        details += fmt::format("  honest failure, {}: {}\n", outcome.note.substr(0, outcome.note.find('\n')),
                               motor.Describe());
        break;
      case Verdict::kSilentlyWrong:
        ++wrong;
        details += fmt::format("  SILENTLY WRONG, {} (found {:.6g}, truth {:.6g}): {}\n", outcome.note, outcome.value,
                               outcome.truth, motor.Describe());
        break;
    }
  }
  const int counted = kMotors - unmeasurable;
  std::cout << fmt::format(
                   "{:<22} identified {:>3} / honest failures {:>3} (+{} unmeasurable) / silently wrong {:>3}  "
                   "({:.0f} % identified)\n",
                   quantity, identified, honest, unmeasurable, wrong, 100.0 * identified / counted)
            << details;
  EXPECT_EQ(wrong, 0) << quantity;
  EXPECT_GE(identified, identified_share * counted) << quantity;
}

TEST(IdentificationPopulation, Resistance) { Survey("resistance", IdentifyResistance); }
TEST(IdentificationPopulation, Inductance) { Survey("inductance", IdentifyInductance); }
TEST(IdentificationPopulation, Supply) { Survey("supply", IdentifySupply); }
// The inertia's honest failures are motors whose current loop cannot hold
// the swing's current: a strong torque constant on a low supply (its
// back-EMF at the speeds the encoder's counts need), or a winding faster
// than the current loop with a loop of integral action alone; the program
// sees the current off its reference and says so.
TEST(IdentificationPopulation, TotalInertia) { Survey("total inertia", IdentifyTotalInertia); }
// An encoder of no standard count near a standard one must fail with the
// text that names its count, never pass for the standard.
TEST(IdentificationPopulation, EncoderLinesAndDirection) {
  Survey("encoder lines, direction", IdentifyEncoder, 0.9,
         [](const TrueMotor& motor) { return IsStandardLineCount(motor.encoder_lines); });
}
TEST(IdentificationPopulation, SerialEncoderOffset) { Survey("serial encoder offset", IdentifySerialOffset); }

}  // namespace
}  // namespace population
