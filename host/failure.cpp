#include "host/failure.h"

#include <fmt/format.h>

namespace host {
namespace {

// An argument is cut after this many bytes, a whole message after this many.
constexpr std::size_t kArgumentBytes = 120;
constexpr std::size_t kMessageBytes = 2000;

// The length of the UTF-8 sequence that starts `text`, or 0 when it is not
// one (a stray continuation byte, an overlong or cut sequence).
std::size_t Utf8Length(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  std::size_t length = 0;
  unsigned char minSecond = 0x80;
  unsigned char maxSecond = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) minSecond = 0xA0;  // overlong
    if (lead == 0xED) maxSecond = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) minSecond = 0x90;
    if (lead == 0xF4) maxSecond = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const unsigned char low = i == 1 ? minSecond : 0x80;
    const unsigned char high = i == 1 ? maxSecond : 0xBF;
    if (byte < low || byte > high) return 0;
  }
  return length;
}

// Escapes what a terminal would not show as written; stops once `limit`
// bytes of the text have been taken and says how long the text was.
std::string Printable(std::string_view text, std::size_t limit, bool lineBreaksAsBlanks) {
  std::string out;
  std::size_t at = 0;
  while (at < text.size() && at < limit) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte >= 0x20 && byte < 0x7F) {
      out += text[at++];
    } else if (lineBreaksAsBlanks && (byte == '\n' || byte == '\r')) {
      out += ' ';
      ++at;
    } else if (const std::size_t length = byte >= 0x80 ? Utf8Length(text.substr(at)) : 0; length > 0) {
      out.append(text.substr(at, length));
      at += length;
    } else {
      out += fmt::format("\\x{:02x}", byte);
      ++at;
    }
  }
  if (at < text.size()) out += fmt::format("... ({} bytes)", text.size());
  return out;
}

}  // namespace

std::string OneLine(std::string text) {
  std::string line = Printable(text, kMessageBytes, true);
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

std::string Shown(std::string_view argument) { return Printable(argument, kArgumentBytes, false); }

std::string FirstErrorAndCount(std::string_view lines) {
  if (lines.empty()) return "unknown error";
  const std::size_t end = lines.find('\n');
  std::string text(lines.substr(0, end));
  std::size_t others = 0;
  for (std::size_t at = end; at != std::string_view::npos; at = lines.find('\n', at + 1)) ++others;
  if (others == 1) text += " (and 1 more error)";
  if (others > 1) text += fmt::format(" (and {} more errors)", others);
  return text;
}

}  // namespace host
