#include "browser/requests.h"

namespace browser {

namespace {

constexpr int kUnavailable = 503;

std::future<Reply> Refused(std::promise<Reply>& promise, const std::string& reason) {
  std::future<Reply> future = promise.get_future();
  promise.set_value(Reply{kUnavailable, reason, 0});
  return future;
}

}  // namespace

std::future<Reply> RequestQueue::Push(Request request) {
  Taken taken{std::move(request), {}};
  std::unique_lock lock(mutex_);
  if (closedBecause_) return Refused(taken.reply, *closedBecause_);
  std::future<Reply> future = taken.reply.get_future();
  queued_.push_back(std::move(taken));
  lock.unlock();
  arrived_.notify_one();
  return future;
}

std::optional<RequestQueue::Taken> RequestQueue::WaitNext(std::chrono::nanoseconds timeout) {
  std::unique_lock lock(mutex_);
  arrived_.wait_for(lock, timeout, [this] { return !queued_.empty() || closedBecause_.has_value(); });
  if (queued_.empty() || closedBecause_) return std::nullopt;
  Taken taken = std::move(queued_.front());
  queued_.pop_front();
  return taken;
}

void RequestQueue::Close(std::string reason) {
  std::deque<Taken> refused;
  {
    std::lock_guard lock(mutex_);
    if (!closedBecause_) closedBecause_ = std::move(reason);
    refused.swap(queued_);
  }
  for (Taken& taken : refused) taken.reply.set_value(Reply{kUnavailable, *closedBecause_, 0});
  arrived_.notify_all();
}

bool RequestQueue::Closed() const {
  std::lock_guard lock(mutex_);
  return closedBecause_.has_value();
}

}  // namespace browser
