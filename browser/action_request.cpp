#include "browser/action_request.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>

#include <nlohmann/json.hpp>

#include "platform/user_script.h"

namespace browser {

namespace {

using Json = nlohmann::json;

constexpr std::array<std::string_view, 4> kChecks{"expect", "expect-dialog", "list", "wait-until"};

ParsedRequest Refuse(std::string why) { return ParsedRequest{std::nullopt, std::move(why)}; }

std::optional<Json> ParseObject(std::string_view body, std::string& error) {
  Json json = Json::parse(body, nullptr, false);
  if (json.is_discarded()) {
    error = "The body is not a JSON document.";
    return std::nullopt;
  }
  if (!json.is_object()) {
    error = "The body must be a JSON object.";
    return std::nullopt;
  }
  return json;
}

// Reads "dialog" into `request`; false with `error` when it is not a serial.
bool ReadDialog(const Json& body, Request& request, std::string& error) {
  const auto found = body.find("dialog");
  if (found == body.end() || found->is_null()) return true;
  if (!found->is_number_unsigned()) {
    error = "\"dialog\" must be the serial number of a dialog (a whole number from 1).";
    return false;
  }
  request.dialog = found->get<std::uint64_t>();
  return true;
}

// Every member of `body` must be one of `known`.
bool OnlyKnown(const Json& body, std::initializer_list<std::string_view> known, std::string& error) {
  for (const auto& [key, value] : body.items()) {
    if (std::find(known.begin(), known.end(), key) == known.end()) {
      error = fmt::format("Unknown member \"{}\" (the body takes {})", key,
                          known.size() == 1 ? "\"dialog\"" : "\"step\" and \"dialog\"");
      return false;
    }
  }
  return true;
}

// The step parsed as a one-step user script, with its errors in a
// script's words but named as the action's.
std::optional<platform::ScriptStep> ParseStep(const Json& step, std::string& error) {
  const platform::ScriptParse parsed = platform::ParseUserScript(Json::array({step}).dump());
  if (!parsed.script) {
    constexpr std::string_view kFirstStep = "step 1";
    error = parsed.error.starts_with(kFirstStep) ? "the step" + parsed.error.substr(kFirstStep.size()) : parsed.error;
    return std::nullopt;
  }
  return parsed.script->Steps().front();
}

}  // namespace

ParsedRequest ParseActionRequest(std::string_view body) {
  std::string error;
  const std::optional<Json> json = ParseObject(body, error);
  if (!json) return Refuse(error);
  if (!OnlyKnown(*json, {"step", "dialog"}, error)) return Refuse(error);
  const auto step = json->find("step");
  if (step == json->end()) return Refuse("The body needs a \"step\": a user-script step such as {\"do\": \"click\", \"id\": 1}.");
  if (step->is_object()) {
    const auto name = step->find("do");
    if (name != step->end() && name->is_string() &&
        std::find(kChecks.begin(), kChecks.end(), name->get<std::string>()) != kChecks.end()) {
      return Refuse(fmt::format("\"{}\" checks a script's run and is no action: read the state instead.",
                                name->get<std::string>()));
    }
  }
  Request request;
  request.kind = Request::Kind::kStep;
  if (!ReadDialog(*json, request, error)) return Refuse(error);
  std::optional<platform::ScriptStep> parsed = ParseStep(*step, error);
  if (!parsed) return Refuse(error);
  if (parsed->kind == platform::StepKind::kWait && parsed->ms > kLongestWait_ms) {
    return Refuse(fmt::format("A wait lasts at most {} ms.", kLongestWait_ms));
  }
  request.step = std::move(*parsed);
  return ParsedRequest{std::move(request), {}};
}

ParsedRequest ParseCloseRequest(std::string_view body) {
  std::string error;
  Request request;
  request.kind = Request::Kind::kCloseDialog;
  if (body.empty()) return ParsedRequest{std::move(request), {}};
  const std::optional<Json> json = ParseObject(body, error);
  if (!json || !OnlyKnown(*json, {"dialog"}, error) || !ReadDialog(*json, request, error)) return Refuse(error);
  return ParsedRequest{std::move(request), {}};
}

}  // namespace browser
