#pragma once

#include <string>
#include <vector>

#include "kernel/errors.h"

// Collects the errors the kernel shows while it lives.
class ErrorCapture {
 public:
  ErrorCapture() {
    saved_ = kernel::SetErrorSink([this](const std::string& text) { errors.push_back(text); });
  }
  ~ErrorCapture() { kernel::SetErrorSink(std::move(saved_)); }

  std::vector<std::string> errors;

 private:
  kernel::ErrorSink saved_;
};
