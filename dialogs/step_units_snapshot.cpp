#include "dialogs/step_units_snapshot.h"

#include "engine/step_units.h"
#include "kernel/setup.h"

namespace dialogs {

StepUnitsSnapshot::StepUnitsSnapshot(const CVX_Setup& setup) {
  // Steps before microsteps of each family, the order in which they are made.
  for (std::size_t i = 0; i < engine::kStepUnits.size(); ++i) {
    for (std::string_view name : {engine::kStepUnits[i], engine::kMicrostepUnits[i]}) {
      const CVX_Unit* unit = setup.FindUnit(name);
      m_units.push_back({std::string(name), unit ? std::optional<CVX_Unit>(*unit) : std::nullopt});
    }
  }
}

void StepUnitsSnapshot::RestoreInto(CVX_Setup& setup) const {
  for (const SavedUnit& saved : m_units) {
    if (saved.unit)
      setup.MergeDerivedUnit(saved.name, saved.unit->family, saved.unit->factor, saved.unit->offset);
    else if (setup.FindUnit(saved.name))
      setup.RemoveUnit(saved.name);
  }
}

}  // namespace dialogs
