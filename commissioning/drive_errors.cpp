#include "commissioning/drive_errors.h"

#include <array>
#include <utility>

namespace commissioning {
namespace {

constexpr std::array<std::pair<std::uint16_t, std::string_view>, 6> kErrors{{
    {0x0002, "Drive / Motor shortcircuit protection triggered."},
    {0x0008, "Drive / Motor control error protection triggered."},
    {0x0020, "Feedback error."},
    {0x0040, "Drive / Motor stopped due to positive limit switch input triggered."},
    {0x0080, "Drive / Motor stopped due to negative limit switch input triggered."},
    {0x8000, "Drive / Motor ENABLE input is in DISABLED state."},
}};

}  // namespace

std::optional<std::string_view> DriveErrorText(std::uint16_t mer, std::uint16_t mask) {
  const std::uint16_t selected = mer & mask;
  for (const auto& [bit, text] : kErrors) {
    if (selected & bit) return text;
  }
  return std::nullopt;
}

}  // namespace commissioning
