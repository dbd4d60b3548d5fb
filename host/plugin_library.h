#pragma once

#include <memory>
#include <string>
#include <utility>

#include "kernel/unit_scale.h"
#include "plugin/exports.h"

class CVX_Setup;

namespace host {

// libsclplugin.so in the directory of the running program (a build tree)
// or, when it is not there, in ../lib/drivesetup from it (an installation);
// the first path when neither exists, so that the failure names it.
std::string DefaultPluginPath();

// The loaded plug-in module with its exports, found by their plain names.
// The module is unloaded with the object: nothing may hold its functions
// beyond that (see UnitScaleInstallation).
class PluginLibrary {
 public:
  struct OpenResult {
    std::unique_ptr<PluginLibrary> library;  // null on failure
    std::string error;                       // the cause, one line
  };
  // Loads the module and resolves every export; a missing one is an error
  // that names it.
  static OpenResult Open(const std::string& path);

  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  const std::string& Path() const { return m_path; }

  int EditSetup(CVX_Setup* setup) const { return m_editSetup(setup); }
  void ComputeAllOptions(CVX_Setup* setup) const { m_computeAllOptions(setup); }
  int OnInitParam(CVX_Setup* setup, const char* name) const { return m_onInitParam(setup, name); }
  plugin::GetScaleFactorFn ScaleFactorFunction() const { return m_getScaleFactor; }
  plugin::GetScaleOffsetFn ScaleOffsetFunction() const { return m_getScaleOffset; }
  int& KufSinusoidalMode() const { return *m_kufSinusoidalMode; }

 private:
  PluginLibrary(std::string path, void* handle) : m_path(std::move(path)), m_handle(handle) {}

  std::string m_path;
  void* m_handle;
  plugin::EditSetupFn m_editSetup = nullptr;
  plugin::ComputeAllOptionsFn m_computeAllOptions = nullptr;
  plugin::OnInitParamFn m_onInitParam = nullptr;
  plugin::GetScaleFactorFn m_getScaleFactor = nullptr;
  plugin::GetScaleOffsetFn m_getScaleOffset = nullptr;
  int* m_kufSinusoidalMode = nullptr;
};

// Makes the kernel convert units with the plug-in's scale functions while it
// lives, and puts back the functions it replaced. It must end before the
// plug-in is unloaded.
class UnitScaleInstallation {
 public:
  explicit UnitScaleInstallation(const PluginLibrary& plugin);
  ~UnitScaleInstallation();
  UnitScaleInstallation(const UnitScaleInstallation&) = delete;
  UnitScaleInstallation& operator=(const UnitScaleInstallation&) = delete;

 private:
  kernel::ScaleFactorFn m_previousFactor;
  kernel::ScaleOffsetFn m_previousOffset;
};

}  // namespace host
