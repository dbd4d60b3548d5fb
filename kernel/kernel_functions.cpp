#include "kernel/kernel_functions.h"

#include <cmath>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>

#include "kernel/setup.h"

int Compute_ADCMaxValue(const CVX_Setup* setup) { return setup ? setup->GetIdentity().adcMaxValue : 0; }

double RoundDecimalValue(double value, int decimals) {
  if (!std::isfinite(value)) return value;
  const double scale = std::pow(10.0, decimals);
  const double scaled = value * scale;
  if (!std::isfinite(scaled)) return value;  // too many decimals to matter
  return std::round(scaled) / scale;
}

namespace {

namespace fs = std::filesystem;

const fs::path kDataFolder = fs::path("share") / "drivesetup";

fs::path RunningProgramDirectory() {
  std::error_code ec;
  const fs::path program = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path(".") : program.parent_path();
}

fs::path KernelLibraryDirectory() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&GetGUIDirectory), &info) && info.dli_fname)
    return fs::path(info.dli_fname).parent_path();
  return {};
}

}  // namespace

std::string GetGUIDirectory() {
  if (const char* dir = std::getenv("DRIVESETUP_GUI_DIR"); dir && *dir) return dir;
  const fs::path besideProgram = (RunningProgramDirectory() / ".." / kDataFolder).lexically_normal();
  std::error_code ec;
  if (fs::is_directory(besideProgram, ec)) return besideProgram.string();
  // <prefix>/lib/drivesetup/libkernel.so -> <prefix>/share/drivesetup
  if (const fs::path library = KernelLibraryDirectory(); !library.empty()) {
    const fs::path installed = (library / ".." / ".." / kDataFolder).lexically_normal();
    if (fs::is_directory(installed, ec)) return installed.string();
  }
  return besideProgram.string();
}

std::string GetHelpFileOfGUI(const CVX_Setup* setup) {
  if (!setup || setup->GetIdentity().helpFile.empty()) return {};
  const std::filesystem::path file(setup->GetIdentity().helpFile);
  if (file.is_absolute()) return file.string();
  return (std::filesystem::path(GetGUIDirectory()) / file).string();
}
