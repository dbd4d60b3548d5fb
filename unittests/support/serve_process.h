#pragma once

#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

extern char** environ;

// Needs DRIVESETUP_BINARY_DIR, the build folder, and the HTTP library.
namespace testsupport {

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
  // The state once the dialog on top has `caption`; null when it has not
  // come within `patience` (the server runs on real time).
  nlohmann::json WaitForTop(const std::string& caption,
                            std::chrono::milliseconds patience = std::chrono::seconds(10));
  // Opens the Drive Setup dialog as the page's button does, and leaves with
  // Cancel the motor dialog that it brings up by itself; false when either
  // does not happen.
  bool OpenDriveSetup();

  // Ends the process; its exit status (-1 when it did not end normally).
  int Stop();

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  std::string token_;
  std::string printed_;
  std::unique_ptr<httplib::Client> client_;
};

namespace serve_process_detail {

// Reads what the process prints until the line with the address.
inline std::string ReadUntilAddress(int fd) {
  std::string text;
  char c = 0;
  while (read(fd, &c, 1) == 1) {
    text += c;
    if (c == '\n' && text.find("token=") != std::string::npos) break;
  }
  return text;
}

}  // namespace serve_process_detail

inline nlohmann::json ServeProcess::Answer::Json() const {
  return nlohmann::json::parse(body, nullptr, false);
}

inline ServeProcess::ServeProcess(const std::vector<std::string>& args) {
  const std::string program = std::string(DRIVESETUP_BINARY_DIR) + "/bin/drivesetup";
  std::vector<std::string> words{program};
  words.insert(words.end(), args.begin(), args.end());
  words.insert(words.end(), {"serve", "--port", "0"});
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  int out[2];
  if (pipe(out) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  const int spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    pid_ = -1;
    close(out[0]);
    return;
  }
  printed_ = serve_process_detail::ReadUntilAddress(out[0]);
  close(out[0]);
  std::smatch found;
  if (!std::regex_search(printed_, found, std::regex(R"(http://127\.0\.0\.1:(\d+)/\?token=([0-9a-f]+))"))) return;
  port_ = std::stoi(found[1]);
  token_ = found[2];
  client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
  client_->set_read_timeout(120, 0);
}

inline ServeProcess::~ServeProcess() { Stop(); }

inline int ServeProcess::Stop() {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline ServeProcess::Answer ServeProcess::Get(const std::string& path) {
  if (!client_) return {};
  const httplib::Result result = client_->Get(path, httplib::Headers{{"X-Drivesetup-Token", token_}});
  if (!result) return {};
  return {result->status, result->body};
}

inline ServeProcess::Answer ServeProcess::Post(const std::string& path, const std::string& body) {
  if (!client_) return {};
  const httplib::Result result =
      client_->Post(path, httplib::Headers{{"X-Drivesetup-Token", token_}}, body, "application/json");
  if (!result) return {};
  return {result->status, result->body};
}

inline ServeProcess::Answer ServeProcess::Act(const nlohmann::json& step) {
  return Post("/api/action", nlohmann::json{{"step", step}}.dump());
}

inline nlohmann::json ServeProcess::State() { return Get("/api/state").Json(); }

inline nlohmann::json ServeProcess::WaitForTop(const std::string& caption, std::chrono::milliseconds patience) {
  const auto giveUp = std::chrono::steady_clock::now() + patience;
  nlohmann::json state = State();
  while (state.is_object()) {
    const nlohmann::json& dialogs = state["dialogs"];
    if (!dialogs.empty() && dialogs.back().value("caption", "") == caption) return state;
    if (std::chrono::steady_clock::now() >= giveUp) break;
    // Answers as soon as anything changes.
    state = Get("/api/state?after=" + std::to_string(state.value("revision", 0))).Json();
  }
  return nullptr;
}

inline bool ServeProcess::OpenDriveSetup() {
  if (Post("/api/open", "").status != 200) return false;
  if (WaitForTop("Step Motor and Load Setup").is_null()) return false;
  constexpr int kCancel = 2;
  if (Act({{"do", "click"}, {"id", kCancel}}).status != 200) return false;
  return !WaitForTop("Drive Setup").is_null();
}

}  // namespace testsupport
