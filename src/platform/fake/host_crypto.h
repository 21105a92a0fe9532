// The crypto service of the host build, over OpenSSL's libcrypto.
#pragma once

#include "platform/crypto_service.h"

namespace platform::fake {

class HostCrypto : public CryptoService {
 public:
  std::vector<std::uint8_t> Pbkdf2Sha256(std::string_view password, const std::vector<std::uint8_t>& salt,
                                         std::uint32_t iterations, std::size_t length) override;
  std::vector<std::uint8_t> RandomBytes(std::size_t count) override;
  std::vector<std::uint8_t> HmacSha256(std::span<const std::uint8_t> key,
                                       std::span<const std::uint8_t> data) override;
  std::unique_ptr<AesGcmKey> AesGcm(std::span<const std::uint8_t> key) override;
};

}  // namespace platform::fake
