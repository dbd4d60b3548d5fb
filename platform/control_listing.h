#pragma once

// What a person sees of every control of a dialog, for a script writer who
// needs the identifiers and captions of a dialog without reading its
// template: the "list" step of a user script and `drivesetup edit --list`.

#include <string>
#include <vector>

#include "platform/user_actions.h"
#include "platform/win_types.h"

class CDialog;

namespace platform {

struct ListedControl {
  int id = 0;  // below 1 for a label no code refers to
  ControlState state;
};

struct ControlListing {
  std::string caption;  // the dialog's
  UINT templateId = 0;
  std::vector<ListedControl> controls;  // in template order
};

ControlListing ListControls(const CDialog& dialog);

// A heading, then one line per control: its identifier ("-" for none), class, whether it
// is visible and enabled, the check state of check boxes and radio buttons,
// and its text (an edit's content, a combo box's shown entry and its number
// of entries, the caption of anything else) quoted as a script writes it.
std::string ListingText(const ControlListing& listing);

}  // namespace platform
