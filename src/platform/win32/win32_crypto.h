// The crypto service over CNG (bcrypt.dll).
#pragma once

#include "platform/crypto_service.h"

namespace platform::win32 {

class Win32Crypto : public CryptoService {
 public:
  std::vector<std::uint8_t> Pbkdf2Sha256(std::string_view password, const std::vector<std::uint8_t>& salt,
                                         std::uint32_t iterations, std::size_t length) override;
  std::vector<std::uint8_t> RandomBytes(std::size_t count) override;
  std::vector<std::uint8_t> HmacSha256(std::span<const std::uint8_t> key,
                                       std::span<const std::uint8_t> data) override;
  std::unique_ptr<AesGcmKey> AesGcm(std::span<const std::uint8_t> key) override;
};

}  // namespace platform::win32
