#pragma once

#include <string>
#include <vector>

#include "unittests/dialogs/dialog_test_support.h"

// A dialog's visibility rules as a table a reader can hold against the
// description of the dialog: each row says in words what a person expects
// of one control and gives it as a predicate of the configuration.
namespace dialogtest {

enum class Aspect { kShown, kEnabled };

template <class Configuration>
struct VisibilityRow {
  const char* what;
  int control;
  Aspect aspect;
  bool (*expected)(const Configuration&);
};

// Checks every row against what the person sees of `dialog`; returns how
// many rows were checked.
template <class Configuration>
int CheckVisibility(CDialog& dialog, const Configuration& configuration,
                    const std::vector<VisibilityRow<Configuration>>& rows, const std::string& describe) {
  for (const VisibilityRow<Configuration>& row : rows) {
    const platform::ControlState state = Seen(dialog, row.control);
    const bool actual = row.aspect == Aspect::kShown ? state.visible : state.enabled;
    EXPECT_EQ(actual, row.expected(configuration)) << describe << ": " << row.what;
  }
  return static_cast<int>(rows.size());
}

}  // namespace dialogtest
