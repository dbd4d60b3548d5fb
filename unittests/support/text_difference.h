#pragma once

#include <sstream>
#include <string>

// Where two long texts (setup documents) first differ, for a failure
// message that does not print both whole.
namespace testsupport {

inline std::string FirstDifference(const std::string& expected, const std::string& actual) {
  std::istringstream a(expected);
  std::istringstream b(actual);
  std::string lineA;
  std::string lineB;
  for (int line = 1;; ++line) {
    const bool moreA = static_cast<bool>(std::getline(a, lineA));
    const bool moreB = static_cast<bool>(std::getline(b, lineB));
    if (!moreA && !moreB) return "no difference";
    if (!moreA || !moreB || lineA != lineB)
      return "line " + std::to_string(line) + ": expected \"" + (moreA ? lineA : "<end>") + "\", found \"" +
             (moreB ? lineB : "<end>") + "\"";
  }
}

}  // namespace testsupport
