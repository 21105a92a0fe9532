// Cryptographic primitives the program needs: PBKDF2-HMAC-SHA256 for the
// access password and the file keys, HMAC-SHA256, AES-256-GCM for the
// encrypted files, random bytes for salts and file ids. CNG on Windows (with
// a key derivation of the program's own, platform/pbkdf2.h); OpenSSL in the
// host build, so both are held to the same test vectors.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace platform {

// One AES-256-GCM key, set up once and used for many messages (the chunks of
// a file). 12-byte nonces, 16-byte tags, no additional data. Not shared
// between threads.
class AesGcmKey {
 public:
  static constexpr std::size_t kNonceSize = 12;
  static constexpr std::size_t kTagSize = 16;

  enum class Opened {
    kOk,
    kTagMismatch,  // the message or its tag was altered, or another key sealed it
    kFailed,       // the cryptography itself failed
  };

  virtual ~AesGcmKey() = default;
  // Encrypts plaintext into out (same size; the two may be the same bytes)
  // and writes the tag; false when the cryptography failed.
  virtual bool Seal(std::span<const std::uint8_t, kNonceSize> nonce, std::span<const std::uint8_t> plaintext,
                    std::span<std::uint8_t> out, std::span<std::uint8_t, kTagSize> tag) = 0;
  // Decrypts ciphertext into out (same size; may be the same bytes) when the
  // tag verifies. On anything but kOk, out holds nothing of the plaintext.
  virtual Opened Open(std::span<const std::uint8_t, kNonceSize> nonce,
                      std::span<const std::uint8_t> ciphertext, std::span<const std::uint8_t, kTagSize> tag,
                      std::span<std::uint8_t> out) = 0;
};

class CryptoService {
 public:
  virtual ~CryptoService() = default;

  // PBKDF2 with HMAC-SHA256; an empty result when the derivation failed.
  virtual std::vector<std::uint8_t> Pbkdf2Sha256(std::string_view password,
                                                 const std::vector<std::uint8_t>& salt,
                                                 std::uint32_t iterations, std::size_t length) = 0;
  // Cryptographically strong random bytes; an empty result on failure.
  virtual std::vector<std::uint8_t> RandomBytes(std::size_t count) = 0;
  // HMAC-SHA256 of data under key (32 bytes); an empty result on failure.
  virtual std::vector<std::uint8_t> HmacSha256(std::span<const std::uint8_t> key,
                                               std::span<const std::uint8_t> data) = 0;
  // An AES-256-GCM key for a 32-byte key; nullptr when it cannot be set up.
  virtual std::unique_ptr<AesGcmKey> AesGcm(std::span<const std::uint8_t> key) = 0;
};

}  // namespace platform
