// Two passes over a buffer in chunks, the second trailing the first: a chunk has been through
// the first pass before the second takes it. Encrypting and MACing a document this way reads it
// once while it is in the cache, and a large one has its two passes run at the same time on two
// threads, so that the MAC, a chain that no processor can hurry, costs little more time than
// the cipher beside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace sigcore {

// A pass over the bytes [offset, offset + length): 0, or the result code that ends both passes.
using ChunkPass = std::function<int32_t(size_t offset, size_t length)>;

inline constexpr size_t kPipelineChunk = 32 * 1024;
// Below this a second thread costs more than it saves.
inline constexpr size_t kPipelineThreadsFrom = 256 * 1024;

// Runs both passes over `size` bytes, each pass over the chunks in order and one chunk at a
// time, though not always on the same thread. Returns the first code that ended them (the
// other pass stops at its next chunk); an exception thrown by a pass is thrown again here,
// after both have stopped.
int32_t RunPipelined(size_t size, const ChunkPass& first, const ChunkPass& second);

}  // namespace sigcore
