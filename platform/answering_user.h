#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/user.h"
#include "platform/user_script.h"

// A scripted person who also answers, with one button, every message box
// whose text starts with a given beginning: the closing question of a test
// lists measured values that a script cannot know in advance. Every other
// box goes to the script as usual. Given a list of buttons instead, it
// answers such boxes in turn, and one box more than listed stops the run.
namespace platform {

class AnsweringUser final : public User {
 public:
  AnsweringUser(UserScript& script, std::string beginning, int button)
      : script_(script), beginning_(std::move(beginning)), button_(button) {}
  AnsweringUser(UserScript& script, std::string beginning, std::vector<int> buttons)
      : script_(script), beginning_(std::move(beginning)), buttons_(std::move(buttons)) {}

  Turn Act(CDialog& dialog) override { return script_.Act(dialog); }
  int AnswerMessageBox(const MessageBoxRequest& box) override {
    if (!box.text.starts_with(beginning_)) return script_.AnswerMessageBox(box);
    answered_.push_back(box.text);
    if (button_) return *button_;
    if (answered_.size() > buttons_.size()) {
      script_.Stop("a box came once more than answered: " + box.text);
      return 0;
    }
    return buttons_[answered_.size() - 1];
  }
  void ShowHelp(const HelpRequest& request) override { script_.ShowHelp(request); }
  void Stop(const std::string& reason) override { script_.Stop(reason); }
  bool Stopped() const override { return script_.Stopped(); }

  // The boxes answered here, in order.
  const std::vector<std::string>& Answered() const { return answered_; }

 private:
  UserScript& script_;
  std::string beginning_;
  std::optional<int> button_;
  std::vector<int> buttons_;
  std::vector<std::string> answered_;
};

}  // namespace platform
