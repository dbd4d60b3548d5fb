#pragma once

#include "dialogs/step_units_snapshot.h"
#include "kernel/setup_snapshot.h"

namespace dialogs {

// The setup as a sub-dialog found it, so that Cancel can undo what its
// controls wrote at once: the kernel's snapshot of the parameters, options
// and identity, and the step units exactly as they were.
class SetupSnapshot {
 public:
  explicit SetupSnapshot(const CVX_Setup& setup) : m_saved(setup), m_stepUnits(setup) {}

  void RestoreInto(CVX_Setup& setup) const {
    m_saved.RestoreInto(setup);
    m_stepUnits.RestoreInto(setup);
  }

 private:
  kernel::SetupSnapshot m_saved;
  StepUnitsSnapshot m_stepUnits;
};

}  // namespace dialogs
