#pragma once

// Controls of every test template that the kernel's test base serves, by
// name. A test's own controls are named in its own <dialog>_controls.h;
// these are common to all test templates, so they name no template.
namespace testdlg {

enum : int {
  kOkButton = 1,
  kCloseButton = 2,
  // "&Start" while no test runs, "&Stop" while one does.
  kStartStopButton = 10000,
  // "Test running", "Test succeeded", "Test failed" or "Test stopped".
  kResultBox = 10001,
  // The text of the current stage; after a failure the error text.
  kStatusBox = 10002,
  // Shows the error text of a failed test in a message box; enabled only then.
  kDetailsButton = 10003,
  // Stage i of n: a progress bar from 0 to the step count, or a static text
  // that reads "Stage i of n".
  kProgressBar = 10004,
  kPurposeCaption = 10014,
  kPurposeText = 10015,
  kHelpButton = 10024,
};

}  // namespace testdlg
