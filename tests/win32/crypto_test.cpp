// The crypto service over CNG, held to the same known answers as the host
// build's OpenSSL backend (tests/config/password_test.cpp), so a password hash
// written by one build verifies in the other.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/win32_crypto.h"
#include "support/crypto_vectors.h"
#include "win32/win32_test_support.h"

namespace {

TEST(CryptoTest, Pbkdf2Sha256GivesTheKnownAnswers) {
  platform::win32::Win32Crypto crypto;
  for (const auto& v : testing_support::kPbkdf2Sha256Vectors) {
    EXPECT_EQ(testing_support::Hex(
                  crypto.Pbkdf2Sha256(v.password, testing_support::Bytes(v.salt), v.iterations, v.length)),
              v.key_hex)
        << v.iterations << " iterations of \"" << v.password << "\"";
  }
}

// Two draws differ (so neither is left zero-filled) and have the size asked for.
TEST(CryptoTest, RandomBytesHaveTheSizeAskedForAndDiffer) {
  platform::win32::Win32Crypto crypto;
  const std::vector<std::uint8_t> first = crypto.RandomBytes(32);
  EXPECT_NE(first, crypto.RandomBytes(32));
  EXPECT_EQ(win32_test::Join(first.size(), crypto.RandomBytes(1).size(), crypto.RandomBytes(0).size()),
            "32 1 0");
}

}  // namespace
