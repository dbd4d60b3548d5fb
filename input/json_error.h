#pragma once

// Faults found in a JSON document, each at its JSON path, and the helpers
// that name places and quote values in their texts.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace input {

// One fault: where (a JSON path such as "parameters.KPI.type", or a label a
// document chooses for its parts, such as "step 3 (type)") and what
// ("unknown type \"int17\"").
struct JsonError {
  std::string path;
  std::string cause;

  std::string Text() const { return path.empty() ? cause : path + ": " + cause; }
};

// All the texts, one per line, each after "<source>: " when a source (the
// document's file) is given.
std::string ErrorLines(const std::vector<JsonError>& errors, std::string_view source = {});

// Beyond this many, one last error says how many more were found.
inline constexpr std::size_t kMaxErrors = 1000;

class ErrorList {
 public:
  void Add(std::string path, std::string cause);
  void Append(std::vector<JsonError> errors);
  bool Empty() const { return errors_.empty() && dropped_ == 0; }
  std::size_t Count() const { return errors_.size() + dropped_; }
  std::vector<JsonError> Take();

 private:
  std::vector<JsonError> errors_;
  std::size_t dropped_ = 0;
};

// "parameters" + "KPI" -> "parameters.KPI"; a key that would read
// ambiguously (empty, or holding '.', '[', '"', spaces or control
// characters) or is long is written as a quoted JSON string.
std::string MemberPath(std::string_view path, std::string_view key);
// "variables" + 3 -> "variables[3]".
std::string ElementPath(std::string_view path, std::size_t index);
// `text` as a quoted JSON string (control characters escaped, bytes that
// are not UTF-8 replaced), cut after `maxBytes` with the full size said.
std::string Quoted(std::string_view text, std::size_t maxBytes = 64);
// The shortest text that reads back as the same double.
std::string NumberText(double value);
// As NumberText, but a whole number keeps a fraction ("65472.0"), so that
// it reads as the floating-point number that was written.
std::string FloatText(double value);
// The longest prefix of `text` of at most `bytes` bytes that does not split
// a UTF-8 sequence.
std::string_view Utf8Prefix(std::string_view text, std::size_t bytes);

}  // namespace input
