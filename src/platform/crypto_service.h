// Cryptographic primitives the program needs: PBKDF2-HMAC-SHA256 for the
// access password, random bytes for salts. (The file-encryption component
// adds AES-256-GCM here.) CNG on Windows; OpenSSL in the host build, so both
// are held to the same test vectors.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace platform {

class CryptoService {
 public:
  virtual ~CryptoService() = default;

  // PBKDF2 with HMAC-SHA256; an empty result when the derivation failed.
  virtual std::vector<std::uint8_t> Pbkdf2Sha256(std::string_view password,
                                                 const std::vector<std::uint8_t>& salt,
                                                 std::uint32_t iterations, std::size_t length) = 0;
  // Cryptographically strong random bytes; an empty result on failure.
  virtual std::vector<std::uint8_t> RandomBytes(std::size_t count) = 0;
};

}  // namespace platform
