#pragma once

#include <functional>
#include <string>

// Non-zero: kernel errors are shown through the error channel. The plug-in
// clears it around a capability probe so that a missing parameter is silent.
extern int g_bShowErrors;

namespace kernel {

// Where shown errors go: a message box once the UI framework is present,
// standard error by default, a collecting fake in tests.
using ErrorSink = std::function<void(const std::string& text)>;

// Installs `sink` for the process and returns the one it replaces; an empty
// sink restores the default (standard error).
ErrorSink SetErrorSink(ErrorSink sink);

// The one error channel of the kernel. The text always becomes the last error
// text; it reaches the sink only while g_bShowErrors is non-zero.
void ReportError(const std::string& text);

// Keeps the kernel quiet for its lifetime and restores the previous state.
class QuietErrors {
 public:
  QuietErrors() : saved_(g_bShowErrors) { g_bShowErrors = 0; }
  ~QuietErrors() { g_bShowErrors = saved_; }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;

 private:
  int saved_;
};

}  // namespace kernel

// The text of the last error the kernel reported (shown or not).
const char* GetLastErrorText();
