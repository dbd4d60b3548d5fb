#include "platform/user_script.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <iterator>
#include <utility>

#include <fmt/format.h>

#include "platform/dialog.h"
#include "platform/message_box.h"
#include "platform/message_loop.h"
#include "platform/user_actions.h"
#include "timebase/clock.h"

namespace platform {

namespace {

constexpr std::array<std::string_view, 15> kKindNames{"expect-dialog", "type",  "select",     "click", "check",
                                                      "tab",           "chord", "wait",       "answer", "expect",
                                                      "list",          "wait-until", "slide", "spin",   "call"};

bool IsAction(StepKind kind) {
  switch (kind) {
    case StepKind::kType:
    case StepKind::kSelect:
    case StepKind::kClick:
    case StepKind::kCheck:
    case StepKind::kTab:
    case StepKind::kChord:
    case StepKind::kWait:
    case StepKind::kWaitUntil:
    case StepKind::kSlide:
    case StepKind::kSpin:
      return true;
    default:
      return false;
  }
}

bool NamesControl(StepKind kind) { return IsAction(kind) && kind != StepKind::kChord && kind != StepKind::kWait; }

std::string Caption(const CDialog* dialog) { return dialog ? dialog->GetWindowText() : std::string(); }

void Mismatch(std::string& text, const std::string& what) { text += (text.empty() ? "" : "; ") + what; }

std::string YesNo(bool value) { return value ? "true" : "false"; }

// What of `e` the control does not show; empty when it shows all of it.
std::string Mismatches(const Expectation& e, const ControlState& state) {
  std::string wrong;
  if (e.text && state.text != *e.text) {
    Mismatch(wrong, fmt::format("text is \"{}\", expected \"{}\"", state.text, *e.text));
  }
  if (e.visible && state.visible != *e.visible) {
    Mismatch(wrong, fmt::format("visible is {}, expected {}", YesNo(state.visible), YesNo(*e.visible)));
  }
  if (e.enabled && state.enabled != *e.enabled) {
    Mismatch(wrong, fmt::format("enabled is {}, expected {}", YesNo(state.enabled), YesNo(*e.enabled)));
  }
  if (e.checked) {
    const bool checked = state.check == BST_CHECKED;
    if (!HasCheckState(state.cls)) {
      Mismatch(wrong, fmt::format("the control is {}, which has no check state", ControlClassPhrase(state.cls)));
    } else if (checked != *e.checked) {
      Mismatch(wrong, fmt::format("checked is {}, expected {}", YesNo(checked), YesNo(*e.checked)));
    }
  }
  if (e.color && state.color != *e.color) {
    Mismatch(wrong, fmt::format("color is {}, expected {}", ColorText(state.color), ColorText(*e.color)));
  }
  return wrong;
}

}  // namespace

std::string_view StepKindName(StepKind kind) { return kKindNames[static_cast<std::size_t>(kind)]; }

ActionResult PerformStepAction(CDialog& dialog, const ScriptStep& step) {
  switch (step.kind) {
    case StepKind::kType:
      return TypeInto(dialog, step.id, step.text);
    case StepKind::kSelect:
      return step.data ? SelectByData(dialog, step.id, *step.data) : SelectByText(dialog, step.id, step.text);
    case StepKind::kClick:
      return platform::Click(dialog, step.id);
    case StepKind::kCheck:
      return SetChecked(dialog, step.id, step.value);
    case StepKind::kTab:
      return SelectTab(dialog, step.id, step.index);
    case StepKind::kChord:
      return PressChord(dialog, step.key);
    default:
      return ActionResult::Refused(fmt::format("\"{}\" is not something a person does to a dialog", StepKindName(step.kind)));
  }
}

UserScript& UserScript::Add(ScriptStep step) {
  steps_.push_back(std::move(step));
  return *this;
}

UserScript& UserScript::PlayFirst(std::vector<ScriptStep> steps, std::string way) {
  firstSteps_ += steps.size();
  steps_.insert(steps_.begin(), std::make_move_iterator(steps.begin()), std::make_move_iterator(steps.end()));
  way_ = std::move(way);
  return *this;
}

UserScript& UserScript::ExpectDialog(std::string caption) {
  return Add(ScriptStep{.kind = StepKind::kExpectDialog, .text = std::move(caption)});
}
UserScript& UserScript::Type(int id, std::string text) {
  return Add(ScriptStep{.kind = StepKind::kType, .id = id, .text = std::move(text)});
}
UserScript& UserScript::Select(int id, std::string text) {
  return Add(ScriptStep{.kind = StepKind::kSelect, .id = id, .text = std::move(text)});
}
UserScript& UserScript::SelectData(int id, DWORD_PTR data) {
  return Add(ScriptStep{.kind = StepKind::kSelect, .id = id, .data = data});
}
UserScript& UserScript::Click(int id) { return Add(ScriptStep{.kind = StepKind::kClick, .id = id}); }
UserScript& UserScript::Check(int id, bool value) {
  return Add(ScriptStep{.kind = StepKind::kCheck, .id = id, .value = value});
}
UserScript& UserScript::Tab(int id, int index) {
  return Add(ScriptStep{.kind = StepKind::kTab, .id = id, .index = index});
}
UserScript& UserScript::List() { return Add(ScriptStep{.kind = StepKind::kList}); }
UserScript& UserScript::Chord(char letter) { return Add(ScriptStep{.kind = StepKind::kChord, .key = letter}); }
UserScript& UserScript::Wait(int ms) { return Add(ScriptStep{.kind = StepKind::kWait, .ms = ms}); }
UserScript& UserScript::Answer(std::string text, int button) {
  return Add(ScriptStep{.kind = StepKind::kAnswer, .text = std::move(text), .button = button});
}
UserScript& UserScript::Expect(int id, Expectation expectation) {
  return Add(ScriptStep{.kind = StepKind::kExpect, .id = id, .expect = std::move(expectation)});
}
UserScript& UserScript::WaitUntil(int id, Expectation condition, int maxMs) {
  return Add(ScriptStep{.kind = StepKind::kWaitUntil, .id = id, .ms = maxMs, .expect = std::move(condition)});
}
UserScript& UserScript::Slide(int id, int position) {
  return Add(ScriptStep{.kind = StepKind::kSlide, .id = id, .position = position});
}
UserScript& UserScript::Spin(int id, int delta) {
  return Add(ScriptStep{.kind = StepKind::kSpin, .id = id, .position = delta});
}
UserScript& UserScript::Call(std::function<void(CDialog&)> fn) {
  return Add(ScriptStep{.kind = StepKind::kCall, .call = std::move(fn)});
}

User::Turn UserScript::Act(CDialog& dialog) {
  if (owedWait_ > std::chrono::nanoseconds::zero() && !Stopped()) {
    owedWait_ = LetTimePass(owedWait_, [&dialog] { return dialog.EndRequested(); });
    return Turn::kActed;
  }
  while (next_ < steps_.size() && !Stopped()) {
    const std::size_t index = next_++;
    const bool action = IsAction(steps_[index].kind);
    if (action) {
      lastAction_ = index;
      lastActionDialog_ = Caption(&dialog);
    }
    if (!RunStep(index, dialog)) return Turn::kNothingLeft;
    // A C++ step that ended the dialog leaves the rest to its opener; one
    // that ran a nested dialog may have left part of a wait to be served.
    if (action || dialog.EndRequested() || owedWait_ > std::chrono::nanoseconds::zero()) return Turn::kActed;
  }
  if (!Stopped()) {
    Stop(fmt::format("the script has no step left ({}) while dialog \"{}\" (template {}) is still open",
                     lastAction_ ? AfterLastAction() : "it took no action", Caption(&dialog),
                     dialog.GetTemplateId()));
  }
  return Turn::kNothingLeft;
}

bool UserScript::RunStep(std::size_t index, CDialog& dialog) {
  const ScriptStep& step = steps_[index];
  ActionResult result;
  switch (step.kind) {
    case StepKind::kExpectDialog:
      if (Caption(&dialog) != step.text) {
        Stop(fmt::format("{}: the dialog on top is \"{}\", expected \"{}\"", Where(index, nullptr, false),
                         Caption(&dialog), step.text));
        return false;
      }
      return true;
    case StepKind::kType:
    case StepKind::kSelect:
    case StepKind::kClick:
    case StepKind::kCheck:
    case StepKind::kTab:
    case StepKind::kChord:
      result = PerformStepAction(dialog, step);
      break;
    case StepKind::kWait:
      owedWait_ = LetTimePass(std::chrono::milliseconds(step.ms), [&dialog] { return dialog.EndRequested(); });
      break;
    case StepKind::kAnswer:
      armed_.push_back(index);
      break;
    case StepKind::kExpect:
      return RunExpect(index, step, dialog);
    case StepKind::kList:
      listings_.push_back(ListControls(dialog));
      return true;
    case StepKind::kWaitUntil:
      return RunWaitUntil(index, step, dialog);
    case StepKind::kSlide:
      result = MoveSlider(dialog, step.id, step.position);
      break;
    case StepKind::kSpin:
      result = ClickSpin(dialog, step.id, step.position);
      break;
    case StepKind::kCall:
      if (step.call) step.call(dialog);
      break;
  }
  if (!result.ok) {
    // The action was refused before it did anything, so the dialog is as it was.
    Stop(fmt::format("{}: {}", Where(index, &dialog, NamesControl(step.kind)), result.error));
    return false;
  }
  return !Stopped();
}

bool UserScript::RunExpect(std::size_t index, const ScriptStep& step, CDialog& dialog) {
  // A C++ step just before may have changed what the dialog colours.
  if (step.expect.color) Paint(dialog.m_hWnd);
  const std::optional<ControlState> state = ReadControl(dialog, step.id);
  if (!state) {
    Stop(fmt::format("{}: the control does not exist", Where(index, &dialog, true)));
    return false;
  }
  const std::string wrong = Mismatches(step.expect, *state);
  if (wrong.empty()) return true;
  Stop(fmt::format("{}: {}", Where(index, &dialog, true), wrong));
  return false;
}

bool UserScript::RunWaitUntil(std::size_t index, const ScriptStep& step, CDialog& dialog) {
  const auto holds = [&] {
    const std::optional<ControlState> state = ReadControl(dialog, step.id);
    return state && Mismatches(step.expect, *state).empty();
  };
  if (!ReadControl(dialog, step.id)) {
    Stop(fmt::format("{}: the control does not exist", Where(index, &dialog, true)));
    return false;
  }
  const timebase::Clock::Duration start = timebase::CurrentClock().Now();
  if (!holds()) LetTimePass(std::chrono::milliseconds(step.ms), [&] { return dialog.EndRequested() || holds(); });
  if (Stopped()) return false;
  const auto waited_ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(timebase::CurrentClock().Now() - start).count();
  const std::optional<ControlState> state = ReadControl(dialog, step.id);
  if (state && Mismatches(step.expect, *state).empty()) return true;
  if (dialog.EndRequested() || !state) {
    Stop(fmt::format("{}: the dialog closed after {} ms, before the control showed what the step waits for",
                     Where(index, &dialog, true), waited_ms));
    return false;
  }
  Stop(fmt::format("{}: after {} ms {}", Where(index, &dialog, true), waited_ms, Mismatches(step.expect, *state)));
  return false;
}

int UserScript::AnswerMessageBox(const MessageBoxRequest& box) {
  boxes_.push_back(box);
  // A box that comes with no action before it (while a dialog opens, or
  // from a timer) takes the answer that is the next step.
  if (armed_.empty() && next_ < steps_.size() && steps_[next_].kind == StepKind::kAnswer) armed_.push_back(next_++);
  const CDialog* top = TopDialog();
  const std::string shownIn = top ? fmt::format("in dialog \"{}\"", Caption(top)) : "with no dialog open";
  const std::string when = lastAction_ ? AfterLastAction() : "before the script's first action";
  if (armed_.empty()) {
    Stop(fmt::format("message box \"{}\" appeared {} with no answer armed ({})", box.text, shownIn, when));
    return 0;
  }
  const std::size_t index = armed_.front();
  armed_.erase(armed_.begin());
  const ScriptStep& step = steps_[index];
  const std::string where = Where(index, nullptr, false);
  if (box.text != step.text) {
    Stop(fmt::format("{}: the message box {} says \"{}\", expected \"{}\" ({})", where, shownIn, box.text, step.text,
                     when));
    return 0;
  }
  const std::vector<int> buttons = MessageBoxButtons(box.type);
  if (std::find(buttons.begin(), buttons.end(), step.button) == buttons.end()) {
    std::string names;
    for (int b : buttons) names += fmt::format("{}{}", names.empty() ? "" : ", ", ButtonName(b));
    Stop(fmt::format("{}: the message box \"{}\" has no \"{}\" button (it has {})", where, box.text,
                     ButtonName(step.button), names));
    return 0;
  }
  return step.button;
}

void UserScript::ShowHelp(const HelpRequest& request) { help_.push_back(request); }

void UserScript::Stop(const std::string& reason) {
  if (!failure_) failure_ = reason;
}

bool UserScript::Finish() {
  if (failure_) return false;
  if (next_ < steps_.size()) {
    Stop(fmt::format("{} did not run: no dialog was open any more", Where(next_, nullptr, false)));
    return false;
  }
  if (!armed_.empty()) {
    Stop(fmt::format("{}: no message box \"{}\" appeared", Where(armed_.front(), nullptr, false),
                     steps_[armed_.front()].text));
    return false;
  }
  return true;
}

std::string UserScript::StepName(std::size_t index) const {
  if (index < firstSteps_) return fmt::format("{} step {}", way_, index + 1);
  return fmt::format("step {}", index - firstSteps_ + 1);
}

std::string UserScript::Where(std::size_t index, const CDialog* dialog, bool withControl) const {
  std::string where = fmt::format("{} ({})", StepName(index), StepKindName(steps_[index].kind));
  if (dialog) where += fmt::format(" in dialog \"{}\"", Caption(dialog));
  if (withControl) where += fmt::format(", control {}", steps_[index].id);
  return where;
}

std::string UserScript::AfterLastAction() const {
  if (!lastAction_) return {};
  const ScriptStep& step = steps_[*lastAction_];
  std::string text =
      fmt::format("after {} ({}) in dialog \"{}\"", StepName(*lastAction_), StepKindName(step.kind), lastActionDialog_);
  if (NamesControl(step.kind)) text += fmt::format(", control {}", step.id);
  return text;
}

ScriptRun RunUserScript(UserScript& script, const std::function<INT_PTR()>& openDialog) {
  ScriptRun run;
  {
    ScopedUser user(script);
    run.result = openDialog();
  }
  run.ok = script.Finish();
  if (!run.ok) run.failure = *script.Failure();
  return run;
}

}  // namespace platform
