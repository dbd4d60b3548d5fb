#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/user_script.h"

// How `drivesetup edit --dialog NAME` reaches a dialog. The host loads the
// plug-in and knows none of its dialogs: it opens the Drive Setup dialog
// through EditSetup and plays, before the user's script, the clicks a person
// makes there to reach the dialog, so that the dialog opens exactly as it
// does for a person. A dialog no button leads to yet is asked of EditSetup
// by name (kernel/dialog_request.h).
namespace host {

struct EditRoute {
  std::string_view name;     // the --dialog value
  std::string_view caption;  // the caption of the dialog the script starts in
  std::string_view request;  // asked of EditSetup instead of the Drive Setup dialog; empty for none
  std::vector<platform::ScriptStep> (*clicks)();  // played first in the Drive Setup dialog; nullptr for none
};

// The --dialog values, for the command line.
std::vector<std::string> EditDialogNames();
// The route of `name`; nullptr for an unknown one.
const EditRoute* FindEditRoute(std::string_view name);

}  // namespace host
