#pragma once

#include <optional>
#include <string>
#include <vector>

#include "kernel/units.h"

class CVX_Setup;

namespace dialogs {

// The step and microstep units as they were, so that a dialog left without
// OK can put them back exactly: rebuilding them from the restored counts
// could differ in the last digits from what the setup held.
class StepUnitsSnapshot {
 public:
  explicit StepUnitsSnapshot(const CVX_Setup& setup);
  void RestoreInto(CVX_Setup& setup) const;

 private:
  struct SavedUnit {
    std::string name;
    std::optional<CVX_Unit> unit;  // none: the setup did not have it
  };
  std::vector<SavedUnit> m_units;
};

}  // namespace dialogs
