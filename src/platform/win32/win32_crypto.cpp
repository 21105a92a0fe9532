// The crypto service over CNG (bcrypt.dll).
#include "platform/win32/win32_crypto.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <climits>

#include "platform/pbkdf2.h"
#include "platform/win32/unique_handle.h"

namespace platform::win32 {
namespace {

// The tag did not verify (ntstatus.h clashes with windows.h's own codes).
constexpr NTSTATUS kStatusAuthTagMismatch = static_cast<NTSTATUS>(0xC000A002L);

// CNG takes non-const buffers it does not write to.
PUCHAR Writable(const std::uint8_t* bytes) {
  return const_cast<PUCHAR>(bytes);
}

// One CNG key object per file key; each chunk passes its own nonce and tag.
class CngAesGcmKey : public AesGcmKey {
 public:
  static std::unique_ptr<AesGcmKey> Create(std::span<const std::uint8_t> key) {
    if (key.size() != 32) return nullptr;
    auto made = std::unique_ptr<CngAesGcmKey>(new CngAesGcmKey);
    if (!BCRYPT_SUCCESS(
            ::BCryptOpenAlgorithmProvider(made->algorithm_.put(), BCRYPT_AES_ALGORITHM, nullptr, 0)) ||
        !BCRYPT_SUCCESS(
            ::BCryptSetProperty(made->algorithm_.get(), BCRYPT_CHAINING_MODE,
                                reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_GCM)),
                                sizeof(BCRYPT_CHAIN_MODE_GCM), 0)) ||
        !BCRYPT_SUCCESS(::BCryptGenerateSymmetricKey(made->algorithm_.get(), made->key_.put(), nullptr, 0,
                                                     Writable(key.data()), static_cast<ULONG>(key.size()),
                                                     0))) {
      return nullptr;
    }
    return made;
  }

  bool Seal(std::span<const std::uint8_t, kNonceSize> nonce, std::span<const std::uint8_t> plaintext,
            std::span<std::uint8_t> out, std::span<std::uint8_t, kTagSize> tag) override {
    if (out.size() != plaintext.size() || plaintext.size() > ULONG_MAX) return false;
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
    BCRYPT_INIT_AUTH_MODE_INFO(info);
    info.pbNonce = Writable(nonce.data());
    info.cbNonce = static_cast<ULONG>(nonce.size());
    info.pbTag = tag.data();
    info.cbTag = static_cast<ULONG>(tag.size());
    ULONG written = 0;
    // An empty message still needs buffers to point somewhere.
    std::uint8_t none = 0;
    const NTSTATUS status =
        ::BCryptEncrypt(key_.get(), plaintext.empty() ? &none : Writable(plaintext.data()),
                        static_cast<ULONG>(plaintext.size()), &info, nullptr, 0,
                        out.empty() ? &none : out.data(), static_cast<ULONG>(out.size()), &written, 0);
    return BCRYPT_SUCCESS(status) && written == out.size();
  }

  Opened Open(std::span<const std::uint8_t, kNonceSize> nonce, std::span<const std::uint8_t> ciphertext,
              std::span<const std::uint8_t, kTagSize> tag, std::span<std::uint8_t> out) override {
    if (out.size() != ciphertext.size() || ciphertext.size() > ULONG_MAX) return Opened::kFailed;
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
    BCRYPT_INIT_AUTH_MODE_INFO(info);
    info.pbNonce = Writable(nonce.data());
    info.cbNonce = static_cast<ULONG>(nonce.size());
    info.pbTag = Writable(tag.data());
    info.cbTag = static_cast<ULONG>(tag.size());
    ULONG written = 0;
    std::uint8_t none = 0;
    const NTSTATUS status =
        ::BCryptDecrypt(key_.get(), ciphertext.empty() ? &none : Writable(ciphertext.data()),
                        static_cast<ULONG>(ciphertext.size()), &info, nullptr, 0,
                        out.empty() ? &none : out.data(), static_cast<ULONG>(out.size()), &written, 0);
    if (BCRYPT_SUCCESS(status) && written == out.size()) return Opened::kOk;
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    return status == kStatusAuthTagMismatch ? Opened::kTagMismatch : Opened::kFailed;
  }

 private:
  CngAesGcmKey() = default;
  // The key object uses the provider: it goes first.
  UniqueAlgorithm algorithm_;
  UniqueCryptKey key_;
};

}  // namespace

// The program's own derivation: CNG's (Wine's above all) sets up the HMAC
// key again at every one of the 600,000 iterations of a password check.
std::vector<std::uint8_t> Win32Crypto::Pbkdf2Sha256(std::string_view password,
                                                    const std::vector<std::uint8_t>& salt,
                                                    std::uint32_t iterations, std::size_t length) {
  return Pbkdf2HmacSha256(password, salt, iterations, length);
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

namespace platform::win32 {

std::vector<std::uint8_t> Win32Crypto::HmacSha256(std::span<const std::uint8_t> key,
                                                  std::span<const std::uint8_t> data) {
  if (key.size() > ULONG_MAX || data.size() > ULONG_MAX) return {};
  UniqueAlgorithm hmac;
  UniqueHash hash;
  std::uint8_t none = 0;
  std::vector<std::uint8_t> out(32);
  if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(hmac.put(), BCRYPT_SHA256_ALGORITHM, nullptr,
                                                    BCRYPT_ALG_HANDLE_HMAC_FLAG)) ||
      !BCRYPT_SUCCESS(::BCryptCreateHash(hmac.get(), hash.put(), nullptr, 0,
                                         key.empty() ? &none : Writable(key.data()),
                                         static_cast<ULONG>(key.size()), 0)) ||
      (!data.empty() && !BCRYPT_SUCCESS(::BCryptHashData(hash.get(), Writable(data.data()),
                                                         static_cast<ULONG>(data.size()), 0))) ||
      !BCRYPT_SUCCESS(::BCryptFinishHash(hash.get(), out.data(), static_cast<ULONG>(out.size()), 0))) {
    return {};
  }
  return out;
}

std::unique_ptr<AesGcmKey> Win32Crypto::AesGcm(std::span<const std::uint8_t> key) {
  return CngAesGcmKey::Create(key);
}

}  // namespace platform::win32
