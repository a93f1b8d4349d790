// Re-entrant reader-writer lock and the error text it guards.
//
// Many threads read at once; one thread at a time writes. A thread may take the lock again
// while it holds it, for reading or writing, and a reader may upgrade to writer without waiting
// for its own reads. A thread that already reads enters again at once even while a writer
// waits; new readers wait while a write is in force or waits for readers to leave.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace kit {

// A usage error caught by a run-time check: the operation was refused and nothing changed.
class EAssertionFailed : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

class TRWCriticalSection {
 public:
  TRWCriticalSection() = default;
  // Waits until no other thread reads or writes before the lock goes away.
  ~TRWCriticalSection();
  TRWCriticalSection(const TRWCriticalSection&) = delete;
  TRWCriticalSection& operator=(const TRWCriticalSection&) = delete;

  void BeginRead();
  // Throws EAssertionFailed when the calling thread holds no read acquisition.
  void EndRead();
  void BeginWrite();
  // Throws EAssertionFailed when the calling thread holds no write acquisition (it would
  // otherwise release a mutex it does not own).
  void EndWrite();

  // True while a thread holds the writer section and waits for other threads' reads to end.
  bool WriterWaiting();

 private:
  struct Reader {
    std::thread::id thread;  // default id: a free entry
    int32_t count = 0;
  };

  Reader* FindReader(std::thread::id thread);
  bool OtherThreadReads(std::thread::id self) const;

  // Held by the writing thread for the whole write, and by the waiting writer; first reads of
  // a thread pass through it, so they wait while a write is in force or pending.
  std::recursive_mutex writerSection_;

  // Guards everything below. Order: writerSection_ before tableGuard_, never the reverse.
  std::mutex tableGuard_;
  std::condition_variable noOtherReaders_;
  std::vector<Reader> readers_;
  bool writerWaits_ = false;
  bool writing_ = false;
  std::thread::id writer_;
  // Reads the writer takes during its own write; they are not counted in the table.
  int32_t readsInWrite_ = 0;

  // Nesting depth of the write; only the holder of writerSection_ touches it.
  int32_t writeDepth_ = 0;
};

// Scoped shared access: released when the guard goes out of scope, also on an exception.
class ReadLock {
 public:
  explicit ReadLock(TRWCriticalSection& lock) : lock_(lock) { lock_.BeginRead(); }
  ~ReadLock() { lock_.EndRead(); }
  ReadLock(const ReadLock&) = delete;
  ReadLock& operator=(const ReadLock&) = delete;

 private:
  TRWCriticalSection& lock_;
};

// Scoped exclusive access.
class WriteLock {
 public:
  explicit WriteLock(TRWCriticalSection& lock) : lock_(lock) { lock_.BeginWrite(); }
  ~WriteLock() { lock_.EndWrite(); }
  WriteLock(const WriteLock&) = delete;
  WriteLock& operator=(const WriteLock&) = delete;

 private:
  TRWCriticalSection& lock_;
};

// A text that one thread may replace while others read it.
class TSyncExceptStr {
 public:
  std::string GetValue();
  void SetValue(const std::string& value);

 private:
  TRWCriticalSection lock_;
  std::string value_;
};

}  // namespace kit
