#pragma once

#include "platform/win_types.h"

class CVX_Setup;
class CWnd;

// Setup dialogs that the tuning tests open and that live with the setup
// dialogs, which in turn open the tests: the setup dialogs hand them in
// when they make a test. Each shows its dialog modally over `parent` and
// returns the dialog's result; none (nullptr) means the plug-in has no such
// dialog, and what would open it does nothing.
namespace commissioning {

struct SetupDialogOpeners {
  // "Motor inertia": asked when the total inertia lies below the motor's.
  INT_PTR (*inertiaQuestion)(CVX_Setup* setup, CWnd* parent) = nullptr;
  // "Filters"; `lock` non-zero shows the filters without letting them change.
  INT_PTR (*filters)(CVX_Setup* setup, int lock, CWnd* parent) = nullptr;
};

}  // namespace commissioning
