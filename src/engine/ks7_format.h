// The .ks7 encrypted file format, version 1: a password-keyed header with its
// own MAC, then the file in AES-256-GCM chunks of 64 KiB whose nonces carry
// the chunk number and a last-chunk flag. Reads and writes streams; knows
// nothing of paths, threads or windows.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/crypto_service.h"
#include "platform/file_service.h"

namespace engine::ks7 {

inline constexpr std::array<std::uint8_t, 8> kMagic = {0x4B, 0x53, 0x37, 0x46, 0x0D, 0x0A, 0x1A, 0x0A};
inline constexpr std::size_t kHeaderSize = 80;
inline constexpr std::size_t kMacOffset = 48;  // bytes 0-47 are covered by the MAC
inline constexpr std::size_t kSaltSize = 16;
inline constexpr std::size_t kFileIdSize = 16;
inline constexpr std::size_t kKeySize = 32;
inline constexpr std::size_t kTagSize = platform::AesGcmKey::kTagSize;
inline constexpr std::size_t kChunkSize = 65536;
inline constexpr std::size_t kStoredChunkSize = kChunkSize + kTagSize;
// What writers use, and what readers accept.
inline constexpr std::uint32_t kIterations = 600000;
inline constexpr std::uint32_t kMinIterations = 100000;
inline constexpr std::uint32_t kMaxIterations = 10000000;
// The chunk number is 32 bits: no file may need more chunks (256 TiB).
inline constexpr std::uint64_t kMaxChunks = std::uint64_t{1} << 32;

// One result per file, numbered as the component reports them.
enum class Result : std::int32_t {
  kSuccess = 0,
  kAborted = 1,
  kSourceUnreadable = 2,
  kDestinationExists = 3,
  kNotKs7 = 4,
  kUnsupported = 5,
  kWrongPassword = 6,
  kDamaged = 7,
  kWriteFailed = 8,
  kCryptoFailure = 9,
};

// The size of the .ks7 file of a plaintext of this size.
std::uint64_t EncryptedSize(std::uint64_t plaintext_size);
// The plaintext size a .ks7 file of this size holds; nothing when no
// plaintext encrypts to that size.
std::optional<std::uint64_t> PlaintextSize(std::uint64_t encrypted_size);

// The whole percent of a file done, 0 to 99: 100 is left for the file in
// its place.
std::int32_t PercentDone(std::uint64_t done, std::uint64_t total);

// Overwrites bytes with zeros in a way the compiler keeps.
void Wipe(std::span<std::uint8_t> bytes);

// Key material or plaintext in memory, wiped when it goes.
class Secret {
 public:
  Secret() = default;
  explicit Secret(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  ~Secret() { Wipe(bytes_); }
  Secret(const Secret&) = delete;
  Secret& operator=(const Secret&) = delete;
  Secret(Secret&& other) noexcept : bytes_(std::move(other.bytes_)) { other.bytes_.clear(); }
  Secret& operator=(Secret&& other) noexcept {
    Wipe(bytes_);
    bytes_ = std::move(other.bytes_);
    other.bytes_.clear();
    return *this;
  }
  [[nodiscard]] std::span<const std::uint8_t> bytes() const { return bytes_; }
  [[nodiscard]] std::span<std::uint8_t> bytes() { return bytes_; }
  [[nodiscard]] bool empty() const { return bytes_.empty(); }

 private:
  std::vector<std::uint8_t> bytes_;
};

// The password's key for one salt and iteration count.
struct MasterKey {
  std::array<std::uint8_t, kSaltSize> salt{};
  std::uint32_t iterations = kIterations;
  Secret key;
};

// K_master = PBKDF2-HMAC-SHA256(password, salt, iterations); empty when the
// derivation failed.
Secret DeriveMasterKey(platform::CryptoService& crypto, std::string_view password,
                       std::span<const std::uint8_t> salt, std::uint32_t iterations);

// What the chunk loops ask of their caller. Both may be left empty.
struct Progress {
  // Asked before every chunk: true stops the file with kAborted.
  std::function<bool()> aborted;
  // Told after each batch of chunks: plaintext bytes done, of total.
  std::function<void(std::uint64_t done, std::uint64_t total)> advanced;
};

// Encrypts the whole source (source.Size() bytes, read in order) into out,
// under a new file id, with the master key of the run. kSourceUnreadable
// also when the source turns out shorter or longer than its size.
Result Encrypt(platform::CryptoService& crypto, const MasterKey& master, platform::FileReader& source,
               platform::FileWriter& out, const Progress& progress = {});

// The master key for a header's salt and iterations, nullptr when it cannot
// be derived; the caller may cache it for the run.
using KeyLookup = std::function<const Secret*(std::span<const std::uint8_t> salt, std::uint32_t iterations)>;

// Reads a .ks7 file: first its header (Open), then, when that succeeded,
// its chunks (DecryptTo). Each chunk is written only after its tag verified.
class Decryptor {
 public:
  Decryptor(platform::CryptoService& crypto, platform::FileReader& source)
      : crypto_(crypto), source_(source) {}

  // Checks the header in the format's order: magic (kNotKs7), version,
  // algorithm ids, chunk size and iterations (kUnsupported), the file size
  // (kDamaged), the key (kCryptoFailure), the header MAC (kWrongPassword).
  Result Open(const KeyLookup& keys);
  // Decrypts every chunk into out: kDamaged for a chunk that does not
  // verify, a missing final chunk or bytes after it, also when the file
  // shrinks or grows while it is read.
  Result DecryptTo(platform::FileWriter& out, const Progress& progress = {});

  [[nodiscard]] std::uint64_t plaintext_size() const { return plaintext_size_; }

 private:
  platform::CryptoService& crypto_;
  platform::FileReader& source_;
  std::array<std::uint8_t, kHeaderSize> header_{};
  std::uint64_t plaintext_size_ = 0;
  std::unique_ptr<platform::AesGcmKey> file_key_;
};

}  // namespace engine::ks7
