// libFuzzer target for the program image reader: any text gives an image or
// a refusal that says why; an image always declares its output "STARTED",
// on which the kernel's polling of a run rests.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "kernel/program_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const kernel::ProgramImageParse parse = kernel::ParseProgramImage(text, "fuzz.json");
  if (parse.image.has_value() == !parse.error.empty()) std::abort();
  if (!parse.image) return 0;
  const kernel::ProgramVariable* started = parse.image->FindVariable(kernel::kStartedVariable);
  if (!started || started->role != kernel::ProgramVariableRole::kOutput || parse.image->name.empty()) std::abort();
  return 0;
}
