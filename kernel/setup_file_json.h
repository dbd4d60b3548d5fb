#pragma once

// Private to the setup file sources: the bounded JSON reader, the layout
// writer and the small helpers that name places and values in error texts.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "kernel/setup_file.h"

namespace kernel::setup_file {

// Member order matters (parameter index order, unit family order), so the
// document is held in insertion order.
using Json = nlohmann::ordered_json;

inline constexpr std::size_t kMaxDocumentBytes = std::size_t{64} << 20;
// The document itself is level 1; a simulation description gets 30 levels.
inline constexpr int kMaxDepth = 32;
// A setup of a few thousand parameters holds well under 100 000 values; the
// bound keeps a hostile document of tiny values from taking gigabytes.
inline constexpr std::size_t kMaxValues = std::size_t{1} << 20;
// Beyond this many, one last error says how many more were found.
inline constexpr std::size_t kMaxErrors = 1000;

struct ParsedJson {
  std::optional<Json> value;  // absent when any error was found
  std::vector<SetupFileError> errors;
};

// Parses `text` as one JSON value, nested at most `maxDepth` levels. A key
// that repeats inside one object is an error. Floating-point numbers that
// are members of the top-level member `rawNumbersUnder` (the options) are
// kept as the text written, as strings; an empty name keeps none.
ParsedJson ParseBoundedJson(std::string_view text, int maxDepth, std::string_view rawNumbersUnder = {});

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

// Error reporting -----------------------------------------------------------

class ErrorList {
 public:
  void Add(std::string path, std::string cause);
  void Append(std::vector<SetupFileError> errors);
  bool Empty() const { return errors_.empty() && dropped_ == 0; }
  std::size_t Count() const { return errors_.size() + dropped_; }
  std::vector<SetupFileError> Take();

 private:
  std::vector<SetupFileError> errors_;
  std::size_t dropped_ = 0;
};

// "parameters" + "KPI" -> "parameters.KPI"; a key that would read
// ambiguously (empty, or holding '.', '[', '"', spaces or control
// characters) is written as a quoted JSON string.
std::string MemberPath(std::string_view path, std::string_view key);
// "variables" + 3 -> "variables[3]".
std::string ElementPath(std::string_view path, std::size_t index);
// `text` as a quoted JSON string, cut to a readable length.
std::string Quoted(std::string_view text);
// The shortest text that reads back as the same double.
std::string NumberText(double value);
// What a value is, for "must be a number, found string".
std::string_view KindOf(const Json& value);

}  // namespace kernel::setup_file
