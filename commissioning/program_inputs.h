#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

class CVX_CoffFormat;

// The image of a test program and the inputs a test writes into it.
namespace commissioning {

// Points `coff` at the image of `codeName` and reads it. A missing image is
// reported through the kernel's error channel and leaves no image, so that
// the start of that program fails with the internal-error text.
void LoadProgram(CVX_CoffFormat& coff, std::string_view codeName);

// Writes the inputs in order and stops at the first that fails; its text,
// or nothing when all were written.
std::optional<std::string> WriteInputs(CVX_CoffFormat& coff,
                                       std::initializer_list<std::pair<std::string_view, double>> inputs);

}  // namespace commissioning
