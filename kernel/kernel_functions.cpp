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

std::string GetGUIDirectory() {
  if (const char* dir = std::getenv("DRIVESETUP_GUI_DIR"); dir && *dir) return dir;
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&GetGUIDirectory), &info) && info.dli_fname)
    return std::filesystem::path(info.dli_fname).parent_path().string();
  return ".";
}

std::string GetHelpFileOfGUI(const CVX_Setup* setup) {
  if (!setup || setup->GetIdentity().helpFile.empty()) return {};
  const std::filesystem::path file(setup->GetIdentity().helpFile);
  if (file.is_absolute()) return file.string();
  return (std::filesystem::path(GetGUIDirectory()) / file).string();
}
