#pragma once

#include <string_view>

#include "platform/win_types.h"

class CVX_TestDlg;

// What test dialogs report while they run, for a host that shows a test's
// progress outside the dialog (drivesetup test). One listener per process;
// the test dialogs call it on the user-interface thread.
namespace kernel {

class TestListener {
 public:
  virtual ~TestListener() = default;
  // The dialog's windows exist (its caption can be read); it shows next.
  virtual void OnTestOpened(const CVX_TestDlg& test) = 0;
  // A stage text, `stage` counted from 1 of `count`.
  virtual void OnStageText(const CVX_TestDlg& test, std::string_view text, int stage, int count) = 0;
  // A run ended: outcome 1 succeeded, -1 stopped by the person, anything
  // else failed with `errorText`.
  virtual void OnTestEnded(const CVX_TestDlg& test, int outcome, std::string_view errorText) = 0;
  // The test offers to keep a measured value that differs from the stored one.
  virtual void OnMeasuredValue(const CVX_TestDlg& test, std::string_view label, std::string_view oldText,
                               std::string_view newText) = 0;
  // The dialog closed with `result` (IDOK, IDCANCEL, or -1 when the run of
  // the dialogs stopped).
  virtual void OnTestClosed(const CVX_TestDlg& test, INT_PTR result) = 0;
};

// nullptr: nobody listens.
void SetTestListener(TestListener* listener);
TestListener* CurrentTestListener();

class ScopedTestListener {
 public:
  explicit ScopedTestListener(TestListener& listener);
  ~ScopedTestListener();
  ScopedTestListener(const ScopedTestListener&) = delete;
  ScopedTestListener& operator=(const ScopedTestListener&) = delete;

 private:
  TestListener* previous_;
};

}  // namespace kernel
