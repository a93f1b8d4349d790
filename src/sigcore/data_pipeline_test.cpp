// The two passes over a buffer: every byte through the first pass and then the second, each
// pass in order, for sizes on both sides of a chunk and of the threads' threshold; a failure or
// an exception in either pass ends both and comes out of the call.
#include "data_pipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace sigcore {
namespace {

// What each pass did: the end of what it has taken, and whether it ever took a chunk out of
// turn or before the first pass was done with it.
struct PassLog {
  size_t end = 0;
  bool outOfTurn = false;
};

struct Failure {
  bool inFirst;
  size_t chunk;
  bool throws;  // else it returns -7
};

// Runs the passes over `size` bytes, marking each byte 1 in the first and 2 in the second.
int32_t RunMarking(size_t size, std::vector<uint8_t>& marks, PassLog& first, PassLog& second,
            const Failure* failure = nullptr) {
  marks.assign(size, 0);
  const auto pass = [&](PassLog& log, uint8_t mark, bool isFirst) -> ChunkPass {
    return [&marks, &log, mark, isFirst, failure](size_t offset, size_t length) -> int32_t {
      if (failure != nullptr && failure->inFirst == isFirst &&
          offset == failure->chunk * kPipelineChunk) {
        if (failure->throws) throw std::runtime_error("pass failed");
        return -7;
      }
      log.outOfTurn |= offset != log.end || length == 0 || length > kPipelineChunk;
      for (size_t i = offset; i < offset + length; ++i) {
        log.outOfTurn |= marks[i] != mark - 1;
        marks[i] = mark;
      }
      log.end = offset + length;
      return 0;
    };
  };
  return RunPipelined(size, pass(first, 1, true), pass(second, 2, false));
}

TEST(DataPipeline, EveryByteGoesThroughTheFirstPassThenTheSecond) {
  for (const size_t size :
       {size_t{0}, size_t{1}, kPipelineChunk - 1, kPipelineChunk, kPipelineChunk + 1,
        kPipelineThreadsFrom - 1, kPipelineThreadsFrom, kPipelineThreadsFrom + 12345,
        4 * kPipelineThreadsFrom}) {
    std::vector<uint8_t> marks;
    PassLog first, second;
    EXPECT_EQ(RunMarking(size, marks, first, second), 0) << size;
    EXPECT_EQ(first.end, size);
    EXPECT_EQ(second.end, size);
    EXPECT_FALSE(first.outOfTurn || second.outOfTurn) << size;
    EXPECT_EQ(std::count(marks.begin(), marks.end(), 2), static_cast<std::ptrdiff_t>(size));
  }
}

TEST(DataPipeline, AFailureInEitherPassEndsBoth) {
  const Failure failures[] = {
      {true, 0, false}, {true, 3, false}, {false, 0, false}, {false, 5, false},
      {true, 2, true},  {false, 4, true},
  };
  for (const size_t size : {3 * kPipelineChunk - 10, 2 * kPipelineThreadsFrom}) {
    for (const Failure& failure : failures) {
      const size_t chunks = (size + kPipelineChunk - 1) / kPipelineChunk;
      if (failure.chunk >= chunks) continue;
      SCOPED_TRACE(::testing::Message() << size << " bytes, " << (failure.inFirst ? "first" : "second")
                                        << " pass fails at chunk " << failure.chunk);
      std::vector<uint8_t> marks;
      PassLog first, second;
      if (failure.throws)
        EXPECT_THROW(RunMarking(size, marks, first, second, &failure), std::runtime_error);
      else
        EXPECT_EQ(RunMarking(size, marks, first, second, &failure), -7);
      const size_t at = failure.chunk * kPipelineChunk;
      // The second pass never passes the failure; the first stops there when it fails itself.
      EXPECT_LE(second.end, at);
      if (failure.inFirst) {
        EXPECT_EQ(first.end, at);
      }
      EXPECT_FALSE(first.outOfTurn || second.outOfTurn);
    }
  }
}

}  // namespace
}  // namespace sigcore
