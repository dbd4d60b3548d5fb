#include <gtest/gtest.h>

#include <set>
#include <string>

#include "browser/access.h"

namespace {

using browser::HostAllowed;
using browser::NewToken;
using browser::OriginAllowed;
using browser::RefusalOf;
using browser::TokenMatches;

constexpr int kPort = 8123;
const std::string kToken = "0123456789abcdef0123456789abcdef";

TEST(BrowserToken, IsLongRandomHexAndDiffersEachTime) {
  std::set<std::string> seen;
  for (int i = 0; i < 20; ++i) {
    const std::string token = NewToken();
    ASSERT_EQ(token.size(), 32u);
    EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos) << token;
    seen.insert(token);
  }
  EXPECT_EQ(seen.size(), 20u);
}

TEST(BrowserToken, MatchesOnlyTheWholeToken) {
  EXPECT_TRUE(TokenMatches(kToken, kToken));
  EXPECT_FALSE(TokenMatches("", kToken));
  EXPECT_FALSE(TokenMatches(kToken.substr(0, 31), kToken));
  EXPECT_FALSE(TokenMatches(kToken + "0", kToken));
  EXPECT_FALSE(TokenMatches("1123456789abcdef0123456789abcdef", kToken));
  EXPECT_FALSE(TokenMatches("0123456789abcdef0123456789abcdee", kToken));
  // A server without a token lets nobody in.
  EXPECT_FALSE(TokenMatches("", ""));
}

TEST(BrowserHost, OnlyTheLoopbackNamesWithThisPort) {
  EXPECT_TRUE(HostAllowed("127.0.0.1:8123", kPort));
  EXPECT_TRUE(HostAllowed("localhost:8123", kPort));
  EXPECT_TRUE(HostAllowed("LocalHost:8123", kPort));
  for (const char* host : {"127.0.0.1", "127.0.0.1:8124", "127.0.0.1:81230", "evil.example:8123",
                           "localhost.evil.example:8123", "127.0.0.2:8123", "", ":8123", "[::1]:8123"}) {
    SCOPED_TRACE(host);
    EXPECT_FALSE(HostAllowed(host, kPort));
  }
}

TEST(BrowserOrigin, OnlyThePagesOwn) {
  EXPECT_TRUE(OriginAllowed("http://127.0.0.1:8123", kPort));
  EXPECT_TRUE(OriginAllowed("http://localhost:8123", kPort));
  for (const char* origin : {"https://127.0.0.1:8123", "http://evil.example:8123", "null", "http://127.0.0.1:80"}) {
    SCOPED_TRACE(origin);
    EXPECT_FALSE(OriginAllowed(origin, kPort));
  }
}

TEST(BrowserRefusal, SaysWhyARequestIsRefused) {
  EXPECT_FALSE(RefusalOf("127.0.0.1:8123", "", kToken, kToken, kPort));
  EXPECT_FALSE(RefusalOf("127.0.0.1:8123", "http://127.0.0.1:8123", kToken, kToken, kPort));

  const auto noToken = RefusalOf("127.0.0.1:8123", "", "", kToken, kPort);
  ASSERT_TRUE(noToken);
  EXPECT_NE(noToken->find("no token"), std::string::npos) << *noToken;
  const auto wrongToken = RefusalOf("127.0.0.1:8123", "", "abc", kToken, kPort);
  ASSERT_TRUE(wrongToken);
  EXPECT_NE(wrongToken->find("wrong token"), std::string::npos) << *wrongToken;

  // A rebound DNS name carries the right token no further than the Host check.
  const auto rebound = RefusalOf("attacker.example:8123", "", kToken, kToken, kPort);
  ASSERT_TRUE(rebound);
  EXPECT_NE(rebound->find("attacker.example:8123"), std::string::npos) << *rebound;
  const auto foreignPage = RefusalOf("127.0.0.1:8123", "http://attacker.example", kToken, kToken, kPort);
  ASSERT_TRUE(foreignPage);
  EXPECT_NE(foreignPage->find("attacker.example"), std::string::npos) << *foreignPage;

  // A hostile header is quoted back cut short.
  const auto longHost = RefusalOf(std::string(5000, 'h'), "", kToken, kToken, kPort);
  ASSERT_TRUE(longHost);
  EXPECT_LT(longHost->size(), 300u);
}

}  // namespace
