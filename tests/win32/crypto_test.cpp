// The crypto service over CNG, held to the same known answers as the host
// build's OpenSSL backend (tests/config/password_test.cpp), so a password hash
// written by one build verifies in the other.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/win32_crypto.h"
#include "support/crypto_vectors.h"

namespace {

using testing_support::Hex;

TEST(CryptoTest, Pbkdf2Sha256GivesTheKnownAnswers) {
  platform::win32::Win32Crypto crypto;
  for (const auto& v : testing_support::kPbkdf2Sha256Vectors) {
    EXPECT_EQ(Hex(crypto.Pbkdf2Sha256(v.password, testing_support::Bytes(v.salt), v.iterations, v.length)),
              v.key_hex)
        << v.iterations << " iterations of \"" << v.password << "\"";
  }
}

TEST(CryptoTest, RandomBytesHaveTheSizeAskedForAndDiffer) {
  platform::win32::Win32Crypto crypto;
  const std::vector<std::uint8_t> first = crypto.RandomBytes(32);
  EXPECT_EQ(first.size(), 32U);
  EXPECT_NE(first, crypto.RandomBytes(32));
  EXPECT_NE(first, std::vector<std::uint8_t>(32, 0)) << "not left zero-filled";
  EXPECT_EQ(crypto.RandomBytes(1).size(), 1U);
  EXPECT_TRUE(crypto.RandomBytes(0).empty());
}

}  // namespace
