#pragma once

#include <optional>
#include <string>

namespace host {

inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Why a run stopped: one line for standard error and the exit status.
struct Failure {
  std::string message;
  int status = kExitFailure;
};

// Nothing when a step succeeded.
using Outcome = std::optional<Failure>;

// The text as a single line, so that every error is exactly one line.
std::string OneLine(std::string text);

}  // namespace host
