#include "data_pipeline.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

#include "sigcore_api.h"

namespace sigcore {
namespace {

size_t Chunks(size_t size) { return (size + kPipelineChunk - 1) / kPipelineChunk; }
size_t ChunkLength(size_t size, size_t chunk) {
  return std::min(kPipelineChunk, size - chunk * kPipelineChunk);
}

int32_t RunInTurn(size_t size, const ChunkPass& first, const ChunkPass& second) {
  for (size_t chunk = 0; chunk < Chunks(size); ++chunk) {
    const size_t offset = chunk * kPipelineChunk, length = ChunkLength(size, chunk);
    if (const int32_t result = first(offset, length); result != SIGCORE_OK) return result;
    if (const int32_t result = second(offset, length); result != SIGCORE_OK) return result;
  }
  return SIGCORE_OK;
}

// The two passes shared by two threads: either thread takes the next chunk of either pass when
// it may (each pass takes its chunks one at a time and in order, the second only those the
// first is done with), so that the work is split however the threads are scheduled; a thread
// that gets no processor leaves its share to the other, and the call is then no slower than
// the passes in turn. A thread with nothing to take sleeps: spinning instead was measured
// slower, the waiter taking the processor from the other.
class SharedPasses {
 public:
  SharedPasses(size_t size, const ChunkPass& first, const ChunkPass& second)
      : size_(size), chunks_(Chunks(size)), first_{first}, second_{second} {}

  // What each thread runs until both passes are done or one has failed.
  void Work() {
    for (;;) {
      const uint64_t seen = changes_.load();
      if (result_.load() != SIGCORE_OK || second_.done.load() == chunks_) return;
      // The first pass is never kept waiting: its thread goes on with it, and the other takes
      // what the second may have.
      if (TakeChunk(first_, chunks_) || TakeChunk(second_, first_.done.load())) continue;
      // Only the second pass is left and the other thread is in it: it goes on to the end
      // without waking this one for every chunk.
      if (first_.done.load() == chunks_ && second_.taken.load()) return;
      std::unique_lock guard(lock_);
      ++sleepers_;
      changed_.wait(guard, [&] { return changes_.load() != seen; });
      --sleepers_;
    }
  }

  // The first code that ended the passes; an exception a pass threw is thrown again.
  int32_t Result() const {
    if (error_) std::rethrow_exception(error_);
    return result_.load();
  }

 private:
  struct Pass {
    const ChunkPass& run;
    std::atomic<size_t> done{0};      // chunks finished
    std::atomic<bool> taken{false};   // a thread is in the pass
  };

  // Runs the pass's next chunk if it is below `available` and no other thread is in the pass.
  bool TakeChunk(Pass& pass, size_t available) {
    bool expected = false;
    if (!pass.taken.compare_exchange_strong(expected, true)) return false;
    const size_t chunk = pass.done.load();
    const bool due = chunk < available && result_.load() == SIGCORE_OK;
    if (due) {
      int32_t result = SIGCORE_EXCEPTION;
      try {
        result = pass.run(chunk * kPipelineChunk, ChunkLength(size_, chunk));
      } catch (...) {
        std::lock_guard guard(lock_);
        error_ = std::current_exception();
      }
      if (result == SIGCORE_OK) {
        pass.done.store(chunk + 1);
      } else {
        int32_t none = SIGCORE_OK;
        result_.compare_exchange_strong(none, result);
      }
    }
    pass.taken.store(false);
    if (due) Changed();
    return due;
  }

  // The sleeper counts itself before it looks at the count of changes, and a change is counted
  // before the sleepers are, so either the sleeper sees the change or the change the sleeper.
  void Changed() {
    changes_.fetch_add(1);
    if (sleepers_.load() == 0) return;
    std::lock_guard guard(lock_);
    changed_.notify_all();
  }

  const size_t size_;
  const size_t chunks_;
  Pass first_, second_;
  std::atomic<int32_t> result_{SIGCORE_OK};
  std::exception_ptr error_;
  std::atomic<uint64_t> changes_{0};
  std::atomic<int> sleepers_{0};
  std::mutex lock_;
  std::condition_variable changed_;
};

}  // namespace

int32_t RunPipelined(size_t size, const ChunkPass& first, const ChunkPass& second) {
  // With one processor a second thread would only take turns with this one.
  if (size < kPipelineThreadsFrom || std::thread::hardware_concurrency() == 1)
    return RunInTurn(size, first, second);
  SharedPasses passes(size, first, second);
  std::thread helper;
  try {
    helper = std::thread([&] { passes.Work(); });
  } catch (const std::system_error&) {
    // No second thread to be had: this one does all the work.
  }
  passes.Work();
  if (helper.joinable()) helper.join();
  return passes.Result();
}

}  // namespace sigcore
