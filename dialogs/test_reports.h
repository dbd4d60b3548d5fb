#pragma once

// What a commissioning test reports to the dialog that opened it besides
// its result. A test implements the interfaces that apply to it; the opener
// asks for them with dynamic_cast.
namespace dialogs {

// The encoder resolution test lets the person turn the counting direction
// round while it runs.
class CountingDirectionReport {
 public:
  virtual ~CountingDirectionReport() = default;
  // The "ReverseCounting" value the person chose in the test; -1 when the
  // person left it alone.
  virtual int ChosenReverseCounting() const = 0;
};

}  // namespace dialogs
