#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace testsupport {

// A run of a command-line program that failed as the programs here must:
// exit status `status`, nothing on standard output, and exactly one line on
// standard error that mentions `mentions`. `Run` has `status`, `out` and
// `err`.
template <class Run>
void ExpectOneLineFailure(const Run& run, int status, std::string_view mentions) {
  EXPECT_EQ(run.status, status) << run.err;
  EXPECT_EQ(run.out, "");
  const std::string& err = run.err;
  const size_t end = err.find('\n');
  const bool oneLine = !err.empty() && (end == std::string::npos || end == err.size() - 1);
  EXPECT_TRUE(oneLine) << "expected one line on standard error:\n" << err;
  EXPECT_NE(err.find(mentions), std::string::npos) << err;
}

}  // namespace testsupport
