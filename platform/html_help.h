#pragma once

#include "platform/win_types.h"

// Asks for help file `pszFile` at command `uCommand` (HH_HELP_CONTEXT with
// the topic number in `dwData`). Headless, the request goes to the current
// user (platform/user.h), who may show it; no window is made, so the result
// is always nullptr. A null or empty file name asks for nothing.
HWND HtmlHelpA(HWND hwndCaller, LPCSTR pszFile, UINT uCommand, DWORD_PTR dwData);
