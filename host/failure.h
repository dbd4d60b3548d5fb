#pragma once

#include <optional>
#include <string>
#include <string_view>

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

// The text as a single line, so that every error is exactly one line: line
// breaks become blanks, other control bytes and bytes that are not UTF-8
// are escaped (\x1b), and a text longer than a screenful is cut.
std::string OneLine(std::string text);

// A command-line argument as a message quotes it: escaped as OneLine does,
// and cut after about a line, saying how long it was.
std::string Shown(std::string_view argument);

// The first line of `lines` (one fault per line) and how many follow:
// "parameters.KPI.type: unknown type \"int17\" (and 2 more errors)".
std::string FirstErrorAndCount(std::string_view lines);

}  // namespace host
