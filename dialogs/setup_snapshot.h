#pragma once

#include "dialogs/step_units_snapshot.h"
#include "kernel/setup.h"

namespace dialogs {

// The setup as a sub-dialog found it, so that Cancel can undo what its
// controls wrote at once. Restoring works in place: the parameter objects
// stay where they are, so the opener's bindings and pointers stay valid.
class SetupSnapshot {
 public:
  explicit SetupSnapshot(const CVX_Setup& setup) : m_saved(setup), m_stepUnits(setup) {}

  // Every parameter's value, limits, unit and type, the options, the step
  // units and the drive identity as they were when the snapshot was taken.
  void RestoreInto(CVX_Setup& setup) const;

 private:
  CVX_Setup m_saved;
  StepUnitsSnapshot m_stepUnits;
};

}  // namespace dialogs
