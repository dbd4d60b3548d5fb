#pragma once

#include <string>

#include "platform/user.h"
#include "platform/user_script.h"

// A person's own script played inside a test: the route's clicks first
// (from the Drive Setup dialog into the test), then the script, whose steps
// start in the test dialog. Message boxes go to whichever of the two is
// acting.
namespace host {

class RoutedPerson final : public platform::User {
 public:
  RoutedPerson(platform::UserScript& route, platform::UserScript& script) : m_route(route), m_script(script) {}

  Turn Act(CDialog& dialog) override { return Acting().Act(dialog); }
  int AnswerMessageBox(const platform::MessageBoxRequest& box) override { return Acting().AnswerMessageBox(box); }
  void ShowHelp(const platform::HelpRequest& request) override { Acting().ShowHelp(request); }
  void Stop(const std::string& reason) override { Acting().Stop(reason); }
  bool Stopped() const override { return m_route.Stopped() || m_script.Stopped(); }

 private:
  // The route has no waits, so it is done once its last click ran.
  platform::UserScript& Acting() { return m_route.Position() < m_route.Steps().size() ? m_route : m_script; }

  platform::UserScript& m_route;
  platform::UserScript& m_script;
};

}  // namespace host
