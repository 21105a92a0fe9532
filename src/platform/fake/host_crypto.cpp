// The crypto service of the host build, over OpenSSL's libcrypto.
#include "platform/fake/host_crypto.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <algorithm>
#include <climits>
#include <memory>

namespace platform::fake {
namespace {

struct CipherContextFree {
  void operator()(EVP_CIPHER_CTX* context) const noexcept { EVP_CIPHER_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

// One context per key and direction: the key schedule is set up once, and
// each message only sets its nonce.
class OpenSslAesGcmKey : public AesGcmKey {
 public:
  static std::unique_ptr<AesGcmKey> Create(std::span<const std::uint8_t> key) {
    if (key.size() != 32) return nullptr;
    auto made = std::unique_ptr<OpenSslAesGcmKey>(new OpenSslAesGcmKey);
    if (!made->seal_ || !made->open_ ||
        EVP_EncryptInit_ex(made->seal_.get(), EVP_aes_256_gcm(), nullptr, key.data(), nullptr) != 1 ||
        EVP_DecryptInit_ex(made->open_.get(), EVP_aes_256_gcm(), nullptr, key.data(), nullptr) != 1) {
      return nullptr;
    }
    return made;
  }

  bool Seal(std::span<const std::uint8_t, kNonceSize> nonce, std::span<const std::uint8_t> plaintext,
            std::span<std::uint8_t> out, std::span<std::uint8_t, kTagSize> tag) override {
    if (out.size() != plaintext.size() || plaintext.size() > INT_MAX) return false;
    EVP_CIPHER_CTX* context = seal_.get();
    int written = 0;
    int final_written = 0;
    return EVP_EncryptInit_ex(context, nullptr, nullptr, nullptr, nonce.data()) == 1 &&
           (plaintext.empty() || EVP_EncryptUpdate(context, out.data(), &written, plaintext.data(),
                                                   static_cast<int>(plaintext.size())) == 1) &&
           EVP_EncryptFinal_ex(context, out.data() + written, &final_written) == 1 &&
           EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_GCM_GET_TAG, static_cast<int>(kTagSize), tag.data()) == 1;
  }

  Opened Open(std::span<const std::uint8_t, kNonceSize> nonce, std::span<const std::uint8_t> ciphertext,
              std::span<const std::uint8_t, kTagSize> tag, std::span<std::uint8_t> out) override {
    if (out.size() != ciphertext.size() || ciphertext.size() > INT_MAX) return Opened::kFailed;
    EVP_CIPHER_CTX* context = open_.get();
    int written = 0;
    int final_written = 0;
    // OpenSSL takes the expected tag through a non-const pointer it only reads.
    std::uint8_t expected[kTagSize];
    std::copy(tag.begin(), tag.end(), expected);
    if (EVP_DecryptInit_ex(context, nullptr, nullptr, nullptr, nonce.data()) != 1 ||
        (!ciphertext.empty() && EVP_DecryptUpdate(context, out.data(), &written, ciphertext.data(),
                                                  static_cast<int>(ciphertext.size())) != 1) ||
        EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_GCM_SET_TAG, static_cast<int>(kTagSize), expected) != 1) {
      std::fill(out.begin(), out.end(), std::uint8_t{0});
      return Opened::kFailed;
    }
    if (EVP_DecryptFinal_ex(context, out.data() + written, &final_written) != 1) {
      // The bytes decrypted so far must not be used: the tag did not verify.
      std::fill(out.begin(), out.end(), std::uint8_t{0});
      return Opened::kTagMismatch;
    }
    return Opened::kOk;
  }

 private:
  OpenSslAesGcmKey() : seal_(EVP_CIPHER_CTX_new()), open_(EVP_CIPHER_CTX_new()) {}
  CipherContext seal_;
  CipherContext open_;
};

}  // namespace

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

std::vector<std::uint8_t> HostCrypto::HmacSha256(std::span<const std::uint8_t> key,
                                                 std::span<const std::uint8_t> data) {
  if (key.size() > INT_MAX) return {};
  std::vector<std::uint8_t> out(32);
  unsigned int length = 0;
  // A zero-length key still needs a valid pointer.
  static constexpr std::uint8_t kNoKey = 0;
  if (HMAC(EVP_sha256(), key.empty() ? &kNoKey : key.data(), static_cast<int>(key.size()), data.data(),
           data.size(), out.data(), &length) == nullptr ||
      length != out.size()) {
    return {};
  }
  return out;
}

std::unique_ptr<AesGcmKey> HostCrypto::AesGcm(std::span<const std::uint8_t> key) {
  return OpenSslAesGcmKey::Create(key);
}

}  // namespace platform::fake
