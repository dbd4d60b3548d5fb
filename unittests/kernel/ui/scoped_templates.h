#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

#include "platform/resources.h"

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
