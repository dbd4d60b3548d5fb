#pragma once

namespace plugin {

// Makes sure the framework builds the plug-in's dialogs from the plug-in's
// own templates: loads the resource directory (kernel::ResourcesDirectory)
// the first time a dialog is needed, unless resources holding the Drive
// Setup template are installed already (a host or a test may install its
// own). False, with the cause reported through the kernel's error channel,
// when the directory does not load cleanly; no dialog can open then.
bool EnsureDialogResources();

}  // namespace plugin
