#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <future>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "browser/dialog_view.h"
#include "browser/published_state.h"
#include "browser/requests.h"
#include "platform/user.h"

class CDialog;

namespace browser {

// What the page may do to the setup besides acting on its dialogs. The host
// implements it on the setup it serves; every call comes on the
// user-interface thread.
class SetupSession {
 public:
  virtual ~SetupSession() = default;
  // Opens the Drive Setup dialog on a copy of the setup, for the person in
  // the browser, and keeps the copy only when the dialog closes with OK.
  // Returns what became of the setup, in words for the person.
  virtual std::string EditSetup() = 0;
  // Replaces the setup with an uploaded document; the reason (in the words
  // of the command line) when it does not load, and the setup stays.
  virtual std::optional<std::string> OpenDocument(std::string_view document, std::string_view fileName) = 0;
  // Saves the setup to the file the server was started with; the reason
  // when it cannot.
  virtual std::optional<std::string> Save() = 0;
  // The setup as a document, for download.
  virtual SetupDocument Document() const = 0;
  // What the page shows of the setup: {"name": ..., "saveTo": file name or null}.
  virtual nlohmann::json Summary() const = 0;
};

// The user-interface thread's side of the browser front end. Run serves the
// requests of the HTTP handlers on the calling thread, which must be the
// thread the UI framework runs on: a request to open the Drive Setup dialog
// opens it there, and while dialogs are open a BrowserUser takes the
// person's actions from the same queue inside their modal loops, where the
// dialogs' timers and message boxes run exactly as with a user script.
//
// After each request the state is published (PublishedState) and the
// request answered once the UI waits for the person again: an action that
// opens a dialog is answered when that dialog waits, one that brings up a
// message box when the box waits for its answer.
class FrontEnd {
 public:
  FrontEnd(SetupSession& session, PublishedState& published);
  ~FrontEnd();
  FrontEnd(const FrontEnd&) = delete;
  FrontEnd& operator=(const FrontEnd&) = delete;

  RequestQueue& Requests() { return requests_; }

  // Serves until RequestStop; every dialog still open then ends as if
  // cancelled (nothing is kept), and the queue and the state are closed.
  void Run();
  // Any thread, also a signal handler: Run ends within one slice.
  void RequestStop() { stop_.store(true); }
  bool StopRequested() const { return stop_.load(); }

  // UI thread: a line for the person's notices (kernel errors, outcomes).
  void Notice(std::string text);

  // ----- for the BrowserUser inside the modal loops (UI thread) -----
  // Publishes the state and, unless the person is waiting, answers every
  // request that has had its effect.
  void ReachWaitingPoint();
  // The next request, waiting at most until the next timer falls due or a
  // slice has passed; nothing when none came.
  std::optional<RequestQueue::Taken> NextRequest();
  // Answers `taken` once the UI next waits for the person.
  void Hold(RequestQueue::Taken& taken);
  void Answer(RequestQueue::Taken& taken, int status, std::string message);
  // Answers the request held last now, with a refusal.
  void AnswerLastHeld(int status, std::string message);
  // A wait step: the person lets `duration` pass before acting again.
  void BeginWait(std::chrono::milliseconds duration);
  // True while a wait runs; false once it has ended (and it ends it).
  bool Waiting();
  void ShowMessageBox(const platform::MessageBoxRequest& box);
  void HideMessageBox();
  void ShowHelp(const platform::HelpRequest& request);

  // The longest a UI wait lasts before it looks at the stop flag again.
  static constexpr std::chrono::milliseconds kSlice{50};

 private:
  void Serve(RequestQueue::Taken& taken);
  void EditSetup(RequestQueue::Taken& taken);
  void PublishDocument();
  nlohmann::json Body(const DialogView& view) const;
  void Finish();

  SetupSession& session_;
  PublishedState& published_;
  RequestQueue requests_;
  std::atomic<bool> stop_{false};
  DialogViewer viewer_;
  std::vector<std::promise<Reply>> held_;
  std::optional<std::chrono::nanoseconds> waitEnds_;  // on the UI clock
  std::optional<nlohmann::json> messageBox_;
  nlohmann::json help_;  // the last help asked for, or null
  std::uint64_t helpSerial_ = 0;
  std::deque<nlohmann::json> notices_;
  std::uint64_t noticeSerial_ = 0;
  std::deque<nlohmann::json> files_;
};

// Status codes of the replies.
inline constexpr int kOk = 200;
inline constexpr int kBadRequest = 400;
inline constexpr int kConflict = 409;
inline constexpr int kUnprocessable = 422;
inline constexpr int kServerError = 500;

}  // namespace browser
