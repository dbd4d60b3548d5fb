#pragma once

class CVX_Setup;
class CWnd;

namespace kernel {

// Opens the host's help file for `setup` (GetHelpFileOfGUI) at topic
// `context` through HTML Help; nothing when the host gives no help file.
void ShowHelpTopic(const CWnd& caller, const CVX_Setup* setup, unsigned long context);

}  // namespace kernel
