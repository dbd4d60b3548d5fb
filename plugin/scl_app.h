#pragma once

#include "platform/win_app.h"

// The library's application object: the module in which its dialogs,
// bitmaps and strings live. It adds nothing to the framework's class.
class CSCLApp : public CWinApp {
 public:
  CSCLApp() = default;
};

// The one instance, constructed when the library loads and destroyed when it
// unloads.
extern CSCLApp theApp;
