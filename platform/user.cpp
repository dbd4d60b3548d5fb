#include "platform/user.h"

#include <iostream>

namespace platform {

namespace {

// Nobody at the screen: every dialog ends at once and every message box
// goes unanswered. The framework's stop reasons go to standard error so a
// dialog opened by mistake is not silent.
class Nobody final : public User {
 public:
  Turn Act(CDialog&) override { return Turn::kNothingLeft; }
  int AnswerMessageBox(const MessageBoxRequest&) override { return 0; }
  void ShowHelp(const HelpRequest&) override {}
  void Stop(const std::string& reason) override { std::cerr << "no user: " << reason << '\n'; }
  bool Stopped() const override { return false; }
};

User* g_user = nullptr;

}  // namespace

User& CurrentUser() {
  static Nobody nobody;
  return g_user ? *g_user : nobody;
}

void SetCurrentUser(User* user) { g_user = user; }

ScopedUser::ScopedUser(User& user) : previous_(g_user) { g_user = &user; }

ScopedUser::~ScopedUser() { g_user = previous_; }

}  // namespace platform
