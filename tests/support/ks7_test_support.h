// Shared by the host tests, the Windows backend tests and the fuzz target:
// known-answer vectors for the primitives and the .ks7 format (made by an
// independent implementation of the format), files in memory, and a crypto
// service that hands out a fixed file id. No platform headers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/crypto_service.h"
#include "platform/file_service.h"

namespace ks7_test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes FromHex(std::string_view hex) {
  const auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
  Bytes bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(digit(hex[i]) * 16 + digit(hex[i + 1])));
  return bytes;
}

inline std::string Hex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (const std::uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0xF];
  }
  return text;
}

inline Bytes ToBytes(std::string_view text) {
  return {text.begin(), text.end()};
}

// ---- Primitives -----------------------------------------------------------

struct HmacVector {
  const char* key_hex;
  const char* data;
  const char* mac_hex;
};
// RFC 4231, test cases 1 and 2.
inline constexpr HmacVector kHmacVectors[] = {
    {"0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b", "Hi There",
     "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
    {"4a656665", "what do ya want for nothing?",
     "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
};

struct GcmVector {
  const char* plaintext_hex;
  const char* ciphertext_and_tag_hex;
};
// The GCM specification's test cases 13 and 14: key and nonce all zero.
inline constexpr GcmVector kGcmVectors[] = {
    {"", "530f8afbc74536b9a963b4f1c4cb738b"},
    {"00000000000000000000000000000000", "cea7403d4d606b6e074ec5d3baf39d18d0d1c8a799996bf0265b98b5d48ab919"},
};

// ---- .ks7 files -------------------------------------------------------------

// Every vector: this password (UTF-8, as the tab hands it over), salt 00..0f,
// file id 10..1f, 600,000 iterations.
inline constexpr std::string_view kVectorPassword = "correct horse \xC3\xA9t\xC3\xA9";

struct FileVector {
  const char* name;
  Bytes plaintext;
  std::string file_hex;  // the whole .ks7 file, or
  std::string digest;    // HMAC-SHA256 under "ks7 vector digest" of a larger one
};

inline Bytes PatternBytes(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return bytes;
}

inline std::vector<FileVector> FileVectors() {
  const std::string header =
      "4b5337460d0a1a0a01010110000927c0000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f"
      "acd6cd29de383d5ddff66913d25afbf7e0d4b46c4f63a6ccabd463925207b4b6";
  return {
      {"empty", {}, header + "529e3e2fa6d306c7c200ea6a3ec9580b", ""},
      {"one line", ToBytes("Kestrove .ks7 vector\n"),
       header + "a799d8f9214b66344c2b02f31e7faf9c447cc1763ba8aca12246a7f9ddc76ff4f704bf5c6d", ""},
      {"two chunks", PatternBytes(65537), "",
       "5c905dabff454f4aec3cda0c96065896dd263be2d15c9ae801d66ff3fe24fb17"},
  };
}

inline Bytes VectorSalt() {
  Bytes salt(16);
  for (std::size_t i = 0; i < salt.size(); ++i) salt[i] = static_cast<std::uint8_t>(i);
  return salt;
}

// The crypto service of a backend, handing out file id 10..1f.
class FixedFileId : public platform::CryptoService {
 public:
  explicit FixedFileId(platform::CryptoService& real) : real_(real) {}
  std::vector<std::uint8_t> Pbkdf2Sha256(std::string_view password, const std::vector<std::uint8_t>& salt,
                                         std::uint32_t iterations, std::size_t length) override {
    return real_.Pbkdf2Sha256(password, salt, iterations, length);
  }
  std::vector<std::uint8_t> RandomBytes(std::size_t count) override {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(16 + i);
    return bytes;
  }
  std::vector<std::uint8_t> HmacSha256(std::span<const std::uint8_t> key,
                                       std::span<const std::uint8_t> data) override {
    return real_.HmacSha256(key, data);
  }
  std::unique_ptr<platform::AesGcmKey> AesGcm(std::span<const std::uint8_t> key) override {
    return real_.AesGcm(key);
  }

 private:
  platform::CryptoService& real_;
};

// ---- Files in memory --------------------------------------------------------

// Reads bytes; its size may claim another length than it holds (a file
// that changes while it is read). Reads at most `step` bytes per call.
class MemoryReader : public platform::FileReader {
 public:
  explicit MemoryReader(Bytes bytes, std::optional<std::uint64_t> claimed = std::nullopt,
                        std::size_t step = 1000000)
      : bytes_(std::move(bytes)), claimed_(claimed.value_or(bytes_.size())), step_(step) {}
  [[nodiscard]] std::uint64_t Size() const override { return claimed_; }
  std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) override {
    const std::size_t count = std::min({buffer.size(), bytes_.size() - position_, step_});
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(position_), count, buffer.begin());
    position_ += count;
    return count;
  }

 private:
  Bytes bytes_;
  std::uint64_t claimed_;
  std::size_t step_;
  std::size_t position_ = 0;
};

class MemoryWriter : public platform::FileWriter {
 public:
  bool Write(std::span<const std::uint8_t> bytes) override {
    written.insert(written.end(), bytes.begin(), bytes.end());
    return true;
  }
  Committed Commit() override { return Committed::kDone; }
  Bytes written;
};

}  // namespace ks7_test
