// The crypto service over CNG (bcrypt.dll).
#include "platform/win32/win32_crypto.h"

#include <windows.h>
#include <bcrypt.h>

#include <climits>

#include "platform/win32/unique_handle.h"

namespace platform::win32 {

std::vector<std::uint8_t> Win32Crypto::Pbkdf2Sha256(std::string_view password,
                                                    const std::vector<std::uint8_t>& salt,
                                                    std::uint32_t iterations, std::size_t length) {
  if (password.size() > ULONG_MAX || salt.size() > ULONG_MAX || length > ULONG_MAX || iterations == 0)
    return {};
  UniqueAlgorithm hmac;
  if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(hmac.put(), BCRYPT_SHA256_ALGORITHM, nullptr,
                                                    BCRYPT_ALG_HANDLE_HMAC_FLAG))) {
    return {};
  }
  std::vector<std::uint8_t> out(length);
  // CNG takes non-const buffers it does not write to.
  std::vector<UCHAR> secret(password.begin(), password.end());
  std::vector<UCHAR> salt_copy(salt.begin(), salt.end());
  const NTSTATUS status = ::BCryptDeriveKeyPBKDF2(
      hmac.get(), secret.empty() ? nullptr : secret.data(), static_cast<ULONG>(secret.size()),
      salt_copy.empty() ? nullptr : salt_copy.data(), static_cast<ULONG>(salt_copy.size()), iterations,
      out.data(), static_cast<ULONG>(out.size()), 0);
  if (!BCRYPT_SUCCESS(status)) return {};
  return out;
}

std::vector<std::uint8_t> Win32Crypto::RandomBytes(std::size_t count) {
  if (count > ULONG_MAX) return {};
  std::vector<std::uint8_t> out(count);
  if (count == 0) return out;
  if (!BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, out.data(), static_cast<ULONG>(count),
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
    return {};
  }
  return out;
}

}  // namespace platform::win32
