// The chunk pipeline of the .ks7 files: a file moves through in batches of
// chunks, read ahead on one thread and written behind on another while the
// cipher works on the batch between them. Knows the chunk layout (a chunk
// and, on one side, its tag), not the header nor the cipher.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "engine/ks7_format.h"
#include "platform/file_service.h"

namespace engine::ks7 {

// The chunks of a plaintext of this size: an empty file has one, empty.
std::uint64_t ChunkCount(std::uint64_t plaintext_size);

// Fills as much of buffer as the reader has: the count read (short only at
// the end of the file), nothing when reading failed.
std::optional<std::size_t> ReadFully(platform::FileReader& reader, std::span<std::uint8_t> buffer);

// Which side of the cipher holds the chunks with their tags.
enum class Direction {
  kSeal,  // plaintext chunks in, stored chunks (with tags) out
  kOpen,  // stored chunks in, plaintext chunks out
};

// The cipher's work on one chunk: `in` as read, `out` to be written, each
// the chunk's plaintext length plus the tag on its stored side. kSuccess
// goes on to the next chunk; anything else ends the file with that result.
using ChunkStep = std::function<Result(std::uint64_t chunk, bool last, std::span<const std::uint8_t> in,
                                       std::span<std::uint8_t> out)>;

// Passes every chunk of a file of plaintext_size bytes from source, through
// step, to out, in order; asks progress.aborted before each chunk and tells
// progress.advanced after each batch. The stored chunks start at
// stored_offset of their file (where the source has been read to, or how
// much out already holds), the plaintext at the start of its file: each
// batch is placed in memory by its file offset, so that copies to and from
// the file cache are aligned. A source that cannot be read is
// kSourceUnreadable; one that holds fewer or more bytes than the file needs
// gives `mismatch`; a failed write is kWriteFailed.
Result RunChunks(platform::FileReader& source, platform::FileWriter& out, std::uint64_t plaintext_size,
                 std::uint64_t stored_offset, Direction direction, Result mismatch, const ChunkStep& step,
                 const Progress& progress);

}  // namespace engine::ks7
