#pragma once

// Dialog templates for the UI tests: the project's own resources, or
// templates a test writes itself.

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>

#include "platform/resources.h"
#include "platform/ui.h"
#include "platform/user_script.h"

namespace testsupport {

// The project's resources (resources/), or nullptr after a test failure
// that names the first problem.
inline std::shared_ptr<platform::ResourceSet> LoadProjectResources() {
  platform::ResourceLoad load = platform::LoadResources(DRIVESETUP_SOURCE_DIR "/resources");
  EXPECT_TRUE(load.ok()) << load.errors.front();
  return load.ok() ? load.resources : nullptr;
}

// Installs dialog templates given as JSON text as the current resources for
// its lifetime.
class ScopedTemplates {
 public:
  ScopedTemplates(std::initializer_list<const char*> templates) {
    auto resources = std::make_shared<platform::ResourceSet>();
    for (const char* text : templates) {
      const auto errors = platform::AddDialogText(*resources, text, "test template");
      EXPECT_TRUE(errors.empty()) << errors.front();
    }
    platform::SetCurrentResources(resources);
  }
  ~ScopedTemplates() { platform::SetCurrentResources(nullptr); }
  ScopedTemplates(const ScopedTemplates&) = delete;
  ScopedTemplates& operator=(const ScopedTemplates&) = delete;
};

// Opens a plain dialog of template `templateId`, runs `check` inside it
// while it is shown, and closes it with Cancel.
inline void InsideDialog(int templateId, const std::function<void(CDialog&)>& check) {
  CDialog dialog(static_cast<UINT>(templateId));
  platform::UserScript script;
  script.Call(check).Click(IDCANCEL);
  const platform::ScriptRun run = platform::RunUserScript(script, [&] { return dialog.DoModal(); });
  EXPECT_TRUE(run.ok) << run.failure;
}

}  // namespace testsupport
