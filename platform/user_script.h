#pragma once

// A scripted person: a list of steps played against whatever modal dialog is
// on top, as docs/user-scripts.md describes. Tests build scripts in C++ with
// the same steps; the JSON form is read by ParseUserScript.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/control_listing.h"
#include "platform/user.h"
#include "platform/user_actions.h"
#include "platform/win_types.h"

namespace platform {

enum class StepKind {
  kExpectDialog,
  kType,
  kSelect,
  kClick,
  kCheck,
  kTab,
  kChord,
  kWait,
  kAnswer,
  kExpect,
  kList,
  kWaitUntil,
  kSlide,
  kSpin,
  kCall,
};

// The step's "do" name ("expect-dialog", "type", ...; "call" for C++ steps).
std::string_view StepKindName(StepKind kind);

// What an expect step checks, or what a wait-until step waits for; only the
// fields given.
struct Expectation {
  std::optional<std::string> text{};
  std::optional<bool> visible{};
  std::optional<bool> enabled{};
  std::optional<bool> checked{};
  std::optional<COLORREF> color{};
};

struct ScriptStep {
  StepKind kind = StepKind::kClick;
  int id = 0;                      // the control
  std::string text{};              // caption, text typed or picked, message box text
  std::optional<DWORD_PTR> data{}; // select by item data
  bool value = false;              // check
  int index = 0;                   // tab page
  char key = 0;                    // chord letter
  int ms = 0;                      // wait; wait-until: the longest wait
  int position = 0;                // slide: the slider's position; spin: the arrow (+1 up, -1 down)
  int button = 0;                  // answer: IDOK, IDCANCEL, IDYES or IDNO
  Expectation expect{};
  std::function<void(CDialog&)> call{};  // C++ only: runs with the top dialog
};

// Does to `dialog` what a step of a person's action does (type, select,
// click, check, tab, chord), through platform/user_actions.h: scripts and
// the browser front end act the same way. Other steps are refused.
ActionResult PerformStepAction(CDialog& dialog, const ScriptStep& step);

class UserScript final : public User {
 public:
  UserScript& ExpectDialog(std::string caption);
  UserScript& Type(int id, std::string text);
  UserScript& Select(int id, std::string text);
  UserScript& SelectData(int id, DWORD_PTR data);
  UserScript& Click(int id);
  UserScript& Check(int id, bool value);
  UserScript& Tab(int id, int index);
  UserScript& Chord(char letter);
  UserScript& Wait(int ms);
  UserScript& Answer(std::string text, int button);
  UserScript& Expect(int id, Expectation expectation);
  // Notes every control of the dialog on top (Listings); no action.
  UserScript& List();
  // Lets time pass until control `id` shows what `condition` says (text,
  // visible, enabled, checked; not colour), for at most `maxMs`. A wait
  // that runs out stops the run with the condition and what the control
  // showed; one whose dialog closes first stops it too.
  UserScript& WaitUntil(int id, Expectation condition, int maxMs);
  // Drags a slider to `position`; clicks a spin's up (`delta` > 0) or down
  // arrow.
  UserScript& Slide(int id, int position);
  UserScript& Spin(int id, int delta);
  // Runs `fn` with the top dialog at this point of the script (checks that
  // the JSON form has no word for); it counts as no action.
  UserScript& Call(std::function<void(CDialog&)> fn);
  UserScript& Add(ScriptStep step);
  // Steps the person plays before the script's own: the way to the dialog
  // the script is written for. Messages call them "<way> step N" and go on
  // numbering the script's own steps from 1.
  UserScript& PlayFirst(std::vector<ScriptStep> steps, std::string way);

  const std::vector<ScriptStep>& Steps() const { return steps_; }
  // Index of the next step to run.
  std::size_t Position() const { return next_; }
  // The reason the run stopped, if it did.
  const std::optional<std::string>& Failure() const { return failure_; }
  const std::vector<MessageBoxRequest>& MessageBoxesShown() const { return boxes_; }
  const std::vector<HelpRequest>& HelpShown() const { return help_; }
  // What each list step saw, in the order they ran.
  const std::vector<ControlListing>& Listings() const { return listings_; }

  // Once no dialog is open any more: a step never run or an answer never
  // used stops the run too. True when the whole script ran as written.
  bool Finish();

  // User
  Turn Act(CDialog& dialog) override;
  int AnswerMessageBox(const MessageBoxRequest& box) override;
  void ShowHelp(const HelpRequest& request) override;
  void Stop(const std::string& reason) override;
  bool Stopped() const override { return failure_.has_value(); }

 private:
  // Runs step `index` on `dialog`; false when it failed (the run stopped).
  bool RunStep(std::size_t index, CDialog& dialog);
  bool RunExpect(std::size_t index, const ScriptStep& step, CDialog& dialog);
  bool RunWaitUntil(std::size_t index, const ScriptStep& step, CDialog& dialog);
  std::string Where(std::size_t index, const CDialog* dialog, bool withControl) const;
  // "step 3" for the script's own steps, "<way> step 1" for those played first.
  std::string StepName(std::size_t index) const;
  std::string AfterLastAction() const;

  std::vector<ScriptStep> steps_;
  std::size_t firstSteps_ = 0;  // how many of steps_ were played first
  std::string way_;
  std::size_t next_ = 0;
  // What is left of a wait whose dialog closed during it; the person goes on
  // waiting in front of the next dialog.
  std::chrono::nanoseconds owedWait_{};
  std::vector<std::size_t> armed_;  // answer steps waiting for their box, oldest first
  std::optional<std::size_t> lastAction_;
  std::string lastActionDialog_;
  std::optional<std::string> failure_;
  std::vector<MessageBoxRequest> boxes_;
  std::vector<HelpRequest> help_;
  std::vector<ControlListing> listings_;
};

struct ScriptParse {
  std::optional<UserScript> script;
  // Every fault, one per line, each naming its step ("step 3 (type): ...").
  std::string error;
};

ScriptParse ParseUserScript(std::string_view json);
// The file is read as ReadBoundedFile reads: a directory, a device or a
// file of more than 4 MiB is refused. The error leaves naming the file to
// the caller.
ScriptParse LoadUserScript(const std::filesystem::path& file);

struct ScriptRun {
  INT_PTR result = -1;  // what the outermost dialog returned
  bool ok = false;      // the script ran to its end as written
  std::string failure;
};

// Plays `script` as the current user while `openDialog` shows the
// outermost dialog (and returns its DoModal result), then checks that every
// step ran (Finish).
ScriptRun RunUserScript(UserScript& script, const std::function<INT_PTR()>& openDialog);

}  // namespace platform
