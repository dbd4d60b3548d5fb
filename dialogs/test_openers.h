#pragma once

#include "commissioning/setup_dialog_openers.h"

// The setup dialogs that the commissioning tests open, as the tests take
// them (commissioning/setup_dialog_openers.h).
namespace dialogs {

commissioning::SetupDialogOpeners SetupDialogOpenersForTests();

}  // namespace dialogs
