// The known answer both builds are held to (a .ks7 file made by an
// independent implementation of the format), and helpers of the .ks7 tests.
#pragma once

#include <gtest/gtest.h>

#include "engine/ks7_format.h"
#include "support/ks7_test_support.h"

namespace ks7_test {

namespace ks7 = engine::ks7;

// A backend whose key derivation is one round, whatever the header says.
template <typename Backend>
struct OneRound : Backend {
  std::vector<std::uint8_t> Pbkdf2Sha256(std::string_view password, const std::vector<std::uint8_t>& salt,
                                         std::uint32_t /*iterations*/, std::size_t length) override {
    ++derivations;
    return Backend::Pbkdf2Sha256(password, salt, 1, length);
  }
  int derivations = 0;
};

// Opens a file with the password and decrypts it: the result and the plaintext
// written. `claimed`: the size the source reports, when not its length.
inline std::pair<ks7::Result, Bytes> Decrypted(platform::CryptoService& crypto, const Bytes& file,
                                               std::string_view password,
                                               std::optional<std::uint64_t> claimed = std::nullopt) {
  MemoryReader source(file, claimed, 4097);
  ks7::Decryptor decryptor(crypto, source);
  ks7::Secret key;
  MemoryWriter out;
  const ks7::Result opened = decryptor.Open([&](auto salt, std::uint32_t iterations) {
    return &(key = ks7::DeriveMasterKey(crypto, password, salt, iterations));
  });
  return {opened == ks7::Result::kSuccess ? decryptor.DecryptTo(out) : opened, out.written};
}

// 21 bytes under this password, salt 00..0f, file id 10..1f, 600,000
// iterations; read with a backend as made, then with a tag that does not verify.
inline void CheckKs7Vectors(platform::CryptoService& backend) {
  const std::string hex =
      "4b5337460d0a1a0a01010110000927c0000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f"
      "acd6cd29de383d5ddff66913d25afbf7e0d4b46c4f63a6ccabd463925207b4b6"
      "a799d8f9214b66344c2b02f31e7faf9c447cc1763ba8aca12246a7f9ddc76ff4f704bf5c6d";
  Bytes file;
  for (std::size_t i = 0; i < hex.size(); i += 2)
    file.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  for (const bool altered : {false, true}) {
    file.back() ^= altered ? 1 : 0;
    EXPECT_EQ(Decrypted(backend, file, "correct horse \xC3\xA9t\xC3\xA9"),
              altered ? std::pair(ks7::Result::kDamaged, Bytes())
                      : std::pair(ks7::Result::kSuccess, ToBytes("Kestrove .ks7 vector\n")));
  }
}

}  // namespace ks7_test
