#pragma once

#include <string_view>
#include <vector>

#include "platform/win_types.h"

// A modal message box: the current user (platform/user.h) reads it and
// presses one of its buttons; returns IDOK, IDCANCEL, IDYES or IDNO, or 0
// when the user gave no answer (the run has then stopped).
int AfxMessageBox(std::string_view text, UINT nType = MB_OK, UINT nIDHelp = 0);
// The same with the text of string resource `nIDPrompt`.
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = 0);

namespace platform {

int ShowMessageBox(std::string_view text, std::string_view caption, UINT type);
// The buttons of a box of style `type`, in the order they are shown.
std::vector<int> MessageBoxButtons(UINT type);
// "ok", "yes", "no", "cancel", "retry"; "?" for other results.
std::string_view ButtonName(int button);

}  // namespace platform
