#include "browser/access.h"

#include <fmt/format.h>

#include <array>
#include <cctype>
#include <random>

namespace browser {

namespace {

constexpr std::string_view kLoopback = "127.0.0.1";
constexpr std::string_view kLocalhost = "localhost";
constexpr int kTokenWords = 4;  // 32-bit words: 128 bits
constexpr std::size_t kLongestEcho = 80;  // of a header quoted back in a refusal

std::string Echo(std::string_view text) {
  return text.size() <= kLongestEcho ? std::string(text) : std::string(text.substr(0, kLongestEcho)) + "...";
}

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// "NAME:PORT" with NAME the loopback address or localhost.
bool NamesThisServer(std::string_view hostAndPort, int port) {
  const std::string suffix = fmt::format(":{}", port);
  if (!hostAndPort.ends_with(suffix)) return false;
  const std::string_view name = hostAndPort.substr(0, hostAndPort.size() - suffix.size());
  return name == kLoopback || SameLetters(name, kLocalhost);
}

}  // namespace

std::string NewToken() {
  // std::random_device reads the kernel's random source on this platform.
  std::random_device source;
  std::string token;
  for (int i = 0; i < kTokenWords; ++i) token += fmt::format("{:08x}", static_cast<std::uint32_t>(source()));
  return token;
}

bool TokenMatches(std::string_view given, std::string_view token) {
  if (token.empty() || given.size() != token.size()) return false;
  unsigned char difference = 0;
  for (std::size_t i = 0; i < token.size(); ++i) {
    difference |= static_cast<unsigned char>(given[i] ^ token[i]);
  }
  return difference == 0;
}

bool HostAllowed(std::string_view host, int port) { return NamesThisServer(host, port); }

bool OriginAllowed(std::string_view origin, int port) {
  constexpr std::string_view kScheme = "http://";
  return origin.starts_with(kScheme) && NamesThisServer(origin.substr(kScheme.size()), port);
}

std::optional<std::string> RefusalOf(std::string_view host, std::string_view origin, std::string_view givenToken,
                                     std::string_view token, int port) {
  if (!HostAllowed(host, port)) {
    return fmt::format("This server answers only requests for 127.0.0.1:{} (the Host header named \"{}\").", port,
                       Echo(host));
  }
  if (!origin.empty() && !OriginAllowed(origin, port)) {
    return fmt::format("This server answers only its own page (the request came from \"{}\").", Echo(origin));
  }
  if (!TokenMatches(givenToken, token)) {
    return givenToken.empty()
               ? "The request carries no token: open the address that drivesetup serve printed, with its ?token=."
               : "The request carries a wrong token: open the address that drivesetup serve printed, with its ?token=.";
  }
  return std::nullopt;
}

}  // namespace browser
