#include "platform/strict_json.h"

#include <limits>

#include <fmt/format.h>

namespace platform::detail {

StrictParse ParseStrict(std::string_view text) {
  struct Frame {
    bool array = false;
    int index = -1;
    std::set<std::string> keys;
  };
  std::vector<Frame> frames;
  StrictParse result;
  auto topElement = [&frames] { return !frames.empty() && frames.front().array ? frames.front().index : -1; };
  auto callback = [&](int, Json::parse_event_t event, Json& parsed) {
    switch (event) {
      case Json::parse_event_t::object_start:
      case Json::parse_event_t::array_start:
        if (!frames.empty() && frames.back().array) ++frames.back().index;
        frames.push_back(Frame{event == Json::parse_event_t::array_start, -1, {}});
        break;
      case Json::parse_event_t::key:
        if (!frames.back().keys.insert(parsed.get<std::string>()).second && result.error.empty()) {
          result.error = fmt::format("key \"{}\" appears twice in one object", parsed.get<std::string>());
          result.errorElement = topElement();
        }
        break;
      case Json::parse_event_t::value:
        if (!frames.empty() && frames.back().array) ++frames.back().index;
        break;
      case Json::parse_event_t::object_end:
      case Json::parse_event_t::array_end:
        frames.pop_back();
        break;
    }
    return true;
  };
  try {
    Json value = Json::parse(text.begin(), text.end(), callback);
    if (result.error.empty()) result.value = std::move(value);
  } catch (const Json::parse_error& e) {
    // The library's message starts with its own error code; the position
    // and the cause that follow are what a reader needs.
    std::string message = e.what();
    const auto at = message.find("parse error");
    result.error = at == std::string::npos ? message : message.substr(at);
    result.errorElement = topElement();
  }
  return result;
}

Fields::Fields(const Json& object, std::string where, std::vector<std::string>& errors)
    : object_(object), where_(std::move(where)), errors_(errors) {}

bool Fields::Has(const char* key) const { return object_.contains(key); }

const Json* Fields::Take(const char* key, bool required) {
  known_.insert(key);
  const auto it = object_.find(key);
  if (it == object_.end()) {
    if (required) Error(fmt::format("missing \"{}\"", key));
    return nullptr;
  }
  return &*it;
}

const Json* Fields::Member(const char* key) { return Take(key, false); }

bool Fields::Int64(const char* key, long long& out, bool required) {
  const Json* value = Take(key, required);
  if (!value) return false;
  if (value->is_number_integer() &&
      (value->is_number_unsigned() ? value->get<unsigned long long>() <= std::numeric_limits<long long>::max()
                                   : true)) {
    out = value->get<long long>();
    return true;
  }
  Error(fmt::format("\"{}\" must be an integer", key));
  return false;
}

bool Fields::Int(const char* key, int& out, bool required) {
  long long wide = 0;
  if (!Int64(key, wide, required)) return false;
  if (wide < std::numeric_limits<int>::min() || wide > std::numeric_limits<int>::max()) {
    Error(fmt::format("\"{}\" is out of range", key));
    return false;
  }
  out = static_cast<int>(wide);
  return true;
}

bool Fields::String(const char* key, std::string& out, bool required) {
  const Json* value = Take(key, required);
  if (!value) return false;
  if (!value->is_string()) {
    Error(fmt::format("\"{}\" must be a string", key));
    return false;
  }
  out = value->get<std::string>();
  return true;
}

bool Fields::Bool(const char* key, bool& out, bool required) {
  const Json* value = Take(key, required);
  if (!value) return false;
  if (!value->is_boolean()) {
    Error(fmt::format("\"{}\" must be true or false", key));
    return false;
  }
  out = value->get<bool>();
  return true;
}

bool Fields::StringList(const char* key, std::vector<std::string>& out, bool required) {
  const Json* value = Take(key, required);
  if (!value) return false;
  bool ok = value->is_array();
  if (ok) {
    for (const Json& item : *value) ok = ok && item.is_string();
  }
  if (!ok) {
    Error(fmt::format("\"{}\" must be a list of strings", key));
    return false;
  }
  out = value->get<std::vector<std::string>>();
  return true;
}

void Fields::Finish() {
  for (const auto& [key, value] : object_.items()) {
    if (!known_.count(key)) Error(fmt::format("unknown field \"{}\"", key));
  }
}

void Fields::Error(const std::string& text) { errors_.push_back(fmt::format("{}: {}", where_, text)); }

}  // namespace platform::detail
