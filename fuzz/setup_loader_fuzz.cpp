// libFuzzer target for the setup loader. Any input must load or give errors,
// never crash; and a setup that loads must save to a document that loads
// again and saves to the same text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "kernel/errors.h"
#include "kernel/setup_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A document that cannot be saved would report it; that is a finding too,
  // caught below, and the text would only slow the run.
  const kernel::QuietErrors quiet;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const kernel::SetupLoadResult first = kernel::ParseSetup(text);
  if (!first.ok()) {
    // A refusal must say why.
    if (first.errors.empty()) std::abort();
    return 0;
  }
  const std::string saved = kernel::SerializeSetup(*first.setup);
  const kernel::SetupLoadResult second = kernel::ParseSetup(saved);
  if (!second.ok() || kernel::SerializeSetup(*second.setup) != saved) std::abort();
  return 0;
}
