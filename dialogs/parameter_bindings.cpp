#include "dialogs/parameter_bindings.h"

#include "kernel/ui/edit_setup_dlg.h"

namespace dialogs {

void AddBindings(CVX_EditSetupDlg& dialog, CVX_Setup& setup, std::span<const ParameterBinding> rows) {
  for (const ParameterBinding& row : rows) {
    if (row.when && !row.when(setup)) continue;
    switch (row.as) {
      case BindAs::kEdit:
        dialog.AddParameterControls(row.name, row.control, row.second);
        break;
      case BindAs::kCheck:
        dialog.AddCheckParameterControls(row.name, row.control);
        break;
      case BindAs::kSwitch:
        dialog.AddSwitchParameterControls(row.name, row.control, row.second);
        break;
      case BindAs::kSwitchCombo:
        dialog.AddSwitchComboParameterControls(row.name, row.control);
        break;
    }
  }
}

}  // namespace dialogs
