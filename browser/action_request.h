#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "browser/requests.h"

// The bodies of the action requests, read into requests for the UI thread.
// An action is a user-script step (docs/user-scripts.md) of a person's
// action: {"step": {"do": "type", "id": 3416, "text": "2"}, "dialog": 7},
// where "dialog", when given, is the modal serial of the dialog the person
// saw on top. Steps that check a script's run (expect, expect-dialog, list,
// wait-until) are no actions: the state shows what they would check.
namespace browser {

struct ParsedRequest {
  std::optional<Request> request;
  std::string error;  // why the body is refused, when it is
};

ParsedRequest ParseActionRequest(std::string_view body);
// {"dialog": 7} or {}: the close box of the dialog on top.
ParsedRequest ParseCloseRequest(std::string_view body);

// The longest wait one action may ask for; a longer one would keep the
// dialogs from the person for good.
inline constexpr int kLongestWait_ms = 60000;

}  // namespace browser
