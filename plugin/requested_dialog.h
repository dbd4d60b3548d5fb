#pragma once

#include <string_view>

#include "platform/win_types.h"

class CVX_Setup;

namespace plugin {

// Opens the dialog a host asked EditSetup for by name in place of the Drive
// Setup dialog, as its own opener would; its result, or -1 (with an error
// naming it) for a name the plug-in does not know.
INT_PTR EditRequestedDialog(CVX_Setup& setup, std::string_view name);

}  // namespace plugin
