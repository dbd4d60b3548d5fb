#include "plugin/dialog_resources.h"

#include <fmt/format.h>

#include "kernel/errors.h"
#include "kernel/program_run.h"
#include "platform/resources.h"

namespace plugin {
namespace {

constexpr int kDriveSetupTemplate = 106;

}  // namespace

bool EnsureDialogResources() {
  if (platform::CurrentResources().FindDialog(kDriveSetupTemplate)) return true;
  const std::string directory = kernel::ResourcesDirectory();
  platform::ResourceLoad load = platform::LoadResources(directory);
  // A template that failed to load would leave a dialog without controls its
  // code relies on, so any error refuses them all.
  if (!load.ok()) {
    kernel::ReportError(fmt::format("The dialogs of the plug-in cannot open: the resources in {} did not load: {}",
                                    directory, load.errors.front()));
    return false;
  }
  if (!load.resources->FindDialog(kDriveSetupTemplate)) {
    kernel::ReportError(fmt::format("The dialogs of the plug-in cannot open: {} holds no Drive Setup template",
                                    directory));
    return false;
  }
  platform::SetCurrentResources(load.resources);
  return true;
}

}  // namespace plugin
