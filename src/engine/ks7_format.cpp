// The .ks7 encrypted file format, version 1.
#include "engine/ks7_format.h"

#include <algorithm>

#include "engine/ks7_pipeline.h"

namespace engine::ks7 {
namespace {

constexpr std::uint8_t kVersion = 1;
constexpr std::uint8_t kKdfPbkdf2Sha256 = 1;
constexpr std::uint8_t kCipherAes256Gcm = 1;
constexpr std::uint8_t kLog2ChunkSize = 16;
constexpr std::string_view kHeaderLabel = "KS7v1 header";
constexpr std::string_view kPayloadLabel = "KS7v1 payload";

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

  const auto seal = [&](std::uint64_t chunk, bool last, std::span<const std::uint8_t> in,
                        std::span<std::uint8_t> stored) {
    const std::size_t length = in.size();
    return cipher->Seal(ChunkNonce(file_id, chunk, last), in, stored.first(length),
                        stored.subspan(length).first<kTagSize>())
               ? Result::kSuccess
               : Result::kCryptoFailure;
  };
  // A source shorter or longer than its size said cannot be read as it was.
  return RunChunks(source, out, size, kHeaderSize, Direction::kSeal, Result::kSourceUnreadable, seal,
                   progress);
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
  const auto open = [&](std::uint64_t chunk, bool last, std::span<const std::uint8_t> stored,
                        std::span<std::uint8_t> plain) {
    const std::size_t length = plain.size();
    switch (file_key_->Open(ChunkNonce(file_id, chunk, last), stored.first(length),
                            stored.subspan(length).first<kTagSize>(), plain)) {
      case platform::AesGcmKey::Opened::kOk:
        return Result::kSuccess;
      case platform::AesGcmKey::Opened::kTagMismatch:
        return Result::kDamaged;
      case platform::AesGcmKey::Opened::kFailed:
        break;
    }
    return Result::kCryptoFailure;
  };
  // A file shorter or longer than its size said is damaged.
  return RunChunks(source_, out, plaintext_size_, kHeaderSize, Direction::kOpen, Result::kDamaged, open,
                   progress);
}

}  // namespace engine::ks7
