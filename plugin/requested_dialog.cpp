#include "plugin/requested_dialog.h"

#include <fmt/format.h>

#include "dialogs/filters_dlg.h"
#include "kernel/errors.h"

namespace plugin {

INT_PTR EditRequestedDialog(CVX_Setup& setup, std::string_view name) {
  if (name == "filters") return dialogs::EditFilters(setup);
  kernel::ReportError(fmt::format("EditSetup: no dialog \"{}\" to open; the plug-in opens \"filters\"", name));
  return -1;
}

}  // namespace plugin
