#pragma once

#include "kernel/setup.h"

namespace kernel {

// A setup as a dialog or a test found it, so that leaving without OK can
// undo what its controls and runs wrote. Restoring works in place: the
// parameter objects stay where they are, so bindings and pointers to them
// stay valid.
class SetupSnapshot {
 public:
  explicit SetupSnapshot(const CVX_Setup& setup) : m_saved(setup) {}

  // Every parameter's value, limits, unit and type, the drive variables'
  // units, the unit families, the options and the drive identity as they
  // were when the snapshot was taken (families are not taken away: one
  // added since is removed, a derived unit merged since stays).
  void RestoreInto(CVX_Setup& setup) const;

 private:
  CVX_Setup m_saved;
};

}  // namespace kernel
