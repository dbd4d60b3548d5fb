#include "browser/browser_user.h"

#include <algorithm>

#include <fmt/format.h>

#include "browser/front_end.h"
#include "platform/dialog.h"
#include "platform/message_box.h"
#include "platform/message_loop.h"
#include "platform/user_actions.h"
#include "platform/user_script.h"
#include "timebase/clock.h"

namespace browser {

namespace {

constexpr const char* kStopped = "the server stopped";

bool TimerDue() {
  timebase::Clock::Duration due{};
  return platform::NextTimerDue(due) && due <= timebase::CurrentClock().Now();
}

bool NamesControl(platform::StepKind kind) {
  return kind != platform::StepKind::kChord && kind != platform::StepKind::kWait;
}

// "click in dialog "Drive Setup", control 3171", as a script failure names it.
std::string Where(const platform::ScriptStep& step, const CDialog& dialog) {
  std::string where = fmt::format("{} in dialog \"{}\"", platform::StepKindName(step.kind), dialog.GetWindowText());
  if (NamesControl(step.kind)) where += fmt::format(", control {}", step.id);
  return where;
}

std::string ButtonList(UINT type) {
  std::string names;
  for (int button : platform::MessageBoxButtons(type)) {
    names += fmt::format("{}{}", names.empty() ? "" : ", ", platform::ButtonName(button));
  }
  return names;
}

}  // namespace

bool BrowserUser::Stopping() {
  if (frontEnd_.StopRequested()) Stop(kStopped);
  return Stopped();
}

platform::User::Turn BrowserUser::Act(CDialog& dialog) {
  for (;;) {
    if (Stopping()) return Turn::kNothingLeft;
    frontEnd_.ReachWaitingPoint();
    if (TimerDue() || dialog.EndRequested()) return Turn::kActed;
    std::optional<RequestQueue::Taken> taken = frontEnd_.NextRequest();
    if (taken && Perform(dialog, *taken)) return Turn::kActed;
  }
}

bool BrowserUser::Perform(CDialog& dialog, RequestQueue::Taken& taken) {
  const Request& request = taken.request;
  const platform::ScriptStep& step = request.step;
  const bool forDialog = request.kind == Request::Kind::kStep || request.kind == Request::Kind::kCloseDialog;
  if (!forDialog) {
    frontEnd_.Answer(taken, kConflict,
                     fmt::format("Close the open dialogs first: \"{}\" is open.", dialog.GetWindowText()));
    return false;
  }
  if (request.kind == Request::Kind::kStep && step.kind == platform::StepKind::kWait) {
    frontEnd_.BeginWait(std::chrono::milliseconds(step.ms));
    frontEnd_.Hold(taken);
    return false;
  }
  if (request.kind == Request::Kind::kStep && step.kind == platform::StepKind::kAnswer) {
    frontEnd_.Answer(taken, kConflict, "No message box is open.");
    return false;
  }
  if (request.dialog && *request.dialog != dialog.GetModalSerial()) {
    frontEnd_.Answer(taken, kConflict,
                     fmt::format("The dialog the action was meant for is no longer on top; \"{}\" is.",
                                 dialog.GetWindowText()));
    return false;
  }
  const bool close = request.kind == Request::Kind::kCloseDialog;
  const std::string where = close ? fmt::format("close in dialog \"{}\"", dialog.GetWindowText()) : Where(step, dialog);
  // Held before the action, which may wait for the person itself (a message
  // box it brings up, a dialog it opens): the request is answered there.
  frontEnd_.Hold(taken);
  const platform::ActionResult result = close ? platform::CloseDialog(dialog) : platform::PerformStepAction(dialog, step);
  if (result.ok) return true;
  // A refused action did nothing, so nothing waited meanwhile: the request
  // held last is this one.
  frontEnd_.AnswerLastHeld(kConflict, fmt::format("{}: {}", where, result.error));
  return false;
}

int BrowserUser::AnswerMessageBox(const platform::MessageBoxRequest& box) {
  frontEnd_.ShowMessageBox(box);
  int answer = 0;
  while (answer == 0 && !Stopping()) {
    frontEnd_.ReachWaitingPoint();
    std::optional<RequestQueue::Taken> taken = frontEnd_.NextRequest();
    if (taken) answer = AnswerFrom(box, *taken);
  }
  frontEnd_.HideMessageBox();
  return answer;
}

int BrowserUser::AnswerFrom(const platform::MessageBoxRequest& box, RequestQueue::Taken& taken) {
  const Request& request = taken.request;
  if (request.kind != Request::Kind::kStep || request.step.kind != platform::StepKind::kAnswer) {
    frontEnd_.Answer(taken, kConflict, fmt::format("A message box waits for an answer: \"{}\"", box.text));
    return 0;
  }
  if (request.step.text != box.text) {
    frontEnd_.Answer(taken, kConflict,
                     fmt::format("The message box says \"{}\", not \"{}\"", box.text, request.step.text));
    return 0;
  }
  const std::vector<int> buttons = platform::MessageBoxButtons(box.type);
  if (std::find(buttons.begin(), buttons.end(), request.step.button) == buttons.end()) {
    frontEnd_.Answer(taken, kConflict,
                     fmt::format("The message box \"{}\" has no \"{}\" button (it has {})", box.text,
                                 platform::ButtonName(request.step.button), ButtonList(box.type)));
    return 0;
  }
  frontEnd_.Hold(taken);
  return request.step.button;
}

void BrowserUser::ShowHelp(const platform::HelpRequest& request) { frontEnd_.ShowHelp(request); }

void BrowserUser::Stop(const std::string& reason) {
  if (stopReason_) return;
  stopReason_ = reason;
  if (reason != kStopped) frontEnd_.Notice(fmt::format("The dialogs stopped: {}.", reason));
}

}  // namespace browser
