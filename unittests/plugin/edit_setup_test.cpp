#include <gtest/gtest.h>

#include <string>

#include "kernel/errors.h"
#include "kernel/setup_file.h"
#include "platform/ui.h"
#include "platform/user_script.h"
#include "timebase/clock.h"
#include "unittests/plugin/plugin_module.h"
#include "unittests/support/example_setups.h"

namespace {

// EditSetup through the loaded module, with `script` as the person, on
// virtual time; the plug-in loads its own resources.
class EditSetupExport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(PluginModule::Get().Complete());
    timebase::SetCurrentClock(&clock);
    setup = testsupport::LoadExample("two_phase_open_loop");
    ASSERT_TRUE(setup);
  }
  void TearDown() override { timebase::SetCurrentClock(nullptr); }

  int EditWith(platform::UserScript& script) {
    int result = -1;
    const platform::ScriptRun run = platform::RunUserScript(script, [&] {
      result = PluginModule::Get().editSetup(setup.get());
      return static_cast<INT_PTR>(result);
    });
    EXPECT_TRUE(run.ok) << run.failure;
    return result;
  }

  timebase::VirtualClock clock;
  std::unique_ptr<CVX_Setup> setup;
};

TEST_F(EditSetupExport, OnlyOkGivesOne) {
  platform::UserScript ok;
  ok.ExpectDialog("Drive Setup").Click(IDOK);
  EXPECT_EQ(EditWith(ok), 1);

  platform::UserScript cancel;
  cancel.ExpectDialog("Drive Setup").Click(IDCANCEL);
  EXPECT_EQ(EditWith(cancel), 0);
}

TEST_F(EditSetupExport, ClosingTheWindowIsNotOk) {
  platform::UserScript close;
  close.ExpectDialog("Drive Setup").Call([](CDialog& dialog) { dialog.SendMessage(WM_CLOSE); });
  EXPECT_EQ(EditWith(close), 0);
}

TEST_F(EditSetupExport, NullSetupOpensNothing) {
  kernel::QuietErrors quiet;
  EXPECT_EQ(PluginModule::Get().editSetup(nullptr), 0);
}

}  // namespace
