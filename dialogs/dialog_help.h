#pragma once

class CVX_Setup;
class CWnd;

namespace dialogs {

// Opens the host's help file for `setup` at topic `context`; nothing when the
// host gives no help file.
void ShowHelpTopic(const CWnd& caller, const CVX_Setup* setup, unsigned long context);

}  // namespace dialogs
