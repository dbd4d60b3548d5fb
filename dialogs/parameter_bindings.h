#pragma once

#include <span>
#include <string_view>

class CVX_EditSetupDlg;
class CVX_Setup;

// A dialog's parameter bindings as a table: which parameter each control
// shows, and the capability or configuration under which the binding
// exists. A dialog lists its rows once and binds them with AddBindings.
namespace dialogs {

enum class BindAs {
  kEdit,         // edit `control`, unit combo `second` (0: none)
  kCheck,        // check box `control`
  kSwitch,       // radio buttons `control` .. `second`, values 0, 1, ... in that order
  kSwitchCombo,  // combo box `control`, the values as item data
};

// When a row binds; nullptr binds always. Conditions read the setup quietly.
using BindingCondition = bool (*)(CVX_Setup& setup);

struct ParameterBinding {
  std::string_view name;
  BindAs as;
  int control;
  int second = 0;
  BindingCondition when = nullptr;
};

// Binds the rows whose condition holds, in table order.
void AddBindings(CVX_EditSetupDlg& dialog, CVX_Setup& setup, std::span<const ParameterBinding> rows);

}  // namespace dialogs
