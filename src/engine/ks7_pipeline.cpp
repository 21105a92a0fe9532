// The chunk pipeline of the .ks7 files: batches read ahead, ciphered and
// written behind.
#include "engine/ks7_pipeline.h"

#include <algorithm>
#include <array>
#include <bit>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace engine::ks7 {
namespace {

// Chunks move between the file and the cipher sixteen at a time (1 MiB):
// fewer, larger reads and writes, and memory that stays flat.
constexpr std::size_t kBatchChunks = 16;
// The unit of the system's file cache: reads and writes copy between a page
// of the cache and the buffer.
constexpr std::size_t kPageSize = 4096;

using Bytes = std::vector<std::uint8_t>;

// Batch k of a file: its chunks and its plaintext bytes.
std::uint64_t BatchChunks(std::uint64_t chunks, std::uint64_t k) {
  return std::min<std::uint64_t>(kBatchChunks, chunks - k * kBatchChunks);
}
std::size_t BatchPlaintext(std::uint64_t plaintext_size, std::uint64_t k) {
  return static_cast<std::size_t>(
      std::min<std::uint64_t>(kBatchChunks * kChunkSize, plaintext_size - k * kBatchChunks * kChunkSize));
}

// Whether the reader is at its end: a file that grew while it was read is not.
std::optional<bool> AtEnd(platform::FileReader& reader) {
  std::uint8_t extra = 0;
  const std::optional<std::size_t> got = ReadFully(reader, std::span<std::uint8_t>(&extra, 1));
  if (!got.has_value()) return std::nullopt;
  return *got == 0;
}

// The work buffers of one file, each a batch with its tags but no larger
// than the file needs, and a page more to place the batch in, wiped when the
// file is done. Two of each: the next batch is read into one input while the
// cipher works on the other, and written from one output while the cipher
// fills the other.
struct Buffers {
  explicit Buffers(std::uint64_t plaintext_size)
      : input{Secret(Bytes(Size(plaintext_size))), Secret(Bytes(Size(plaintext_size)))},
        output{Secret(Bytes(Size(plaintext_size))), Secret(Bytes(Size(plaintext_size)))} {}
  static std::size_t Size(std::uint64_t plaintext_size) {
    return static_cast<std::size_t>(std::min<std::uint64_t>(kBatchChunks * kChunkSize, plaintext_size)) +
           kBatchChunks * kTagSize + kPageSize;
  }
  std::array<Secret, 2> input;
  std::array<Secret, 2> output;
};

// Where in its buffer the batch at this offset of its file goes: at the
// same place within a page of memory as within a page of the file. Then
// every page the system copies between its cache and the buffer starts on
// an aligned address at both ends; a few bytes off, some processors run the
// same copy several times slower, and the copies, not the cipher, limit a
// run.
std::span<std::uint8_t> Placed(Secret& buffer, std::uint64_t file_offset, std::size_t size) {
  const std::span<std::uint8_t> bytes = buffer.bytes();
  const std::uint64_t address = std::bit_cast<std::uintptr_t>(bytes.data());
  // (file_offset - address) mod kPageSize, in unsigned arithmetic.
  const std::size_t skip = static_cast<std::size_t>((file_offset - address) % kPageSize);
  return bytes.subspan(skip, size);
}

// Reads the batches on a thread of its own, one ahead of the cipher, into
// the two input buffers in turn.
class ReadAhead {
 public:
  // Batch k is read into place(buffers[k % 2], k); there are `count`
  // batches.
  using Place = std::function<std::span<std::uint8_t>(Secret&, std::uint64_t)>;
  ReadAhead(platform::FileReader& source, std::array<Secret, 2>& buffers, Place place, std::uint64_t count)
      : source_(source), buffers_(buffers), place_(std::move(place)), count_(count), thread_([this] {
          Loop();
        }) {}
  ~ReadAhead() { Stop(); }
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;
  ReadAhead(ReadAhead&&) = delete;
  ReadAhead& operator=(ReadAhead&&) = delete;

  // The next batch as read (short at the end of the file), nothing when
  // reading failed. Its bytes stay until the next call.
  std::optional<std::span<std::uint8_t>> Next() {
    std::unique_lock lock(mutex_);
    if (taken_ > 0) filled_[(taken_ - 1) % 2].reset();
    changed_.notify_all();
    changed_.wait(lock, [this] { return filled_[taken_ % 2].has_value(); });
    const std::optional<std::size_t> got = *filled_[taken_ % 2];
    const std::uint64_t k = taken_++;
    if (!got.has_value()) return std::nullopt;
    return place_(buffers_[k % 2], k).first(*got);
  }
  // Ends the reading; the source is this thread's again.
  void Stop() {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

 private:
  void Loop() {
    for (std::uint64_t k = 0; k < count_; ++k) {
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stopping_ || !filled_[k % 2].has_value(); });
        if (stopping_) return;
      }
      const std::span<std::uint8_t> into = place_(buffers_[k % 2], k);
      const std::optional<std::size_t> got = ReadFully(source_, into);
      const std::lock_guard lock(mutex_);
      filled_[k % 2] = got;
      changed_.notify_all();
      // After a failed or short read there is nothing more to read.
      if (!got.has_value() || *got != into.size()) return;
    }
  }

  platform::FileReader& source_;
  std::array<Secret, 2>& buffers_;
  Place place_;
  std::uint64_t count_;
  std::mutex mutex_;
  std::condition_variable changed_;
  // Per buffer: read and not yet given back (the count read, or nothing
  // for a failed read).
  std::array<std::optional<std::optional<std::size_t>>, 2> filled_;
  std::uint64_t taken_ = 0;
  bool stopping_ = false;
  // Last: it starts once everything above is ready.
  std::thread thread_;
};

// Writes each batch on a thread of its own while the next batch is read and
// sealed, so reading the file and the cipher overlap the writing (the
// slowest of the three). One batch is written at a time, in order.
class WriteBehind {
 public:
  explicit WriteBehind(platform::FileWriter& out) : out_(out), thread_([this] { Loop(); }) {}
  ~WriteBehind() {
    {
      const std::lock_guard lock(mutex_);
      closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;
  WriteBehind(WriteBehind&&) = delete;
  WriteBehind& operator=(WriteBehind&&) = delete;

  // Waits until the batch before is written, then hands this one over: its
  // bytes must stay as they are until the next Write or Finish returns.
  // False when an earlier write failed.
  bool Write(std::span<const std::uint8_t> bytes) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    if (failed_) return false;
    pending_ = bytes;
    busy_ = true;
    changed_.notify_all();
    return true;
  }
  // Waits until every batch is written; false when one failed.
  bool Finish() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    return !failed_;
  }

 private:
  void Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return busy_ || closing_; });
      if (!busy_) return;
      const std::span<const std::uint8_t> bytes = pending_;
      lock.unlock();
      const bool wrote = out_.Write(bytes);
      lock.lock();
      failed_ = failed_ || !wrote;
      busy_ = false;
      changed_.notify_all();
    }
  }

  platform::FileWriter& out_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::span<const std::uint8_t> pending_;
  bool busy_ = false;
  bool failed_ = false;
  bool closing_ = false;
  // Last: it starts once everything above is ready.
  std::thread thread_;
};

}  // namespace

std::uint64_t ChunkCount(std::uint64_t plaintext_size) {
  return plaintext_size == 0 ? 1 : (plaintext_size + kChunkSize - 1) / kChunkSize;
}

std::optional<std::size_t> ReadFully(platform::FileReader& reader, std::span<std::uint8_t> buffer) {
  std::size_t filled = 0;
  while (filled < buffer.size()) {
    const std::optional<std::size_t> got = reader.Read(buffer.subspan(filled));
    if (!got.has_value()) return std::nullopt;
    if (*got == 0) break;
    filled += *got;
  }
  return filled;
}

Result RunChunks(platform::FileReader& source, platform::FileWriter& out, std::uint64_t plaintext_size,
                 std::uint64_t stored_offset, Direction direction, Result mismatch, const ChunkStep& step,
                 const Progress& progress) {
  // Where the tags are: a stored chunk is kStoredChunkSize apart from the next.
  const std::size_t in_tag = direction == Direction::kOpen ? kTagSize : 0;
  const std::size_t out_tag = direction == Direction::kSeal ? kTagSize : 0;
  // Where the chunks start in the files: the plaintext at its beginning.
  const std::uint64_t in_start = direction == Direction::kOpen ? stored_offset : 0;
  const std::uint64_t out_start = direction == Direction::kSeal ? stored_offset : 0;
  const std::uint64_t size = plaintext_size;
  const std::uint64_t chunks = ChunkCount(size);
  const std::uint64_t batches = (chunks + kBatchChunks - 1) / kBatchChunks;
  // Batch k in one of the buffers of a side whose chunks carry `tag` bytes
  // more and start at `start` in their file.
  const auto place = [size, chunks](Secret& buffer, std::uint64_t k, std::size_t tag, std::uint64_t start) {
    const std::uint64_t offset = start + k * kBatchChunks * (kChunkSize + tag);
    return Placed(buffer, offset, BatchPlaintext(size, k) + BatchChunks(chunks, k) * tag);
  };
  Buffers buffers(size);
  ReadAhead reader(
      source, buffers.input,
      [&place, in_tag, in_start](Secret& buffer, std::uint64_t k) {
        return place(buffer, k, in_tag, in_start);
      },
      batches);
  WriteBehind writer(out);
  std::uint64_t done = 0;
  for (std::uint64_t k = 0; k < batches; ++k) {
    const std::uint64_t first = k * kBatchChunks;
    const std::uint64_t batch = BatchChunks(chunks, k);
    const std::size_t plain = BatchPlaintext(size, k);
    const std::optional<std::span<std::uint8_t>> input = reader.Next();
    if (!input.has_value()) return Result::kSourceUnreadable;
    // The source became shorter than its size said.
    if (input->size() != plain + batch * in_tag) return mismatch;
    const std::span<std::uint8_t> output = place(buffers.output[k % 2], k, out_tag, out_start);
    for (std::size_t i = 0; i < batch; ++i) {
      if (progress.aborted && progress.aborted()) return Result::kAborted;
      const std::size_t offset = i * kChunkSize;
      const std::size_t length = std::min(kChunkSize, plain - offset);
      const std::uint64_t chunk = first + i;
      const Result result =
          step(chunk, chunk == chunks - 1, input->subspan(offset + i * in_tag, length + in_tag),
               output.subspan(offset + i * out_tag, length + out_tag));
      if (result != Result::kSuccess) return result;
    }
    if (!writer.Write(output)) return Result::kWriteFailed;
    done += plain;
    if (progress.advanced) progress.advanced(done, size);
  }
  reader.Stop();
  if (!writer.Finish()) return Result::kWriteFailed;
  const std::optional<bool> at_end = AtEnd(source);
  if (!at_end.has_value()) return Result::kSourceUnreadable;
  return *at_end ? Result::kSuccess : mismatch;
}

}  // namespace engine::ks7
