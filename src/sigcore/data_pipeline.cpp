#include "data_pipeline.h"

#include <algorithm>
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

// What the two threads share: how many chunks the first pass has finished, and whether a pass
// has ended (the first when it is done or failed, the second when it failed).
class Handoff {
 public:
  void Finished(size_t chunks) {
    {
      std::lock_guard guard(lock_);
      ready_ = chunks;
    }
    changed_.notify_one();
  }
  void Stop() {
    {
      std::lock_guard guard(lock_);
      stopped_ = true;
    }
    changed_.notify_all();
  }
  bool Stopped() {
    std::lock_guard guard(lock_);
    return stopped_;
  }
  // Waits until `chunk` has been through the first pass (true) or no more will be (false).
  bool WaitFor(size_t chunk) {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [&] { return ready_ > chunk || stopped_; });
    return ready_ > chunk;
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  size_t ready_ = 0;
  bool stopped_ = false;
};

}  // namespace

int32_t RunPipelined(size_t size, const ChunkPass& first, const ChunkPass& second) {
  if (size < kPipelineThreadsFrom) return RunInTurn(size, first, second);

  const size_t chunks = Chunks(size);
  Handoff handoff;
  int32_t secondResult = SIGCORE_OK;
  std::exception_ptr secondError;
  std::thread worker;
  try {
    worker = std::thread([&] {
      try {
        for (size_t chunk = 0; chunk < chunks && handoff.WaitFor(chunk); ++chunk) {
          secondResult = second(chunk * kPipelineChunk, ChunkLength(size, chunk));
          if (secondResult != SIGCORE_OK) break;
        }
      } catch (...) {
        secondError = std::current_exception();
      }
      handoff.Stop();
    });
  } catch (const std::system_error&) {
    // No thread to be had: the passes take turns on this one.
    return RunInTurn(size, first, second);
  }

  int32_t firstResult = SIGCORE_OK;
  std::exception_ptr firstError;
  try {
    for (size_t chunk = 0; chunk < chunks && !handoff.Stopped(); ++chunk) {
      firstResult = first(chunk * kPipelineChunk, ChunkLength(size, chunk));
      if (firstResult != SIGCORE_OK) break;
      handoff.Finished(chunk + 1);
    }
  } catch (...) {
    firstError = std::current_exception();
  }
  handoff.Stop();
  worker.join();
  if (firstError) std::rethrow_exception(firstError);
  if (secondError) std::rethrow_exception(secondError);
  return firstResult != SIGCORE_OK ? firstResult : secondResult;
}

}  // namespace sigcore
