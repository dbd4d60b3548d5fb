#include "host/setup_input.h"

#include <fmt/format.h>

#include "host/default_setup.h"
#include "kernel/errors.h"
#include "kernel/probe.h"
#include "kernel/setup_file.h"

namespace host {
namespace {

// Collects what the kernel reports while it lives, instead of showing it.
class ErrorCapture {
 public:
  ErrorCapture()
      : m_previous(kernel::SetErrorSink([this](const std::string& text) { m_texts.push_back(text); })) {}
  ~ErrorCapture() { kernel::SetErrorSink(std::move(m_previous)); }
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;

  const std::vector<std::string>& Texts() const { return m_texts; }

 private:
  std::vector<std::string> m_texts;
  kernel::ErrorSink m_previous;
};

LoadedSetup Loaded(kernel::SetupLoadResult result, const std::string& what) {
  if (result.ok()) return {std::move(result.setup), std::nullopt};
  return {nullptr, Failure{OneLine(fmt::format("cannot load {}: {}", what, FirstErrorAndCount(result.ErrorText())))}};
}

}  // namespace

LoadedSetup LoadSetup(const std::string& path) {
  if (path.empty()) return Loaded(kernel::ParseSetup(DefaultSetupText()), "the bundled default setup");
  return Loaded(kernel::LoadSetupFile(path), fmt::format("setup {}", Shown(path)));
}

LoadedSetup LoadSetupText(std::string_view text, const std::string& name) {
  return Loaded(kernel::ParseSetup(text), fmt::format("setup {}", Shown(name)));
}

Outcome ApplyAssignments(CVX_Setup& setup, const std::vector<Assignment>& assignments) {
  for (const Assignment& a : assignments) {
    if (!kernel::HasParameter(setup, a.name))
      return Failure{fmt::format("--set {}: the setup has no parameter of that name", Shown(a.name))};
    ErrorCapture capture;
    if (!setup.SetParameterValueInBaseUnit(a.name, a.value)) {
      const std::string cause = capture.Texts().empty() ? "the kernel refused the value" : capture.Texts().front();
      return Failure{OneLine(fmt::format("--set {}={}: {}", Shown(a.name), a.value, cause))};
    }
  }
  return std::nullopt;
}

Outcome SaveSetup(const CVX_Setup& setup, const std::string& path) {
  const std::string cause = kernel::SaveSetupFile(setup, path);
  if (cause.empty()) return std::nullopt;
  return Failure{OneLine(fmt::format("cannot save setup {}: {}", Shown(path), cause))};
}

}  // namespace host
