#include "rwsyncs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace kit {
namespace {

using namespace std::chrono_literals;

// Threads synchronise with rendezvous points and futures only. The timed waits below never order events:
// they bound how long a test waits for something that must happen (a deadlock then fails the
// test at once), or give a blocked thread a fair chance to wrongly get through.
constexpr auto kMustHappen = 20s;
constexpr auto kMustNotHappen = 100ms;

void AwaitOrDie(std::future<void>& done, const char* what) {
  if (done.wait_for(kMustHappen) == std::future_status::ready) return done.get();
  std::fprintf(stderr, "deadlock: %s did not complete\n", what);
  std::fflush(stderr);
  std::_Exit(1);
}

// All `count` threads wait here until the last one arrives. (Written on a mutex and condition
// variable: the C++20 latch and barrier of the MinGW library can hang under Wine.)
class Rendezvous {
 public:
  explicit Rendezvous(int count) : left_(count) {}
  void ArriveAndWait() {
    std::unique_lock lock(mutex_);
    if (--left_ == 0) {
      all_.notify_all();
      return;
    }
    all_.wait(lock, [this] { return left_ == 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable all_;
  int left_;
};

bool StillBlocked(std::future<void>& f) { return f.wait_for(kMustNotHappen) == std::future_status::timeout; }

void WaitForWaitingWriter(TRWCriticalSection& lock) {
  const auto deadline = std::chrono::steady_clock::now() + kMustHappen;
  while (!lock.WriterWaiting()) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the writer never started waiting";
    std::this_thread::yield();
  }
}

// A thread that runs `body` and then holds until released, so the test can decide when it
// gives the lock back.
class Holder {
 public:
  explicit Holder(std::function<void()> acquire, std::function<void()> release)
      : thread_([this, acquire, release] {
          acquire();
          acquired_.set_value();
          release_.get_future().wait();
          release();
        }),
        acquiredFuture_(acquired_.get_future()) {}
  ~Holder() {
    if (!released_) Release();
    thread_.join();
  }
  std::future<void>& Acquired() { return acquiredFuture_; }
  void Release() {
    released_ = true;
    release_.set_value();
  }

 private:
  std::promise<void> acquired_;
  std::promise<void> release_;
  bool released_ = false;
  std::thread thread_;
  std::future<void> acquiredFuture_;
};

Holder Reader(TRWCriticalSection& lock) {
  return Holder([&lock] { lock.BeginRead(); }, [&lock] { lock.EndRead(); });
}

Holder Writer(TRWCriticalSection& lock) {
  return Holder([&lock] { lock.BeginWrite(); }, [&lock] { lock.EndWrite(); });
}

TEST(RWCriticalSection, ReadersShareTheLock) {
  TRWCriticalSection lock;
  Rendezvous bothInside(2);
  auto read = [&] {
    lock.BeginRead();
    bothInside.ArriveAndWait();  // only returns when the other reader is inside too
    lock.EndRead();
  };
  auto a = std::async(std::launch::async, read);
  auto b = std::async(std::launch::async, read);
  AwaitOrDie(a, "first reader");
  AwaitOrDie(b, "second reader");
}

TEST(RWCriticalSection, WriterWaitsForReadersAndNewReadersWaitForTheWriter) {
  TRWCriticalSection lock;
  Holder r1 = Reader(lock);
  Holder r2 = Reader(lock);
  AwaitOrDie(r1.Acquired(), "reader 1");
  AwaitOrDie(r2.Acquired(), "reader 2");

  Holder w = Writer(lock);
  WaitForWaitingWriter(lock);
  Holder r3 = Reader(lock);
  EXPECT_TRUE(StillBlocked(w.Acquired()));
  EXPECT_TRUE(StillBlocked(r3.Acquired())) << "a new reader must not pass a waiting writer";

  r1.Release();
  EXPECT_TRUE(StillBlocked(w.Acquired())) << "one reader is still inside";
  r2.Release();
  AwaitOrDie(w.Acquired(), "writer after both readers left");
  EXPECT_TRUE(StillBlocked(r3.Acquired())) << "a write is in force";
  w.Release();
  AwaitOrDie(r3.Acquired(), "reader after the write");
}

TEST(RWCriticalSection, ReaderReentersWhileAWriterWaits) {
  TRWCriticalSection lock;
  lock.BeginRead();
  Holder w = Writer(lock);
  WaitForWaitingWriter(lock);
  // The main thread reads again: it must not block on the waiting writer.
  lock.BeginRead();
  lock.EndRead();
  EXPECT_TRUE(StillBlocked(w.Acquired()));
  lock.EndRead();
  AwaitOrDie(w.Acquired(), "writer after the nested reads ended");
}

TEST(RWCriticalSection, NestedWritesReleaseOnTheLastEnd) {
  TRWCriticalSection lock;
  lock.BeginWrite();
  lock.BeginWrite();
  lock.BeginRead();  // a writer may read its own data
  lock.EndRead();
  lock.EndWrite();
  Holder r = Reader(lock);
  EXPECT_TRUE(StillBlocked(r.Acquired())) << "one write level is still held";
  lock.EndWrite();
  AwaitOrDie(r.Acquired(), "reader after the outer write ended");
}

TEST(RWCriticalSection, ReaderUpgradesWithoutWaitingForItselfAndKeepsItsRead) {
  TRWCriticalSection lock;
  lock.BeginRead();
  lock.BeginWrite();  // would deadlock if it waited for our own read
  lock.EndWrite();
  Holder w = Writer(lock);
  EXPECT_TRUE(StillBlocked(w.Acquired())) << "the read taken before the write still counts";
  lock.EndRead();
  AwaitOrDie(w.Acquired(), "writer after the upgraded reader left");
}

TEST(RWCriticalSection, ReadReleasedInsideAWriteIsNotLost) {
  TRWCriticalSection lock;
  lock.BeginRead();
  lock.BeginWrite();
  lock.EndRead();  // out of order: the read taken before the write ends first
  lock.EndWrite();
  Holder w = Writer(lock);
  AwaitOrDie(w.Acquired(), "writer of another thread once the lock is free");
}

TEST(RWCriticalSection, NoStaleWakeUpAfterAnUpgradedWrite) {
  // A writer that upgraded while another reader left must not leave the lock in a state where
  // the next writer passes a reader.
  TRWCriticalSection lock;
  Holder other = Reader(lock);
  AwaitOrDie(other.Acquired(), "other reader");
  lock.BeginRead();
  auto leave = std::async(std::launch::async, [&] {
    WaitForWaitingWriter(lock);
    other.Release();
  });
  lock.BeginWrite();  // waits for `other`, which leaves once we wait
  lock.EndWrite();
  AwaitOrDie(leave, "other reader leaving");

  Holder late = Reader(lock);
  AwaitOrDie(late.Acquired(), "late reader");
  lock.EndRead();
  Holder next = Writer(lock);
  EXPECT_TRUE(StillBlocked(next.Acquired())) << "the late reader still reads";
  late.Release();
  AwaitOrDie(next.Acquired(), "next writer after the late reader left");
}

TEST(RWCriticalSection, EndReadWithoutBeginReadIsRefusedAndChangesNothing) {
  TRWCriticalSection lock;
  try {
    lock.EndRead();
    FAIL() << "no assertion failure";
  } catch (const EAssertionFailed& e) {
    EXPECT_NE(std::string(e.what()).find("RWSyncs"), std::string::npos) << e.what();
  }

  Holder r = Reader(lock);
  AwaitOrDie(r.Acquired(), "reader");
  EXPECT_THROW(lock.EndRead(), EAssertionFailed) << "another thread's read is not ours to end";
  Holder w = Writer(lock);
  EXPECT_TRUE(StillBlocked(w.Acquired())) << "the other thread's read must still count";
  r.Release();
  AwaitOrDie(w.Acquired(), "writer");
}

TEST(RWCriticalSection, EndWriteWithoutBeginWriteIsRefusedAndChangesNothing) {
  TRWCriticalSection lock;
  try {
    lock.EndWrite();
    FAIL() << "no assertion failure";
  } catch (const EAssertionFailed& e) {
    EXPECT_NE(std::string(e.what()).find("EndWrite without BeginWrite"), std::string::npos)
        << e.what();
  }
  lock.BeginRead();
  EXPECT_THROW(lock.EndWrite(), EAssertionFailed) << "a read is no write";
  lock.EndRead();

  Holder w = Writer(lock);
  AwaitOrDie(w.Acquired(), "writer");
  EXPECT_THROW(lock.EndWrite(), EAssertionFailed) << "another thread's write is not ours to end";
  Holder r = Reader(lock);
  EXPECT_TRUE(StillBlocked(r.Acquired())) << "the other thread's write must still hold";
  w.Release();
  AwaitOrDie(r.Acquired(), "reader after the write");
  r.Release();
  lock.BeginWrite();  // the lock is whole again
  lock.EndWrite();
}

TEST(SyncExceptStr, ReadersSeeTheOldOrTheNewTextNeverAMixture) {
  TSyncExceptStr text;
  EXPECT_EQ(text.GetValue(), "");
  const std::string a(4096, 'a');
  const std::string b(8192, 'b');
  text.SetValue(a);
  std::atomic<bool> stop{false};
  std::atomic<int> mixtures{0};
  std::vector<std::thread> readers;
  for (int i = 0; i < 3; ++i)
    readers.emplace_back([&] {
      while (!stop) {
        const std::string v = text.GetValue();
        if (v != a && v != b) ++mixtures;
      }
    });
  for (int i = 0; i < 2000; ++i) text.SetValue(i % 2 ? a : b);
  stop = true;
  for (auto& t : readers) t.join();
  EXPECT_EQ(mixtures, 0);
}

// Many threads mixing nested reads, writes and upgrades over data whose invariant a writer
// breaks for a moment; under ThreadSanitizer any missing exclusion is also a reported race.
class Stress {
 public:
  static constexpr int kThreads = 8;
  static constexpr int kRounds = 3000;

  // Readers check the invariant; writers break and mend it.
  void Read() {
    lock_.BeginRead();
    Check();
    lock_.BeginRead();
    Check();
    lock_.EndRead();
    lock_.EndRead();
  }
  void Write() {
    lock_.BeginWrite();
    Mutate();
    lock_.BeginWrite();
    lock_.BeginRead();
    Check();
    lock_.EndRead();
    lock_.EndWrite();
    lock_.EndWrite();
  }
  // A reader that takes the write lock keeps its read. Upgraders hold a read while they wait
  // for the writer section, so they must not meet any other writer: an upgrade and a write
  // attempted at once wait for each other by design.
  void Upgrade() {
    std::lock_guard turn(upgraders_);
    lock_.BeginRead();
    Check();
    lock_.BeginWrite();
    Mutate();
    lock_.EndWrite();
    Check();
    lock_.EndRead();
  }

  void Run(bool upgrades) {
    Rendezvous start(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&, t] {
        std::mt19937 rng(static_cast<unsigned>(t));
        start.ArriveAndWait();
        for (int i = 0; i < kRounds; ++i) {
          if (rng() % 2) Read();
          else if (upgrades) Upgrade();
          else Write();
        }
      });
    for (auto& t : threads) t.join();
  }

  TRWCriticalSection lock_;
  std::mutex upgraders_;
  long long first_ = 0, second_ = 0;  // equal whenever no write is in progress
  std::atomic<int> writersInside_{0};
  std::atomic<int> violations_{0};

 private:
  void Check() {
    if (first_ != second_) ++violations_;
  }
  void Mutate() {
    if (++writersInside_ != 1) ++violations_;
    ++first_;
    std::this_thread::yield();
    ++second_;
    --writersInside_;
  }
};

TEST(RWCriticalSection, StressNestedReadsAndWrites) {
  Stress stress;
  stress.Run(false);
  EXPECT_EQ(stress.violations_, 0);
  EXPECT_GT(stress.first_, 0);
}

TEST(RWCriticalSection, StressReadsAndUpgrades) {
  Stress stress;
  stress.Run(true);
  EXPECT_EQ(stress.violations_, 0);
  EXPECT_GT(stress.first_, 0);
}

}  // namespace
}  // namespace kit
