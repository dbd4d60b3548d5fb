#include "input/json_error.h"

#include <algorithm>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

namespace input {

std::string ErrorLines(const std::vector<JsonError>& errors, std::string_view source) {
  std::string text;
  for (const JsonError& error : errors) {
    if (!text.empty()) text += '\n';
    if (!source.empty()) text += fmt::format("{}: ", source);
    text += error.Text();
  }
  return text;
}

void ErrorList::Add(std::string path, std::string cause) {
  if (errors_.size() < kMaxErrors) errors_.push_back({std::move(path), std::move(cause)});
  else ++dropped_;
}

void ErrorList::Append(std::vector<JsonError> errors) {
  for (auto& error : errors) Add(std::move(error.path), std::move(error.cause));
}

std::vector<JsonError> ErrorList::Take() {
  if (dropped_ > 0) errors_.push_back({"", fmt::format("{} more errors not shown", dropped_)});
  dropped_ = 0;
  return std::move(errors_);
}

std::string_view Utf8Prefix(std::string_view text, std::size_t bytes) {
  if (text.size() <= bytes) return text;
  std::size_t end = bytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

std::string MemberPath(std::string_view path, std::string_view key) {
  constexpr std::size_t kPlainKeyBytes = 64;
  const bool plain = !key.empty() && key.size() <= kPlainKeyBytes && std::none_of(key.begin(), key.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= ' ' || byte == 0x7F || c == '.' || c == '[' || c == ']' || c == '"';
  });
  std::string result(path);
  if (!result.empty()) result += '.';
  result += plain ? std::string(key) : Quoted(key);
  return result;
}

std::string ElementPath(std::string_view path, std::size_t index) { return fmt::format("{}[{}]", path, index); }

std::string Quoted(std::string_view text, std::size_t maxBytes) {
  const std::string_view shown = Utf8Prefix(text, maxBytes);
  // The text may come from a file or a setup built in memory, so it need
  // not be UTF-8.
  std::string result =
      nlohmann::json(std::string(shown)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  if (shown.size() < text.size()) result += fmt::format("... ({} bytes)", text.size());
  return result;
}

std::string NumberText(double value) { return fmt::format("{}", value); }

std::string FloatText(double value) {
  std::string text = NumberText(value);
  if (text.find_first_of(".eEn") == std::string::npos) text += ".0";
  return text;
}

}  // namespace input
