#pragma once

#include <string_view>

// Texts that several commissioning tests show alike.
namespace commissioning {

inline constexpr std::string_view kCurrentProtectionText = "Test failed!\nCurrent protection triggered during test!";
inline constexpr std::string_view kRunningUntilStopText = "Test running. Press \"Stop\" to end the test";

}  // namespace commissioning
