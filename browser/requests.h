#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <future>
#include <mutex>
#include <optional>
#include <string>

#include "platform/user_script.h"

// What the person asks for through the browser, carried from the HTTP
// handlers to the one user-interface thread, and the thread's answer. A
// handler never touches a dialog: it queues a request and waits for the
// reply, which the UI thread gives once the request has had its effect and
// the UI waits for the person again (or at once, when it refuses).
namespace browser {

struct Request {
  enum class Kind {
    kStep,         // a person's action on the dialogs, in the form of a user-script step
    kCloseDialog,  // the close box of the dialog on top
    kOpenDialog,   // open the Drive Setup dialog on the setup
    kOpenSetup,    // replace the setup with an uploaded document
    kSaveSetup,    // save the setup to the file the server was started with
  };
  Kind kind = Kind::kStep;
  platform::ScriptStep step;
  // kStep, kCloseDialog: the dialog the person saw on top when acting (its modal serial);
  // an action meant for a dialog that has closed since is refused.
  std::optional<std::uint64_t> dialog;
  std::string document;  // kOpenSetup
  std::string fileName;  // kOpenSetup: the name the person's file had
};

struct Reply {
  int status = 200;     // HTTP status: 200, or 4xx/5xx with `message` saying why
  std::string message;  // for the person
  std::uint64_t revision = 0;  // the published state that shows the outcome
};

class RequestQueue {
 public:
  struct Taken {
    Request request;
    std::promise<Reply> reply;
  };

  // Handler threads: queues `request`. Once the queue is closed the reply
  // is at once a 503.
  std::future<Reply> Push(Request request);

  // UI thread: the oldest request, waiting at most `timeout` for one;
  // nothing when none came or the queue is closed.
  std::optional<Taken> WaitNext(std::chrono::nanoseconds timeout);

  // Refuses every request still queued and every later one; wakes the UI
  // thread.
  void Close(std::string reason);
  bool Closed() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<Taken> queued_;
  std::optional<std::string> closedBecause_;
};

}  // namespace browser
