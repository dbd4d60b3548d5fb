#include "engine/step_units.h"

#include <numbers>

#include "engine/setup_access.h"
#include "kernel/errors.h"

namespace engine {
namespace {

bool MergeAll(CVX_Setup& setup, const std::array<std::string_view, 4>& units, double factor) {
  for (size_t i = 0; i < units.size(); ++i)
    if (!setup.MergeDerivedUnit(units[i], kStepBaseUnits[i], factor, 0.0)) return false;
  return true;
}

bool RemoveAll(CVX_Setup& setup, const std::array<std::string_view, 4>& units) {
  if (!setup.FindUnit(units[0])) return true;
  bool removed = true;
  for (std::string_view unit : units) removed = setup.RemoveUnit(unit) && removed;
  return removed;
}

}  // namespace

bool UpdateStepUnits(CVX_Setup& setup) {
  const auto controlType = Base(setup, "StepperControlType");
  if (!controlType) return false;
  // The kernel reports a refused unit change as an error; here the result
  // says it.
  kernel::QuietErrors quiet;
  if (*controlType != 0.0) {
    const bool steps = RemoveAll(setup, kStepUnits);
    const bool microsteps = RemoveAll(setup, kMicrostepUnits);
    return steps && microsteps;
  }
  const auto motorTurns = Base(setup, "Motor_transmission");
  const auto loadTurns = Base(setup, "Load_transmission");
  const auto stepsPerRev = Base(setup, "NoMotorSteps");
  const auto microstepsPerStep = Base(setup, "NoMicroStepsPerStep");
  if (!motorTurns || !loadTurns || !stepsPerRev || !microstepsPerStep) return false;
  const double stepsPerLoadRad = *motorTurns / *loadTurns * *stepsPerRev / (2.0 * std::numbers::pi);
  return MergeAll(setup, kStepUnits, stepsPerLoadRad) &&
         MergeAll(setup, kMicrostepUnits, stepsPerLoadRad * *microstepsPerStep);
}

}  // namespace engine
