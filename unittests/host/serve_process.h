#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace httplib {
class Client;
}

namespace host_test {

// `drivesetup serve` in a process of its own, on a free port, for as long
// as the object lives; ended with SIGTERM as a person's Ctrl-C would. Talks
// to it as the page does: with the token, as JSON.
class ServeProcess {
 public:
  explicit ServeProcess(const std::vector<std::string>& args);
  ~ServeProcess();
  ServeProcess(const ServeProcess&) = delete;
  ServeProcess& operator=(const ServeProcess&) = delete;

  bool Started() const { return port_ > 0; }
  int Port() const { return port_; }
  const std::string& Token() const { return token_; }
  // What the process printed before the address (a failure to start).
  const std::string& Printed() const { return printed_; }

  struct Answer {
    int status = 0;  // 0: no answer at all
    std::string body;
    nlohmann::json Json() const;
  };
  // With the token header.
  Answer Get(const std::string& path);
  Answer Post(const std::string& path, const std::string& body);
  // POST /api/action {"step": step}.
  Answer Act(const nlohmann::json& step);
  nlohmann::json State();

  // Ends the process; its exit status (-1 when it did not end normally).
  int Stop();

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  std::string token_;
  std::string printed_;
  std::unique_ptr<httplib::Client> client_;
};

}  // namespace host_test
