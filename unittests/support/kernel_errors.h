#pragma once

#include <string>
#include <vector>

#include "kernel/errors.h"

namespace testsupport {

// Collects the errors the kernel shows while it lives (and so keeps them off
// the screen); the sink installed before comes back afterwards.
class ErrorCapture {
 public:
  ErrorCapture() {
    saved_ = kernel::SetErrorSink([this](const std::string& text) { errors.push_back(text); });
  }
  ~ErrorCapture() { kernel::SetErrorSink(std::move(saved_)); }
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;

  std::vector<std::string> errors;

 private:
  kernel::ErrorSink saved_;
};

}  // namespace testsupport
