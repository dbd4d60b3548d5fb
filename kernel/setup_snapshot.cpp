#include "kernel/setup_snapshot.h"

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "kernel/parameter.h"
#include "kernel/variable.h"

namespace kernel {

void SetupSnapshot::RestoreInto(CVX_Setup& setup) const {
  const auto& saved = m_saved.GetParameters();
  const auto& live = setup.GetParameters();
  // Dialogs and tests neither add nor remove parameters, so both lists keep
  // the same order; a name that differs is skipped rather than mixed up.
  for (std::size_t i = 0; i < live.size() && i < saved.size(); ++i) {
    if (live[i]->GetName() != saved[i]->GetName()) continue;
    *live[i] = CVX_Parameter(&setup, *saved[i]);
  }

  std::set<std::string> keep;
  for (const auto& [name, text] : m_saved.GetOptions()) {
    setup.SetOption(name, text);
    keep.insert(name);
  }
  for (const auto& [name, text] : setup.GetOptions())
    if (!keep.count(name)) setup.ClearOption(name);

  // The load-side units update changes the units of drive variables too.
  for (const CVX_Variable* saved : m_saved.GetVariables())
    if (CVX_Variable* variable = setup.FindVariable(saved->GetName(), saved->GetAxis()))
      variable->InitUnit(saved->GetUnitType(), saved->GetUnitName());

  // Families added since (the plug-in gives a unit to a value the file
  // kept without one); the parameters and variables are back in their old
  // units by now.
  std::vector<std::string> added;
  for (const CVX_UnitFamily& family : setup.GetUnits())
    if (!m_saved.FindUnit(family.base.name)) added.push_back(family.base.name);
  for (const std::string& name : added) setup.RemoveUnitFamily(name);

  setup.SetIdentity(m_saved.GetIdentity());
}

}  // namespace kernel
