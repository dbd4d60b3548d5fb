#include "browser/published_state.h"

namespace browser {

PublishedState::PublishedState()
    : current_(std::make_shared<const Snapshot>(Snapshot{0, R"({"revision":0})", {}, {}})),
      document_(std::make_shared<const SetupDocument>()) {}

std::uint64_t PublishedState::Publish(const nlohmann::json& body,
                                      std::map<std::string, std::shared_ptr<const PlotCopy>> plots,
                                      std::map<std::string, std::filesystem::path> bitmaps) {
  // Captions may hold bytes of another code page; they must not stop the state.
  std::string text = body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  std::unique_lock lock(mutex_);
  if (text == lastBody_) return current_->revision;
  const std::uint64_t revision = current_->revision + 1;
  std::string json = "{\"revision\":" + std::to_string(revision);
  if (text.size() > 2) json += "," + text.substr(1);
  else json += "}";
  current_ = std::make_shared<const Snapshot>(Snapshot{revision, std::move(json), std::move(plots), std::move(bitmaps)});
  lastBody_ = std::move(text);
  lock.unlock();
  changed_.notify_all();
  return revision;
}

std::shared_ptr<const Snapshot> PublishedState::Current() const {
  std::lock_guard lock(mutex_);
  return current_;
}

std::shared_ptr<const Snapshot> PublishedState::WaitNewer(std::uint64_t after, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, timeout, [&] { return closed_ || current_->revision > after; });
  return current_;
}

void PublishedState::Close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}

void PublishedState::SetDocument(SetupDocument document) {
  auto shared = std::make_shared<const SetupDocument>(std::move(document));
  std::lock_guard lock(mutex_);
  document_ = std::move(shared);
}

std::shared_ptr<const SetupDocument> PublishedState::Document() const {
  std::lock_guard lock(mutex_);
  return document_;
}

std::uint64_t PublishedState::AddFile(SavedFile file) {
  auto shared = std::make_shared<const SavedFile>(std::move(file));
  std::lock_guard lock(mutex_);
  files_.emplace_back(++lastFile_, std::move(shared));
  if (files_.size() > kKeptFiles) files_.pop_front();
  return lastFile_;
}

std::shared_ptr<const SavedFile> PublishedState::File(std::uint64_t serial) const {
  std::lock_guard lock(mutex_);
  for (const auto& [number, file] : files_) {
    if (number == serial) return file;
  }
  return nullptr;
}

}  // namespace browser
