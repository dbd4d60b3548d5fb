#pragma once

#include <optional>
#include <string>
#include <string_view>

// Who may use the server (docs/browser.md, "Threat model"). The server
// listens on the loopback address only, so every request comes from this
// computer; what keeps other local users' processes and web pages open in
// the same browser from driving the dialogs is a random token that only the
// address printed to the person holds, and a Host header naming the
// loopback address, which a page reaching the server through a rebound DNS
// name cannot send.
namespace browser {

// 128 random bits as 32 lower-case hexadecimal digits.
std::string NewToken();

// Compares in a time that does not depend on where the texts differ.
bool TokenMatches(std::string_view given, std::string_view token);

// "127.0.0.1:PORT" or "localhost:PORT" (any letter case).
bool HostAllowed(std::string_view host, int port);

// An Origin header, when a request has one, must be the server's own.
bool OriginAllowed(std::string_view origin, int port);

// Why a request may not be served, or nothing when it may: the Host and
// Origin headers and the token (from the X-Drivesetup-Token header or the
// token query parameter).
std::optional<std::string> RefusalOf(std::string_view host, std::string_view origin, std::string_view givenToken,
                                     std::string_view token, int port);

inline constexpr const char* kTokenHeader = "X-Drivesetup-Token";

}  // namespace browser
