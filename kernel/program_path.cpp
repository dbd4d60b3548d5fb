#include <cstdlib>
#include <filesystem>

#include "kernel/kernel_functions.h"
#include "kernel/program_run.h"

namespace kernel {
namespace {

namespace fs = std::filesystem;

// This file sits in <source tree>/kernel/; the build compiles it by its
// absolute path, so the descriptors of the source tree are found from any
// build directory.
fs::path SourceTreePrograms() { return fs::path(__FILE__).parent_path().parent_path() / "resources" / "programs"; }

}  // namespace

std::string ProgramsDirectory() {
  if (const char* dir = std::getenv("DRIVESETUP_PROGRAMS_DIR"); dir && *dir) return dir;
  const fs::path installed = fs::path(GetGUIDirectory()) / "programs";
  std::error_code ec;
  if (fs::is_directory(installed, ec)) return installed.string();
  return SourceTreePrograms().string();
}

std::string GetOutPathName(std::string_view testName) {
  return (fs::path(ProgramsDirectory()) / (std::string(testName) + ".json")).string();
}

}  // namespace kernel
