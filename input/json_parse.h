#pragma once

// Parses JSON text from outside the program into a document, within bounds
// that keep a hostile text from costing more than it is worth, and with
// every fault at its JSON path: a key repeated in one object, a number too
// large for a double, nesting or size beyond the bounds, text that is not
// JSON. Nothing the text holds makes it throw.

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "input/bounded_file.h"
#include "input/json_error.h"

namespace input {

// Member order is kept, so that faults are listed in the order of the text
// and documents whose order matters (a setup's parameters) keep it.
using Json = nlohmann::ordered_json;

struct JsonBounds {
  std::size_t maxBytes = kMaxFileBytes;
  // The document itself is level 1.
  int maxDepth = 32;
  // A setup of a few thousand parameters holds well under 100 000 values;
  // the bound keeps a document of tiny values from taking gigabytes.
  std::size_t maxValues = std::size_t{1} << 20;
  // Floating-point numbers that are members of the top-level member of this
  // name are kept as the text written, as strings; empty keeps none.
  std::string_view rawNumbersUnder{};
  // The path of the document itself in error texts: "" for a document of
  // its own, "simulation" for an object that stands for a setup's member.
  std::string_view root{};
};

struct ParsedJson {
  std::optional<Json> value;  // absent when any fault was found
  std::vector<JsonError> errors;
};

ParsedJson ParseJson(std::string_view text, const JsonBounds& bounds = {});

}  // namespace input
