#include <cstdlib>
#include <filesystem>

#include "kernel/kernel_functions.h"
#include "kernel/program_run.h"

namespace kernel {
namespace {

namespace fs = std::filesystem;

std::string OverriddenOr(const char* environmentVariable, const fs::path& folder) {
  if (const char* dir = std::getenv(environmentVariable); dir && *dir) return dir;
  return folder.string();
}

}  // namespace

std::string ProgramsDirectory() {
  return OverriddenOr("DRIVESETUP_PROGRAMS_DIR", fs::path(GetGUIDirectory()) / "programs");
}

std::string ResourcesDirectory() { return OverriddenOr("DRIVESETUP_RESOURCES_DIR", GetGUIDirectory()); }

std::string GetOutPathName(std::string_view testName) {
  return (fs::path(ProgramsDirectory()) / (std::string(testName) + ".json")).string();
}

}  // namespace kernel
