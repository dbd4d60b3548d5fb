#pragma once

// Private to the setup file sources: the document reader's bounds for a
// setup, the layout writer, and the reader's helpers by their short names.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "input/json_error.h"
#include "input/json_parse.h"
#include "kernel/setup_file.h"

namespace kernel::setup_file {

// Member order matters (parameter index order, unit family order), so the
// document is held in insertion order.
using input::Json;
using input::ErrorList;
using input::ElementPath;
using input::MemberPath;
using input::NumberText;
using input::ParsedJson;
using input::Quoted;

inline constexpr std::size_t kMaxDocumentBytes = input::kMaxFileBytes;
// The document itself is level 1; a simulation description gets 30 levels.
inline constexpr int kMaxDepth = 32;

// Parses `text` as a setup document or, one level down, as its simulation
// description. Floating-point numbers among the options are kept as the
// text written, as strings.
ParsedJson ParseSetupJson(std::string_view text);
ParsedJson ParseSimulationJson(std::string_view text);

// The document of a setup. What cannot be written so that it reads back
// the same (a value that is not finite, mismatched frequency lists, a
// simulation description that is not JSON) is described in `problems`.
Json BuildDocument(const CVX_Setup& setup, std::vector<std::string>& problems);

// Writes a document: the top two levels one member per line, and a third
// when it holds containers; anything deeper on one line. With the strict
// handler, a string that is not UTF-8 throws nlohmann::json::type_error.
std::string WriteDocument(const Json& document, Json::error_handler_t handler);

// Appends a member without the ordered map's linear search for an existing
// key: the caller knows the key is new.
Json& Append(Json& object, std::string key, Json value);

}  // namespace kernel::setup_file
