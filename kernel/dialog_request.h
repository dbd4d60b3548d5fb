#pragma once

#include <optional>
#include <string>
#include <string_view>

// A host may ask the plug-in's EditSetup to open one dialog of its own
// choosing in place of the Drive Setup dialog: a dialog that no button of
// the Drive Setup dialog reaches yet, or that a person edits alone (the
// Filters dialog). The request lives in the kernel because host and plug-in
// share it; it holds for the next EditSetup call only.
//
// Names the plug-in knows: "filters". EditSetup refuses an unknown name with
// an error naming it and returns 0, as for a dialog that cannot open.
namespace kernel {

void RequestDialog(std::string_view name);
// The pending request, which it clears; nothing when none is pending.
std::optional<std::string> TakeDialogRequest();

}  // namespace kernel
