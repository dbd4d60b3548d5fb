#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "browser/plot_copy.h"

// What the HTTP handlers may read: the last state the user-interface thread
// published, the setup document and the files the tests saved. The UI
// thread publishes; any number of handler threads read at once, without
// ever reaching the dialogs.
namespace browser {

struct Snapshot {
  std::uint64_t revision = 0;
  std::string json;  // the state document, its revision included
  std::map<std::string, std::shared_ptr<const PlotCopy>> plots;
  std::map<std::string, std::filesystem::path> bitmaps;
};

struct SetupDocument {
  std::string fileName;  // what a download is called
  std::string text;
};

struct SavedFile {
  std::string name;  // "CurrentTuning.svg"
  std::string text;
};

class PublishedState {
 public:
  PublishedState();

  // UI thread: publishes `body` (the state without its revision) with the
  // plots and bitmaps it shows, as a new revision when it differs from the
  // last; returns the revision that shows it.
  std::uint64_t Publish(const nlohmann::json& body, std::map<std::string, std::shared_ptr<const PlotCopy>> plots,
                        std::map<std::string, std::filesystem::path> bitmaps);

  std::shared_ptr<const Snapshot> Current() const;
  // The state as soon as its revision is above `after`, or the current one
  // once `timeout` has passed or the state is closed.
  std::shared_ptr<const Snapshot> WaitNewer(std::uint64_t after, std::chrono::milliseconds timeout) const;
  // Ends every wait at once, for good.
  void Close();

  void SetDocument(SetupDocument document);
  std::shared_ptr<const SetupDocument> Document() const;

  // A file a test saved for the person to download; returns its serial.
  // The last kKeptFiles stay available.
  std::uint64_t AddFile(SavedFile file);
  std::shared_ptr<const SavedFile> File(std::uint64_t serial) const;
  static constexpr std::size_t kKeptFiles = 32;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::shared_ptr<const Snapshot> current_;
  std::string lastBody_;
  bool closed_ = false;
  std::shared_ptr<const SetupDocument> document_;
  std::deque<std::pair<std::uint64_t, std::shared_ptr<const SavedFile>>> files_;
  std::uint64_t lastFile_ = 0;
};

}  // namespace browser
