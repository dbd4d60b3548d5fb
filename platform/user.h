#pragma once

#include <string>

#include "platform/win_types.h"

class CDialog;

namespace platform {

struct MessageBoxRequest {
  std::string text;
  std::string caption;
  UINT type = MB_OK;  // buttons and icon (MB_YESNOCANCEL | MB_ICONQUESTION, ...)
};

struct HelpRequest {
  std::string file;
  UINT command = HH_HELP_CONTEXT;
  DWORD_PTR context = 0;
};

// The person in front of the dialogs: a script, a test, or later a browser
// front end. The framework asks it for the next action whenever the top
// modal dialog waits, and for the answer to every message box.
//
// Requirements on an implementation:
//  - Act does at most one thing a person does (platform/user_actions.h or
//    LetTimePass) to the dialog it is given, and returns kActed; it returns
//    kNothingLeft when the person has nothing more to do. Act may be called
//    again from inside an action, when that action opens a nested dialog.
//  - AnswerMessageBox returns a button of the box (IDOK, IDCANCEL, IDYES,
//    IDNO), or 0 for no answer; with no answer the user must Stop.
//  - After Stop, Stopped() is true for good; only the first reason counts.
//    The framework then ends every open dialog with -1 and answers every
//    further message box with 0, without asking.
//  - Timers fire only while the framework has control: a user that waits for
//    input on real time lets time pass (LetTimePass) in slices no longer than
//    the time to the next timer (NextTimerDue), in platform/message_loop.h.
class User {
 public:
  enum class Turn { kActed, kNothingLeft };

  virtual ~User() = default;
  virtual Turn Act(CDialog& dialog) = 0;
  virtual int AnswerMessageBox(const MessageBoxRequest& box) = 0;
  virtual void ShowHelp(const HelpRequest& request) = 0;
  virtual void Stop(const std::string& reason) = 0;
  virtual bool Stopped() const = 0;
};

// The user of the process: the one installed, or nobody, who has nothing to
// do (every dialog ends at once with -1, every message box gives 0, and each
// such stop is written to standard error).
User& CurrentUser();
// Installs `user` (not owned); nullptr restores nobody.
void SetCurrentUser(User* user);

// Installs a user for its lifetime and restores the previous one.
class ScopedUser {
 public:
  explicit ScopedUser(User& user);
  ~ScopedUser();
  ScopedUser(const ScopedUser&) = delete;
  ScopedUser& operator=(const ScopedUser&) = delete;

 private:
  User* previous_;
};

}  // namespace platform
