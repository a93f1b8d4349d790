#include "rwsyncs.h"

#include <algorithm>

namespace kit {

TRWCriticalSection::~TRWCriticalSection() {
  BeginWrite();
  EndWrite();
}

TRWCriticalSection::Reader* TRWCriticalSection::FindReader(std::thread::id thread) {
  auto it = std::find_if(readers_.begin(), readers_.end(),
                         [thread](const Reader& r) { return r.thread == thread; });
  return it == readers_.end() ? nullptr : &*it;
}

bool TRWCriticalSection::OtherThreadReads(std::thread::id self) const {
  return std::any_of(readers_.begin(), readers_.end(), [self](const Reader& r) {
    return r.thread != std::thread::id{} && r.thread != self;
  });
}

void TRWCriticalSection::BeginRead() {
  const auto self = std::this_thread::get_id();
  {
    std::lock_guard guard(tableGuard_);
    if (writing_ && writer_ == self) {
      ++readsInWrite_;
      return;
    }
    // A thread that already reads never waits, not even for a waiting writer: the writer
    // waits for it, so blocking here would deadlock.
    if (Reader* r = FindReader(self)) {
      ++r->count;
      return;
    }
  }

  std::lock_guard section(writerSection_);
  std::lock_guard guard(tableGuard_);
  if (writing_ && writer_ == self) {
    ++readsInWrite_;
    return;
  }
  Reader* r = FindReader(std::thread::id{});
  if (r == nullptr) {
    readers_.resize(readers_.size() + 2);
    r = &readers_[readers_.size() - 2];
  }
  r->thread = self;
  r->count = 1;
}

void TRWCriticalSection::EndRead() {
  const auto self = std::this_thread::get_id();
  std::lock_guard guard(tableGuard_);
  if (writing_ && writer_ == self && readsInWrite_ > 0) {
    --readsInWrite_;
    return;
  }
  // A writer may also release, during its write, a read it took before: that read is in the
  // table and is released there, so the lock is not left held by a read nobody owns.
  Reader* r = FindReader(self);
  if (r == nullptr) throw EAssertionFailed("Assertion failed: EndRead without BeginRead (RWSyncs)");
  if (--r->count == 0) {
    r->thread = std::thread::id{};
    if (writerWaits_) noOtherReaders_.notify_all();
  }
}

void TRWCriticalSection::BeginWrite() {
  writerSection_.lock();
  if (writeDepth_ == 0) {
    const auto self = std::this_thread::get_id();
    std::unique_lock guard(tableGuard_);
    writerWaits_ = true;
    noOtherReaders_.wait(guard, [&] { return !OtherThreadReads(self); });
    writerWaits_ = false;
    writing_ = true;
    writer_ = self;
    readsInWrite_ = 0;
  }
  ++writeDepth_;
}

void TRWCriticalSection::EndWrite() {
  {
    std::lock_guard guard(tableGuard_);
    // Only the writing thread holds the writer section: it alone may end the write.
    if (!writing_ || writer_ != std::this_thread::get_id())
      throw EAssertionFailed("Assertion failed: EndWrite without BeginWrite (RWSyncs)");
    if (writeDepth_ == 1) {
      writing_ = false;
      writer_ = std::thread::id{};
      readsInWrite_ = 0;
    }
  }
  --writeDepth_;
  writerSection_.unlock();
}

bool TRWCriticalSection::WriterWaiting() {
  std::lock_guard guard(tableGuard_);
  return writerWaits_;
}

std::string TSyncExceptStr::GetValue() {
  ReadLock lock(lock_);
  return value_;
}

void TSyncExceptStr::SetValue(const std::string& value) {
  WriteLock lock(lock_);
  value_ = value;
}

}  // namespace kit
