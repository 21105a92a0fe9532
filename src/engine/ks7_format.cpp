// The .ks7 encrypted file format, version 1.
#include "engine/ks7_format.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace engine::ks7 {
namespace {

constexpr std::uint8_t kVersion = 1;
constexpr std::uint8_t kKdfPbkdf2Sha256 = 1;
constexpr std::uint8_t kCipherAes256Gcm = 1;
constexpr std::uint8_t kLog2ChunkSize = 16;
constexpr std::string_view kHeaderLabel = "KS7v1 header";
constexpr std::string_view kPayloadLabel = "KS7v1 payload";
// Chunks move between the file and the cipher sixteen at a time (1 MiB):
// fewer, larger reads and writes, and memory that stays flat.
constexpr std::size_t kBatchChunks = 16;

using Bytes = std::vector<std::uint8_t>;
using Nonce = std::array<std::uint8_t, platform::AesGcmKey::kNonceSize>;

std::uint32_t ReadBe32(const std::uint8_t* at) {
  return (std::uint32_t{at[0]} << 24) | (std::uint32_t{at[1]} << 16) | (std::uint32_t{at[2]} << 8) | at[3];
}

void WriteBe32(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 24);
  at[1] = static_cast<std::uint8_t>(value >> 16);
  at[2] = static_cast<std::uint8_t>(value >> 8);
  at[3] = static_cast<std::uint8_t>(value);
}

std::uint64_t ChunkCount(std::uint64_t plaintext_size) {
  return plaintext_size == 0 ? 1 : (plaintext_size + kChunkSize - 1) / kChunkSize;
}

// Batch k of a file: its chunks and its plaintext bytes.
std::uint64_t BatchChunks(std::uint64_t chunks, std::uint64_t k) {
  return std::min<std::uint64_t>(kBatchChunks, chunks - k * kBatchChunks);
}
std::size_t BatchPlaintext(std::uint64_t plaintext_size, std::uint64_t k) {
  return static_cast<std::size_t>(
      std::min<std::uint64_t>(kBatchChunks * kChunkSize, plaintext_size - k * kBatchChunks * kChunkSize));
}

// File id bytes 0-6, the chunk number, the last-chunk flag.
Nonce ChunkNonce(std::span<const std::uint8_t> file_id, std::uint64_t chunk, bool last) {
  Nonce nonce{};
  std::copy_n(file_id.begin(), 7, nonce.begin());
  WriteBe32(nonce.data() + 7, static_cast<std::uint32_t>(chunk));
  nonce[11] = last ? 1 : 0;
  return nonce;
}

// HMAC-SHA256(K_master, label || header bytes 0-47).
Bytes LabelledMac(platform::CryptoService& crypto, std::span<const std::uint8_t> master,
                  std::string_view label, std::span<const std::uint8_t> header) {
  Bytes data(label.begin(), label.end());
  data.insert(data.end(), header.begin(), header.begin() + kMacOffset);
  return crypto.HmacSha256(master, data);
}

bool ConstantTimeEqual(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  if (a.size() != b.size()) return false;
  std::uint8_t difference = 0;
  for (std::size_t i = 0; i < a.size(); ++i) difference |= static_cast<std::uint8_t>(a[i] ^ b[i]);
  return difference == 0;
}

// Fills as much of buffer as the reader has: the count read (short only at
// the end of the file), nothing when reading failed.
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

// Whether the reader is at its end: a file that grew while it was read is not.
std::optional<bool> AtEnd(platform::FileReader& reader) {
  std::uint8_t extra = 0;
  const std::optional<std::size_t> got = ReadFully(reader, std::span<std::uint8_t>(&extra, 1));
  if (!got.has_value()) return std::nullopt;
  return *got == 0;
}

// The work buffers of one file, each a batch with its tags but no larger
// than the file needs, wiped when the file is done. Two of each: the next
// batch is read into one input while the cipher works on the other, and
// written from one output while the cipher fills the other.
struct Buffers {
  explicit Buffers(std::uint64_t plaintext_size)
      : input{Secret(Bytes(Size(plaintext_size))), Secret(Bytes(Size(plaintext_size)))},
        output{Secret(Bytes(Size(plaintext_size))), Secret(Bytes(Size(plaintext_size)))} {}
  static std::size_t Size(std::uint64_t plaintext_size) {
    return static_cast<std::size_t>(std::min<std::uint64_t>(kBatchChunks * kChunkSize, plaintext_size)) +
           kBatchChunks * kTagSize;
  }
  std::array<Secret, 2> input;
  std::array<Secret, 2> output;
};

// Reads the batches on a thread of its own, one ahead of the cipher, into
// the two input buffers in turn.
class ReadAhead {
 public:
  // Batch k is size_of(k) bytes; there are `count` batches.
  ReadAhead(platform::FileReader& source, std::array<Secret, 2>& buffers,
            std::function<std::size_t(std::uint64_t)> size_of, std::uint64_t count)
      : source_(source), buffers_(buffers), size_of_(std::move(size_of)), count_(count), thread_([this] {
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
    const std::size_t slot = taken_++ % 2;
    if (!got.has_value()) return std::nullopt;
    return buffers_[slot].bytes().first(*got);
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
      const std::span<std::uint8_t> into = buffers_[k % 2].bytes().first(size_of_(k));
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
  std::function<std::size_t(std::uint64_t)> size_of_;
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

std::uint64_t EncryptedSize(std::uint64_t plaintext_size) {
  return kHeaderSize + plaintext_size + kTagSize * ChunkCount(plaintext_size);
}

std::optional<std::uint64_t> PlaintextSize(std::uint64_t encrypted_size) {
  if (encrypted_size < kHeaderSize + kTagSize) return std::nullopt;
  const std::uint64_t body = encrypted_size - kHeaderSize;
  const std::uint64_t chunks = (body + kStoredChunkSize - 1) / kStoredChunkSize;
  const std::uint64_t last = body - (chunks - 1) * kStoredChunkSize;
  // Every chunk holds its tag; only the chunk of an empty file is empty.
  if (last < kTagSize || (chunks > 1 && last == kTagSize) || chunks > kMaxChunks) return std::nullopt;
  return body - chunks * kTagSize;
}

std::int32_t PercentDone(std::uint64_t done, std::uint64_t total) {
  // done * 100 stays within 64 bits for any file of the format (2^48 bytes).
  return total == 0 ? 0 : static_cast<std::int32_t>(std::min<std::uint64_t>(99, done * 100 / total));
}

void Wipe(std::span<std::uint8_t> bytes) {
  volatile std::uint8_t* at = bytes.data();
  for (std::size_t i = 0; i < bytes.size(); ++i) at[i] = 0;
}

Secret DeriveMasterKey(platform::CryptoService& crypto, std::string_view password,
                       std::span<const std::uint8_t> salt, std::uint32_t iterations) {
  Secret key(crypto.Pbkdf2Sha256(password, Bytes(salt.begin(), salt.end()), iterations, kKeySize));
  if (key.bytes().size() != kKeySize) return Secret();
  return key;
}

// ---- Writing ------------------------------------------------------------------------

Result Encrypt(platform::CryptoService& crypto, const MasterKey& master, platform::FileReader& source,
               platform::FileWriter& out, const Progress& progress) {
  const std::uint64_t size = source.Size();
  const std::uint64_t chunks = ChunkCount(size);
  if (chunks > kMaxChunks || master.key.bytes().size() != kKeySize) return Result::kCryptoFailure;
  const Bytes file_id = crypto.RandomBytes(kFileIdSize);
  if (file_id.size() != kFileIdSize) return Result::kCryptoFailure;

  std::array<std::uint8_t, kHeaderSize> header{};
  std::copy(kMagic.begin(), kMagic.end(), header.begin());
  header[8] = kVersion;
  header[9] = kKdfPbkdf2Sha256;
  header[10] = kCipherAes256Gcm;
  header[11] = kLog2ChunkSize;
  WriteBe32(header.data() + 12, master.iterations);
  std::copy(master.salt.begin(), master.salt.end(), header.begin() + 16);
  std::copy(file_id.begin(), file_id.end(), header.begin() + 32);
  const Bytes mac = LabelledMac(crypto, master.key.bytes(), kHeaderLabel, header);
  const Secret file_key(LabelledMac(crypto, master.key.bytes(), kPayloadLabel, header));
  if (mac.size() != 32 || file_key.bytes().size() != kKeySize) return Result::kCryptoFailure;
  std::copy(mac.begin(), mac.end(), header.begin() + kMacOffset);
  const std::unique_ptr<platform::AesGcmKey> cipher = crypto.AesGcm(file_key.bytes());
  if (cipher == nullptr) return Result::kCryptoFailure;
  if (!out.Write(header)) return Result::kWriteFailed;

  Buffers buffers(size);
  const std::uint64_t batches = (chunks + kBatchChunks - 1) / kBatchChunks;
  ReadAhead reader(
      source, buffers.input, [size](std::uint64_t k) { return BatchPlaintext(size, k); }, batches);
  WriteBehind writer(out);
  std::uint64_t done = 0;
  for (std::uint64_t k = 0; k < batches; ++k) {
    const std::uint64_t chunk = k * kBatchChunks;
    const std::uint64_t batch = BatchChunks(chunks, k);
    const std::size_t want = BatchPlaintext(size, k);
    const std::optional<std::span<std::uint8_t>> input = reader.Next();
    if (!input.has_value() || input->size() != want) return Result::kSourceUnreadable;
    const std::span<std::uint8_t> output = buffers.output[k % 2].bytes();
    std::size_t sealed = 0;
    for (std::uint64_t i = 0; i < batch; ++i) {
      if (progress.aborted && progress.aborted()) return Result::kAborted;
      const std::size_t offset = static_cast<std::size_t>(i) * kChunkSize;
      const std::size_t length = std::min(kChunkSize, want - offset);
      const Nonce nonce = ChunkNonce(file_id, chunk + i, chunk + i == chunks - 1);
      const std::span<std::uint8_t> stored = output.subspan(sealed, length + kTagSize);
      if (!cipher->Seal(nonce, input->subspan(offset, length), stored.first(length),
                        stored.subspan(length).first<kTagSize>())) {
        return Result::kCryptoFailure;
      }
      sealed += stored.size();
    }
    if (!writer.Write(output.first(sealed))) return Result::kWriteFailed;
    done += want;
    if (progress.advanced) progress.advanced(done, size);
  }
  reader.Stop();
  if (!writer.Finish()) return Result::kWriteFailed;
  const std::optional<bool> at_end = AtEnd(source);
  if (!at_end.value_or(false)) return Result::kSourceUnreadable;
  return Result::kSuccess;
}

// ---- Reading ------------------------------------------------------------------------

Result Decryptor::Open(const KeyLookup& keys) {
  file_key_.reset();
  const std::optional<std::size_t> got = ReadFully(source_, header_);
  if (!got.has_value()) return Result::kSourceUnreadable;
  if (*got < kMagic.size() || !std::equal(kMagic.begin(), kMagic.end(), header_.begin()))
    return Result::kNotKs7;
  if (*got >= 16) {
    const std::uint32_t iterations = ReadBe32(header_.data() + 12);
    if (header_[8] != kVersion || header_[9] != kKdfPbkdf2Sha256 || header_[10] != kCipherAes256Gcm ||
        header_[11] != kLog2ChunkSize || iterations < kMinIterations || iterations > kMaxIterations) {
      return Result::kUnsupported;
    }
  }
  const std::optional<std::uint64_t> plaintext = PlaintextSize(source_.Size());
  if (*got < kHeaderSize || !plaintext.has_value()) return Result::kDamaged;
  plaintext_size_ = *plaintext;

  const std::span<const std::uint8_t> header(header_);
  const Secret* master = keys ? keys(header.subspan(16, kSaltSize), ReadBe32(header_.data() + 12)) : nullptr;
  if (master == nullptr || master->bytes().size() != kKeySize) return Result::kCryptoFailure;
  const Bytes mac = LabelledMac(crypto_, master->bytes(), kHeaderLabel, header);
  if (mac.size() != 32) return Result::kCryptoFailure;
  if (!ConstantTimeEqual(mac, header.subspan(kMacOffset))) return Result::kWrongPassword;
  const Secret file_key(LabelledMac(crypto_, master->bytes(), kPayloadLabel, header));
  if (file_key.bytes().size() != kKeySize) return Result::kCryptoFailure;
  file_key_ = crypto_.AesGcm(file_key.bytes());
  return file_key_ != nullptr ? Result::kSuccess : Result::kCryptoFailure;
}

Result Decryptor::DecryptTo(platform::FileWriter& out, const Progress& progress) {
  if (file_key_ == nullptr) return Result::kCryptoFailure;
  const std::span<const std::uint8_t> file_id =
      std::span<const std::uint8_t>(header_).subspan(32, kFileIdSize);
  const std::uint64_t chunks = ChunkCount(plaintext_size_);
  Buffers buffers(plaintext_size_);
  const std::uint64_t batches = (chunks + kBatchChunks - 1) / kBatchChunks;
  const std::uint64_t size = plaintext_size_;
  ReadAhead reader(
      source_, buffers.input,
      [size, chunks](std::uint64_t k) { return BatchPlaintext(size, k) + BatchChunks(chunks, k) * kTagSize; },
      batches);
  WriteBehind writer(out);
  std::uint64_t done = 0;
  for (std::uint64_t k = 0; k < batches; ++k) {
    const std::uint64_t chunk = k * kBatchChunks;
    const std::uint64_t batch = BatchChunks(chunks, k);
    const std::size_t plain = BatchPlaintext(size, k);
    const std::optional<std::span<std::uint8_t>> input = reader.Next();
    if (!input.has_value()) return Result::kSourceUnreadable;
    // The file became shorter than its size said.
    if (input->size() != plain + batch * kTagSize) return Result::kDamaged;
    const std::span<std::uint8_t> output = buffers.output[k % 2].bytes().first(plain);
    for (std::uint64_t i = 0; i < batch; ++i) {
      if (progress.aborted && progress.aborted()) return Result::kAborted;
      const std::size_t offset = static_cast<std::size_t>(i) * kChunkSize;
      const std::size_t length = std::min(kChunkSize, plain - offset);
      const std::span<const std::uint8_t> stored = input->subspan(i * kStoredChunkSize, length + kTagSize);
      const Nonce nonce = ChunkNonce(file_id, chunk + i, chunk + i == chunks - 1);
      switch (file_key_->Open(nonce, stored.first(length), stored.subspan(length).first<kTagSize>(),
                              output.subspan(offset, length))) {
        case platform::AesGcmKey::Opened::kOk:
          break;
        case platform::AesGcmKey::Opened::kTagMismatch:
          return Result::kDamaged;
        case platform::AesGcmKey::Opened::kFailed:
          return Result::kCryptoFailure;
      }
    }
    if (!writer.Write(output)) return Result::kWriteFailed;
    done += plain;
    if (progress.advanced) progress.advanced(done, size);
  }
  reader.Stop();
  if (!writer.Finish()) return Result::kWriteFailed;
  const std::optional<bool> at_end = AtEnd(source_);
  if (!at_end.has_value()) return Result::kSourceUnreadable;
  return *at_end ? Result::kSuccess : Result::kDamaged;
}

}  // namespace engine::ks7
