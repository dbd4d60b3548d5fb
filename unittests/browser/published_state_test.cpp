#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include <nlohmann/json.hpp>

#include "browser/published_state.h"
#include "browser/requests.h"

namespace {

using browser::PublishedState;
using browser::RequestQueue;
using namespace std::chrono_literals;

TEST(BrowserPublishedState, ANewRevisionOnlyWhenTheStateChanged) {
  PublishedState state;
  EXPECT_EQ(state.Current()->revision, 0u);
  EXPECT_EQ(state.Publish({{"dialogs", 1}}, {}, {}), 1u);
  EXPECT_EQ(state.Publish({{"dialogs", 1}}, {}, {}), 1u);
  EXPECT_EQ(state.Publish({{"dialogs", 2}}, {}, {}), 2u);
  const nlohmann::json shown = nlohmann::json::parse(state.Current()->json);
  EXPECT_EQ(shown["revision"], 2);
  EXPECT_EQ(shown["dialogs"], 2);
}

TEST(BrowserPublishedState, TextsThatAreNoUtf8StillPublish) {
  PublishedState state;
  EXPECT_EQ(state.Publish({{"caption", std::string("Caf\xe9")}}, {}, {}), 1u);
  EXPECT_FALSE(nlohmann::json::parse(state.Current()->json, nullptr, false).is_discarded());
}

TEST(BrowserPublishedState, AWaiterWakesOnTheNextRevisionOrWhenClosed) {
  PublishedState state;
  state.Publish({{"n", 1}}, {}, {});
  // Already newer: no wait at all.
  EXPECT_EQ(state.WaitNewer(0, 10min)->revision, 1u);

  auto waiter = std::async(std::launch::async, [&state] { return state.WaitNewer(1, 10min)->revision; });
  state.Publish({{"n", 2}}, {}, {});
  EXPECT_EQ(waiter.get(), 2u);

  auto stranded = std::async(std::launch::async, [&state] { return state.WaitNewer(2, 10min)->revision; });
  state.Close();
  EXPECT_EQ(stranded.get(), 2u);
}

TEST(BrowserPublishedState, KeepsTheLastSavedFiles) {
  PublishedState state;
  std::uint64_t first = 0;
  std::uint64_t last = 0;
  for (std::size_t i = 0; i < PublishedState::kKeptFiles + 1; ++i) {
    last = state.AddFile({"plot.svg", std::to_string(i)});
    if (i == 0) first = last;
  }
  EXPECT_EQ(state.File(first), nullptr);
  ASSERT_NE(state.File(last), nullptr);
  EXPECT_EQ(state.File(last)->text, std::to_string(PublishedState::kKeptFiles));
  EXPECT_EQ(state.File(last + 1), nullptr);
}

TEST(BrowserRequestQueue, AClosedQueueAnswersEveryRequestAtOnce) {
  RequestQueue queue;
  std::future<browser::Reply> queued = queue.Push(browser::Request{});
  queue.Close("stopping");
  EXPECT_EQ(queued.get().status, 503);
  std::future<browser::Reply> late = queue.Push(browser::Request{});
  const browser::Reply reply = late.get();
  EXPECT_EQ(reply.status, 503);
  EXPECT_EQ(reply.message, "stopping");
  EXPECT_FALSE(queue.WaitNext(0ns));
}

TEST(BrowserRequestQueue, HandsOutRequestsInTheOrderTheyCame) {
  RequestQueue queue;
  browser::Request first;
  first.fileName = "first";
  browser::Request second;
  second.fileName = "second";
  auto a = queue.Push(first);
  auto b = queue.Push(second);
  auto taken = queue.WaitNext(0ns);
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->request.fileName, "first");
  taken = queue.WaitNext(0ns);
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->request.fileName, "second");
  EXPECT_FALSE(queue.WaitNext(0ns));
}

}  // namespace
