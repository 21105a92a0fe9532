// Known answers that both builds are held to: HMAC-SHA256 and AES-256-GCM
// from their published test vectors, and .ks7 files made by an independent
// implementation of the format. CheckKs7Vectors runs them against a crypto
// backend (OpenSSL in the host tests, CNG under Wine), so each build reads
// what the other writes.
#pragma once

#include <gtest/gtest.h>

#include <array>

#include "engine/ks7_format.h"
#include "support/ks7_test_support.h"

namespace ks7_test {

// The backend with a one-round key derivation (whatever the header says) and,
// with fixed_id, the file id 10..1f: the format stays the same, tests fast.
class TestCrypto : public platform::CryptoService {
 public:
  explicit TestCrypto(platform::CryptoService& real, bool one_round = true, bool fixed_id = false)
      : real_(real), one_round_(one_round), fixed_id_(fixed_id) {}
  std::vector<std::uint8_t> Pbkdf2Sha256(std::string_view password, const std::vector<std::uint8_t>& salt,
                                         std::uint32_t iterations, std::size_t length) override {
    ++derivations;
    return real_.Pbkdf2Sha256(password, salt, one_round_ ? 1 : iterations, length);
  }
  std::vector<std::uint8_t> RandomBytes(std::size_t count) override {
    if (!fixed_id_) return real_.RandomBytes(count);
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
  int derivations = 0;

 private:
  platform::CryptoService& real_;
  bool one_round_;
  bool fixed_id_;
};

inline void CheckKs7Vectors(platform::CryptoService& backend) {
  namespace ks7 = engine::ks7;
  // RFC 4231, cases 1 and 2.
  EXPECT_EQ(Hex(backend.HmacSha256(Bytes(20, 0x0b), ToBytes("Hi There"))),
            "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7");
  EXPECT_EQ(Hex(backend.HmacSha256(ToBytes("Jefe"), ToBytes("what do ya want for nothing?"))),
            "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
  // The GCM specification's cases 13 and 14: key and nonce all zero.
  const auto gcm = backend.AesGcm(Bytes(32, 0));
  ASSERT_NE(gcm, nullptr);
  EXPECT_EQ(backend.AesGcm(Bytes(16, 0)), nullptr) << "AES-256 only";
  const std::array<std::uint8_t, 12> nonce{};
  for (const auto& [plain_size, sealed_hex] :
       {std::pair<std::size_t, const char*>{0, "530f8afbc74536b9a963b4f1c4cb738b"},
        {16, "cea7403d4d606b6e074ec5d3baf39d18d0d1c8a799996bf0265b98b5d48ab919"}}) {
    const Bytes plain(plain_size, 0);
    Bytes sealed(plain_size + 16);
    const auto text = std::span(sealed).first(plain_size);
    const auto tag = std::span(sealed).subspan(plain_size).first<16>();
    ASSERT_TRUE(gcm->Seal(nonce, plain, text, tag));
    EXPECT_EQ(Hex(sealed), sealed_hex);
    Bytes opened(plain_size, 1);
    EXPECT_EQ(gcm->Open(nonce, text, tag, opened), platform::AesGcmKey::Opened::kOk);
    EXPECT_EQ(opened, plain);
    tag[0] ^= 1;
    EXPECT_EQ(gcm->Open(nonce, text, tag, opened), platform::AesGcmKey::Opened::kTagMismatch);
  }

  // .ks7 files: this password, salt 00..0f, file id 10..1f, 600,000
  // iterations; the larger one by its HMAC under "ks7 vector digest".
  TestCrypto crypto(backend, false, true);
  ks7::MasterKey master;
  for (std::uint8_t i = 0; i < 16; ++i) master.salt[i] = i;
  master.key = ks7::DeriveMasterKey(crypto, "correct horse \xC3\xA9t\xC3\xA9", master.salt, ks7::kIterations);
  const std::string header =
      "4b5337460d0a1a0a01010110000927c0000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f"
      "acd6cd29de383d5ddff66913d25afbf7e0d4b46c4f63a6ccabd463925207b4b6";
  const struct {
    Bytes plaintext;
    std::string file_hex;
    std::string digest;
  } vectors[] = {
      {{}, header + "529e3e2fa6d306c7c200ea6a3ec9580b", ""},
      {ToBytes("Kestrove .ks7 vector\n"),
       header + "a799d8f9214b66344c2b02f31e7faf9c447cc1763ba8aca12246a7f9ddc76ff4f704bf5c6d", ""},
      {PatternBytes(65537), "", "5c905dabff454f4aec3cda0c96065896dd263be2d15c9ae801d66ff3fe24fb17"},
  };
  for (const auto& vector : vectors) {
    MemoryReader source(vector.plaintext);
    MemoryWriter out;
    ASSERT_EQ(ks7::Encrypt(crypto, master, source, out), ks7::Result::kSuccess);
    if (vector.digest.empty()) {
      EXPECT_EQ(Hex(out.written), vector.file_hex);
    } else {
      EXPECT_EQ(Hex(backend.HmacSha256(ToBytes("ks7 vector digest"), out.written)), vector.digest);
    }
    MemoryReader encrypted(vector.digest.empty() ? FromHex(vector.file_hex) : out.written);
    ks7::Decryptor decryptor(backend, encrypted);
    ASSERT_EQ(decryptor.Open([&](auto, std::uint32_t) { return &master.key; }), ks7::Result::kSuccess);
    MemoryWriter plain;
    EXPECT_EQ(decryptor.DecryptTo(plain), ks7::Result::kSuccess);
    EXPECT_EQ(plain.written, vector.plaintext);
  }
}

}  // namespace ks7_test
