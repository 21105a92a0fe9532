// The crypto service of the host build, over OpenSSL's libcrypto.
#include "platform/fake/host_crypto.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <climits>

namespace platform::fake {

std::vector<std::uint8_t> HostCrypto::Pbkdf2Sha256(std::string_view password,
                                                   const std::vector<std::uint8_t>& salt,
                                                   std::uint32_t iterations, std::size_t length) {
  if (password.size() > INT_MAX || salt.size() > INT_MAX || length > INT_MAX || iterations == 0 ||
      iterations > INT_MAX) {
    return {};
  }
  std::vector<std::uint8_t> out(length);
  if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(),
                        static_cast<int>(salt.size()), static_cast<int>(iterations), EVP_sha256(),
                        static_cast<int>(length), out.data()) != 1) {
    return {};
  }
  return out;
}

std::vector<std::uint8_t> HostCrypto::RandomBytes(std::size_t count) {
  std::vector<std::uint8_t> out(count);
  if (count > INT_MAX || RAND_bytes(out.data(), static_cast<int>(count)) != 1) return {};
  return out;
}

}  // namespace platform::fake
