// Every test template carries the controls the kernel's test base serves,
// of the classes it serves them as.
#include <gtest/gtest.h>

#include "kernel/ui/test_base_ids.h"
#include "platform/resources.h"

namespace {

using platform::ControlClass;

TEST(TestTemplates, EveryTestTemplateHasTheTestBasesControls) {
  const platform::ResourceLoad load = platform::LoadResources(DRIVESETUP_SOURCE_DIR "/resources");
  ASSERT_TRUE(load.ok()) << load.errors.front();
  int tests = 0;
  for (const platform::DialogTemplate* dialog : load.resources->Dialogs()) {
    const platform::ControlTemplate* start = dialog->FindControl(testdlg::kStartStopButton);
    if (!start) continue;  // not a test
    ++tests;
    SCOPED_TRACE(dialog->caption);
    EXPECT_EQ(start->cls, ControlClass::kPushButton);
    EXPECT_EQ(start->text, "&Start");
    const auto has = [&](int id, std::initializer_list<ControlClass> classes) {
      const platform::ControlTemplate* control = dialog->FindControl(id);
      ASSERT_NE(control, nullptr) << "no control " << id;
      EXPECT_NE(std::find(classes.begin(), classes.end(), control->cls), classes.end()) << "control " << id;
    };
    has(testdlg::kResultBox, {ControlClass::kEdit, ControlClass::kStatic});
    has(testdlg::kStatusBox, {ControlClass::kEdit, ControlClass::kStatic});
    has(testdlg::kDetailsButton, {ControlClass::kPushButton});
    has(testdlg::kProgressBar, {ControlClass::kProgress, ControlClass::kStatic});
    has(testdlg::kCloseButton, {ControlClass::kPushButton});
  }
  EXPECT_GE(tests, 1);
}

}  // namespace
