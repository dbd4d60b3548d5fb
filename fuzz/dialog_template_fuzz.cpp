// libFuzzer target for the dialog template reader: any text adds a dialog
// or is refused with the faults named, never both and never a crash.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/resources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  platform::ResourceSet resources;
  // Templates may show these bitmaps; others are refused.
  resources.AddBitmap({"TO_MOTORSETUP", "to_motorsetup.bmp", 32, 24});
  resources.AddBitmap({"3016", "3016.bmp", 100, 80});
  const std::vector<std::string> errors = platform::AddDialogText(resources, text, "fuzz.json");
  const std::vector<const platform::DialogTemplate*> dialogs = resources.Dialogs();
  if (errors.empty() != (dialogs.size() == 1)) std::abort();
  for (const std::string& error : errors)
    if (error.rfind("fuzz.json: ", 0) != 0) std::abort();
  return 0;
}
