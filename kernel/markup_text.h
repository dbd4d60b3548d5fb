#pragma once

#include <string>
#include <string_view>

namespace kernel {

// `text` for an XML or HTML document, in element content or a quoted
// attribute: the five characters with a meaning there become entities.
std::string EscapeMarkup(std::string_view text);

}  // namespace kernel
