#pragma once

#include <optional>
#include <string>

#include "browser/requests.h"
#include "platform/user.h"

namespace browser {

class FrontEnd;

// The person in the browser, as the UI framework sees them: whenever the
// dialog on top waits, Act takes the person's next request from the front
// end's queue and does it through the same action layer as a user script;
// a message box waits for the person's answer. Between requests the
// dialogs' timers fire on real time.
class BrowserUser final : public platform::User {
 public:
  explicit BrowserUser(FrontEnd& frontEnd) : frontEnd_(frontEnd) {}

  Turn Act(CDialog& dialog) override;
  int AnswerMessageBox(const platform::MessageBoxRequest& box) override;
  void ShowHelp(const platform::HelpRequest& request) override;
  void Stop(const std::string& reason) override;
  bool Stopped() const override { return stopReason_.has_value(); }
  const std::optional<std::string>& StopReason() const { return stopReason_; }

 private:
  // Does `taken` to `dialog`; true when it acted, so that the modal loop
  // must run before the next request.
  bool Perform(CDialog& dialog, RequestQueue::Taken& taken);
  // The answer `taken` gives to `box`, or 0 when it is none (it is then refused).
  int AnswerFrom(const platform::MessageBoxRequest& box, RequestQueue::Taken& taken);
  bool Stopping();

  FrontEnd& frontEnd_;
  std::optional<std::string> stopReason_;
};

}  // namespace browser
