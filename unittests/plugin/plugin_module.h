#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "plugin/exports.h"

// The built plug-in, opened the way the host opens it: by file, with every
// export found by its plain name. The module stays loaded for the whole test
// program, as it does in the host.
struct PluginModule {
  void* handle = nullptr;
  plugin::EditSetupFn editSetup = nullptr;
  plugin::ComputeAllOptionsFn computeAllOptions = nullptr;
  plugin::OnInitParamFn onInitParam = nullptr;
  plugin::GetScaleFactorFn getScaleFactor = nullptr;
  plugin::GetScaleOffsetFn getScaleOffset = nullptr;
  int* kufSinusoidalMode = nullptr;

  static const PluginModule& Get() {
    static const PluginModule module = Open();
    return module;
  }

  bool Complete() const {
    return handle && editSetup && computeAllOptions && onInitParam && getScaleFactor && getScaleOffset &&
           kufSinusoidalMode;
  }

 private:
  static PluginModule Open() {
    PluginModule m;
    m.handle = dlopen(DRIVESETUP_BINARY_DIR "/bin/libsclplugin.so", RTLD_NOW | RTLD_LOCAL);
    if (!m.handle) {
      ADD_FAILURE() << "dlopen: " << dlerror();
      return m;
    }
    m.editSetup = reinterpret_cast<plugin::EditSetupFn>(dlsym(m.handle, plugin::kEditSetupName));
    m.computeAllOptions = reinterpret_cast<plugin::ComputeAllOptionsFn>(dlsym(m.handle, plugin::kComputeAllOptionsName));
    m.onInitParam = reinterpret_cast<plugin::OnInitParamFn>(dlsym(m.handle, plugin::kOnInitParamName));
    m.getScaleFactor = reinterpret_cast<plugin::GetScaleFactorFn>(dlsym(m.handle, plugin::kGetScaleFactorName));
    m.getScaleOffset = reinterpret_cast<plugin::GetScaleOffsetFn>(dlsym(m.handle, plugin::kGetScaleOffsetName));
    m.kufSinusoidalMode = static_cast<int*>(dlsym(m.handle, plugin::kKufSinusoidalModeName));
    return m;
  }
};
