#pragma once

#include <string>

// The application object of a module (a plug-in library or a program). The
// dialogs, bitmaps and strings of that module live in it; exactly one exists
// per module, constructed when the module loads.
class CWinApp {
 public:
  explicit CWinApp(const char* appName = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  const std::string& GetAppName() const { return m_appName; }

 private:
  std::string m_appName;
};
