#include "kernel/unit_choice.h"

#include "kernel/name_key.h"
#include "kernel/setup.h"

namespace kernel {

const std::string& ShownUnitName(const CVX_Setup& setup, const std::string& family, const std::string& chosen) {
  if (chosen.empty() || SameName(chosen, family)) return family;
  const CVX_Unit* unit = setup.FindUnit(chosen);
  if (unit && SameName(unit->family, family)) return chosen;
  return family;  // the display unit was removed
}

bool ChooseUnit(const CVX_Setup& setup, std::string_view unit, std::string& family, std::string& chosen) {
  if (unit.empty()) {
    family.clear();
    chosen.clear();
    return true;
  }
  const CVX_Unit* found = setup.FindUnit(unit);
  if (!found) return false;
  family = found->family;
  chosen = found->name;
  return true;
}

}  // namespace kernel
