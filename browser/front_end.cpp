#include "browser/front_end.h"

#include <algorithm>

#include <fmt/format.h>

#include "browser/browser_user.h"
#include "kernel/plot_files.h"
#include "platform/message_loop.h"
#include "timebase/clock.h"

namespace browser {

namespace {

using Json = nlohmann::json;

// Enough to follow what happened lately; the page keeps its own log.
constexpr std::size_t kKeptNotices = 20;

const char* ContentTypeOf(std::string_view name) {
  return name.ends_with(".svg") ? "image/svg+xml" : "text/csv";
}

}  // namespace

FrontEnd::FrontEnd(SetupSession& session, PublishedState& published)
    : session_(session), published_(published), help_(nullptr) {}

FrontEnd::~FrontEnd() { Finish(); }

void FrontEnd::Run() {
  // A test's "Save Plots" hands its files to the person instead of the
  // server's disk.
  kernel::SetPlotFileSink([this](const std::string& fileName, std::string_view text) {
    const std::uint64_t serial = published_.AddFile(SavedFile{fileName, std::string(text)});
    files_.push_back(Json{{"serial", serial}, {"name", fileName}, {"type", ContentTypeOf(fileName)}});
    if (files_.size() > PublishedState::kKeptFiles) files_.pop_front();
    return std::string();
  });
  PublishDocument();
  while (!StopRequested()) {
    ReachWaitingPoint();
    std::optional<RequestQueue::Taken> taken = NextRequest();
    if (taken) Serve(*taken);
  }
  kernel::SetPlotFileSink({});
  Finish();
}

void FrontEnd::Finish() {
  requests_.Close("The server is stopping.");
  for (std::promise<Reply>& held : held_) held.set_value(Reply{503, "The server is stopping.", 0});
  held_.clear();
  published_.Close();
}

void FrontEnd::Serve(RequestQueue::Taken& taken) {
  const Request& request = taken.request;
  switch (request.kind) {
    case Request::Kind::kOpenDialog:
      EditSetup(taken);
      return;
    case Request::Kind::kOpenSetup:
      if (std::optional<std::string> error = session_.OpenDocument(request.document, request.fileName)) {
        Answer(taken, kUnprocessable, *error);
        return;
      }
      Notice(fmt::format("Opened the setup {}.", request.fileName));
      PublishDocument();
      Hold(taken);
      return;
    case Request::Kind::kSaveSetup:
      if (std::optional<std::string> error = session_.Save()) {
        Answer(taken, kConflict, *error);
        return;
      }
      Notice("Saved the setup.");
      Hold(taken);
      return;
    case Request::Kind::kStep:
    case Request::Kind::kCloseDialog:
      Answer(taken, kConflict, "No dialog is open: open the Drive Setup first.");
      return;
  }
}

void FrontEnd::EditSetup(RequestQueue::Taken& taken) {
  // Answered when the dialog waits for the person, or once it has closed.
  Hold(taken);
  std::string outcome;
  {
    BrowserUser user(*this);
    const platform::ScopedUser person(user);
    outcome = session_.EditSetup();
  }
  waitEnds_.reset();
  messageBox_.reset();
  Notice(std::move(outcome));
  PublishDocument();
}

void FrontEnd::PublishDocument() { published_.SetDocument(session_.Document()); }

void FrontEnd::Notice(std::string text) {
  notices_.push_back(Json{{"serial", ++noticeSerial_}, {"text", std::move(text)}});
  if (notices_.size() > kKeptNotices) notices_.pop_front();
}

Json FrontEnd::Body(const DialogView& view) const {
  return Json{{"setup", session_.Summary()},
              {"dialogs", view.dialogs},
              {"messageBox", messageBox_ ? *messageBox_ : Json(nullptr)},
              {"waiting", waitEnds_.has_value()},
              {"help", help_},
              {"notices", Json(notices_)},
              {"files", Json(files_)}};
}

void FrontEnd::ReachWaitingPoint() {
  const DialogView view = viewer_.View(platform::OpenDialogs());
  const std::uint64_t revision = published_.Publish(Body(view), view.plots, view.bitmaps);
  if (Waiting()) return;
  for (std::promise<Reply>& held : held_) held.set_value(Reply{kOk, "", revision});
  held_.clear();
}

std::optional<RequestQueue::Taken> FrontEnd::NextRequest() {
  timebase::Clock& clock = timebase::CurrentClock();
  const std::chrono::nanoseconds now = clock.Now();
  std::chrono::nanoseconds slice = kSlice;
  std::chrono::nanoseconds due{};
  if (platform::NextTimerDue(due)) slice = std::clamp(due - now, std::chrono::nanoseconds::zero(), slice);
  if (waitEnds_) {
    // A person who waits does nothing else meanwhile.
    clock.WaitUntil(now + std::clamp(*waitEnds_ - now, std::chrono::nanoseconds::zero(), slice));
    return std::nullopt;
  }
  return requests_.WaitNext(slice);
}

void FrontEnd::Hold(RequestQueue::Taken& taken) { held_.push_back(std::move(taken.reply)); }

void FrontEnd::Answer(RequestQueue::Taken& taken, int status, std::string message) {
  taken.reply.set_value(Reply{status, std::move(message), published_.Current()->revision});
}

void FrontEnd::AnswerLastHeld(int status, std::string message) {
  if (held_.empty()) return;
  held_.back().set_value(Reply{status, std::move(message), published_.Current()->revision});
  held_.pop_back();
}

void FrontEnd::BeginWait(std::chrono::milliseconds duration) { waitEnds_ = timebase::CurrentClock().Now() + duration; }

bool FrontEnd::Waiting() {
  if (waitEnds_ && timebase::CurrentClock().Now() >= *waitEnds_) waitEnds_.reset();
  return waitEnds_.has_value();
}

void FrontEnd::ShowMessageBox(const platform::MessageBoxRequest& box) { messageBox_ = MessageBoxJson(box); }

void FrontEnd::HideMessageBox() { messageBox_.reset(); }

void FrontEnd::ShowHelp(const platform::HelpRequest& request) {
  help_ = Json{{"serial", ++helpSerial_}, {"file", request.file}, {"topic", request.context}};
}

}  // namespace browser
