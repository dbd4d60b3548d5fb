#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "kernel/setup.h"
#include "platform/ui.h"
#include "platform/user_actions.h"
#include "platform/user_script.h"
#include "timebase/clock.h"
#include "unittests/support/environment.h"
#include "unittests/support/example_setups.h"

// The fixture of every dialog test: the project's resources, virtual time,
// the engine's unit scales installed as the host installs the plug-in's, and
// a setup loaded from one of the bundled examples. The motor editor reads the
// project's Standard motor database and a USER database of the test's own.
namespace dialogtest {

using testsupport::kClosedLoopIncremental;
using testsupport::kClosedLoopSsi;
using testsupport::kOpenLoop;
using testsupport::kOpenLoopLoadEncoder;
using testsupport::kThreePhase;
using testsupport::EditedExample;
using testsupport::LoadExample;

// What the person sees of control `id` of `dialog`; fails the test when the
// dialog has no such control.
platform::ControlState Seen(CDialog& dialog, int id);

// Whether `setup` serialises to `before` (kernel::SerializeSetup); the
// failure names the first line that differs.
testing::AssertionResult SameSetup(const std::string& before, const CVX_Setup& setup);

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Loads an example into `setup`.
  void UseExample(std::string_view name);
  void UseEditedExample(std::string_view name, const std::function<void(nlohmann::json&)>& edit);
  // Plays `script` while `open` shows the outermost dialog.
  platform::ScriptRun Run(platform::UserScript& script, const std::function<INT_PTR()>& open);
  // Plays `script` on a `Dialog` made on the fixture's setup and returns how
  // it ended; fails the test when the script did not run as written.
  template <class Dialog>
  INT_PTR RunDialog(platform::UserScript& script) {
    Dialog dialog(setup.get());
    const platform::ScriptRun run = Run(script, [&dialog] { return dialog.DoModal(); });
    EXPECT_TRUE(run.ok) << run.failure;
    return run.result;
  }


  // Base-unit and internal values of the setup, failing the test for a name
  // the setup lacks.
  double Base(std::string_view name) const;
  double Internal(std::string_view name) const;
  void SetBase(std::string_view name, double value);
  void SetInternal(std::string_view name, double value);

  // Presses Help, then Cancel, in the dialog `run` opens with the script,
  // the host giving a help file; expects that file opened at `context`.
  void ExpectHelpTopic(unsigned context, const std::function<void(platform::UserScript&)>& run);

  // What the opener of a sub-dialog runs before opening it: register
  // computation, then user value recovery.
  void RunOpenerSequences();

  timebase::VirtualClock clock;
  std::unique_ptr<CVX_Setup> setup;

 private:
  std::unique_ptr<testsupport::TempDir> scratch_;
  std::unique_ptr<testsupport::ScopedEnv> userMotors_;
  std::optional<testsupport::ScopedEngineUnitScales> scales_;
};

}  // namespace dialogtest
