#include "host/plugin_library.h"

#include <dlfcn.h>
#include <fmt/format.h>

#include <filesystem>
#include <system_error>

#include "host/failure.h"
#include "input/bounded_file.h"

namespace host {
namespace {

constexpr const char* kPluginFileName = "libsclplugin.so";

// The address of `name` in the module, or nullptr with `error` set.
void* Resolve(void* handle, const std::string& path, const char* name, std::string& error) {
  dlerror();
  void* address = dlsym(handle, name);
  const char* failure = dlerror();
  if (failure || !address) {
    if (error.empty()) error = fmt::format("plug-in {} has no export \"{}\"", Shown(path), name);
    return nullptr;
  }
  return address;
}

template <class Fn>
void ResolveFunction(void* handle, const std::string& path, const char* name, Fn& target, std::string& error) {
  target = reinterpret_cast<Fn>(Resolve(handle, path, name, error));
}

}  // namespace

std::string DefaultPluginPath() {
  std::error_code ec;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return kPluginFileName;
  const std::filesystem::path beside = program.parent_path() / kPluginFileName;
  const std::filesystem::path installed = program.parent_path().parent_path() / "lib" / "drivesetup" / kPluginFileName;
  if (!std::filesystem::exists(beside, ec) && std::filesystem::exists(installed, ec)) return installed.string();
  return beside.string();
}

PluginLibrary::OpenResult PluginLibrary::Open(const std::string& path) {
  // A path without a slash would make dlopen search the library path; the
  // user means a file.
  const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  // dlopen would wait on a named pipe, and read a device without end.
  if (const std::string problem = input::RegularFileProblem(file); !problem.empty())
    return {nullptr, OneLine(fmt::format("cannot load plug-in {}: {}", Shown(path), problem))};
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* error = dlerror();
    std::string_view cause = error ? error : "unknown error";
    // The loader's text starts with the file's name, which the line gives already.
    if (cause.starts_with(file + ": ")) cause.remove_prefix(file.size() + 2);
    return {nullptr, OneLine(fmt::format("cannot load plug-in {}: {}", Shown(path), cause))};
  }
  std::unique_ptr<PluginLibrary> library(new PluginLibrary(path, handle));
  std::string error;
  ResolveFunction(handle, path, plugin::kEditSetupName, library->m_editSetup, error);
  ResolveFunction(handle, path, plugin::kComputeAllOptionsName, library->m_computeAllOptions, error);
  ResolveFunction(handle, path, plugin::kOnInitParamName, library->m_onInitParam, error);
  ResolveFunction(handle, path, plugin::kGetScaleFactorName, library->m_getScaleFactor, error);
  ResolveFunction(handle, path, plugin::kGetScaleOffsetName, library->m_getScaleOffset, error);
  library->m_kufSinusoidalMode = static_cast<int*>(Resolve(handle, path, plugin::kKufSinusoidalModeName, error));
  if (!error.empty()) return {nullptr, error};
  return {std::move(library), ""};
}

PluginLibrary::~PluginLibrary() {
  if (m_handle) dlclose(m_handle);
}

UnitScaleInstallation::UnitScaleInstallation(const PluginLibrary& plugin)
    : m_previousFactor(kernel::InstalledScaleFactor()), m_previousOffset(kernel::InstalledScaleOffset()) {
  kernel::SetUnitScaleFunctions(plugin.ScaleFactorFunction(), plugin.ScaleOffsetFunction());
}

UnitScaleInstallation::~UnitScaleInstallation() { kernel::SetUnitScaleFunctions(m_previousFactor, m_previousOffset); }

}  // namespace host
