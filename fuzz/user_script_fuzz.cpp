// libFuzzer target for the user-script reader: any text gives a script or a
// refusal that says why, never both and never a crash.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/user_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const platform::ScriptParse parse = platform::ParseUserScript(text);
  if (parse.script.has_value() == !parse.error.empty()) std::abort();
  if (!parse.script) return 0;
  // Every step of a script read from JSON names a control where its kind
  // needs one, and no C++ step can come from a file.
  for (const platform::ScriptStep& step : parse.script->Steps()) {
    if (step.kind == platform::StepKind::kCall) std::abort();
    if (step.id < 0 || step.id > 0xFFFF || step.ms < 0 || step.index < 0) std::abort();
  }
  return 0;
}
