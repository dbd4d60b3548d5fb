#include <cstdlib>
#include <filesystem>

#include "kernel/kernel_functions.h"
#include "kernel/program_run.h"

namespace kernel {
namespace {

namespace fs = std::filesystem;

// The build names the source tree: __FILE__ would not do, since a compiler
// cache may compile this file by a path relative to the build directory.
fs::path SourceTreeResources() { return fs::path(DRIVESETUP_SOURCE_TREE) / "resources"; }

// The first of: the environment variable, the installed folder beside the
// setup program, the source tree's folder.
std::string FirstResourceFolder(const char* environmentVariable, const fs::path& installedName,
                                const fs::path& sourceTreeName) {
  if (const char* dir = std::getenv(environmentVariable); dir && *dir) return dir;
  const fs::path installed = fs::path(GetGUIDirectory()) / installedName;
  std::error_code ec;
  if (fs::is_directory(installed, ec)) return installed.string();
  return (SourceTreeResources() / sourceTreeName).string();
}

}  // namespace

std::string ProgramsDirectory() { return FirstResourceFolder("DRIVESETUP_PROGRAMS_DIR", "programs", "programs"); }

std::string ResourcesDirectory() { return FirstResourceFolder("DRIVESETUP_RESOURCES_DIR", "resources", ""); }

std::string GetOutPathName(std::string_view testName) {
  return (fs::path(ProgramsDirectory()) / (std::string(testName) + ".json")).string();
}

}  // namespace kernel
