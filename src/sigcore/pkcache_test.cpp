#include "pkcache.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace sigcore {
namespace {

// A node whose key bytes tell which entry it is.
TCCom3x_CashNode Node(const std::string& uid, uint8_t mark) {
  TCCom3x_CashNode node;
  node.uid = uid;
  node.publicKeyLength = 65;
  node.publicKey.fill(mark);
  return node;
}

uint8_t MarkOf(const std::optional<TCCom3x_CashNode>& node) {
  return node ? node->publicKey[0] : 0;
}

TEST(PublicKeyCache, LookupIgnoresCaseAndFindsTheFirstEntry) {
  PublicKeyCache cache;
  cache.Add(Node("ABC", 1));
  cache.Add(Node("Client", 2));
  cache.Add(Node("abc", 3));
  cache.Add(Node("\xC0\xE1\xE2-\xA8", 4));  // "Абв-Ё"
  cache.Add(Node("x.y", 5));

  const struct {
    const char* uid;
    uint8_t mark;
  } lookups[] = {{"abc", 1},   {"ABC", 1},  {"aBc", 1}, {"CLIENT", 2},
                 {"\xE0\xC1\xE2-\xB8", 4},  {"X.Y", 5}, {"x_y", 0},
                 {"ab", 0},    {"", 0}};
  for (const auto& lookup : lookups) {
    EXPECT_EQ(MarkOf(cache.Find(lookup.uid)), lookup.mark) << lookup.uid;
    EXPECT_EQ(cache.Contains(lookup.uid), lookup.mark != 0) << lookup.uid;
  }

  // Removing takes the first entry; its duplicate then answers.
  EXPECT_EQ(MarkOf(cache.TakeFirst("Abc")), 1);
  EXPECT_EQ(MarkOf(cache.Find("ABC")), 3);
  EXPECT_EQ(cache.Uids(), (std::vector<std::string>{"Client", "abc", "\xC0\xE1\xE2-\xA8", "x.y"}));
  EXPECT_EQ(MarkOf(cache.TakeFirst("abc")), 3);
  EXPECT_FALSE(cache.TakeFirst("abc"));
  EXPECT_EQ(cache.Size(), 3u);
}

TEST(PublicKeyCache, ReplaceKeepsThePlaceAndTheUid) {
  PublicKeyCache cache;
  cache.Add(Node("A", 1));
  cache.Add(Node("B", 2));
  cache.Add(Node("b", 3));
  TCCom3x_CashNode fresh = Node("B", 9);
  fresh.storagePath = "C:\\ABONENTS\\B.pub";
  EXPECT_TRUE(cache.Replace("b", fresh));
  EXPECT_EQ(MarkOf(cache.Find("B")), 9);
  EXPECT_EQ(cache.Uids(), (std::vector<std::string>{"A", "B", "b"}));
  // A node of another UID would no longer be found where it was put.
  EXPECT_FALSE(cache.Replace("A", Node("C", 7)));
  EXPECT_FALSE(cache.Replace("D", Node("D", 7)));
  EXPECT_EQ(MarkOf(cache.Find("A")), 1);

  cache.MarkVerified("a");
  EXPECT_TRUE(cache.Find("A")->verified);
  EXPECT_FALSE(cache.Find("B")->verified);
}

TEST(PublicKeyCache, OwnUidIsForgottenWithTheEntries) {
  PublicKeyCache cache;
  EXPECT_FALSE(cache.IsOwnUid(""));
  cache.Add(Node("Me", 1));
  cache.SetOwnUid("Me");
  EXPECT_TRUE(cache.IsOwnUid("ME"));
  EXPECT_FALSE(cache.IsOwnUid("Mee"));
  cache.Clear();
  EXPECT_TRUE(cache.Empty());
  EXPECT_EQ(cache.OwnUid(), "");
  EXPECT_FALSE(cache.Find("Me"));
  cache.Add(Node("Me", 2));
  EXPECT_EQ(MarkOf(cache.Find("me")), 2);
}

// Readers, writers and a clearer on one cache: every copy handed out is one whole entry.
TEST(PublicKeyCache, ConcurrentUseHandsOutWholeEntries) {
  PublicKeyCache cache;
  constexpr int kUids = 64;
  const auto uid = [](int i) { return "UID" + std::to_string(i); };
  const auto mark = [](int i) { return static_cast<uint8_t>(i + 1); };
  for (int i = 0; i < kUids; ++i) cache.Add(Node(uid(i), mark(i)));

  std::atomic<bool> stop{false};
  std::atomic<int> torn{0};
  std::atomic<long> found{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([&, t] {
      for (int n = 0; !stop; ++n) {
        const int i = (n * 7 + t) % kUids;
        const auto node = cache.Find(uid(i));
        if (!node) continue;
        ++found;
        if (node->uid != uid(i) || node->publicKey[0] != mark(i) ||
            node->publicKey[64] != mark(i))
          ++torn;
      }
    });
  }
  threads.emplace_back([&] {
    for (int n = 0; !stop; ++n) {
      const int i = n % kUids;
      std::lock_guard guard(cache.Lock());
      if (auto node = cache.TakeFirst(uid(i))) cache.Add(std::move(*node));
      cache.Replace(uid(i), Node(uid(i), mark(i)));
      cache.MarkVerified(uid(i));
    }
  });
  threads.emplace_back([&] {
    for (int round = 0; round < 50; ++round) {
      std::lock_guard guard(cache.Lock());
      cache.Clear();
      for (int i = 0; i < kUids; ++i) cache.Add(Node(uid(i), mark(i)));
      cache.SetOwnUid(uid(0));
    }
    stop = true;
  });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(torn, 0);
  EXPECT_GT(found, 0);
  EXPECT_EQ(cache.Size(), static_cast<size_t>(kUids));
}

}  // namespace
}  // namespace sigcore
