// The crypto service over CNG, held to the published PBKDF2-HMAC-SHA256 test
// vectors and to values the host build's OpenSSL derives for the same input,
// so a password hash written by one build verifies in the other.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "platform/win32/win32_crypto.h"

namespace {

using platform::win32::Win32Crypto;

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (const std::uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0xF];
  }
  return text;
}

std::vector<std::uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

struct Vector {
  const char* password;
  const char* salt;
  std::uint32_t iterations;
  std::size_t length;
  const char* hex;
};

TEST(CryptoTest, Pbkdf2Sha256MatchesKnownVectors) {
  const Vector vectors[] = {
      // RFC 7914, section 11.
      {"passwd", "salt", 1, 64,
       "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
       "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783"},
      {"Password", "NaCl", 80000, 64,
       "4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56"
       "a1d425a1225833549adb841b51c9b3176a272bdebba1d078478f62b397f33c8d"},
      // An empty password (a blank access password is allowed), and an
      // output that is not a whole number of hash blocks, with no salt.
      {"", "salt", 2, 32, "62384466264daadc4144018c6bd864648272b34da8980d31521ffcce92ae003b"},
      {"pw", "", 3, 20, "72508a5bfcf14df34dcfcfd2a123ace17fbca71e"},
  };
  Win32Crypto crypto;
  for (const Vector& v : vectors) {
    EXPECT_EQ(Hex(crypto.Pbkdf2Sha256(v.password, Bytes(v.salt), v.iterations, v.length)), v.hex)
        << "password \"" << v.password << "\", " << v.iterations << " iterations";
  }
}

TEST(CryptoTest, Pbkdf2Sha256TakesThePasswordAsUtf8Bytes) {
  // "пароль 密码" with salt 00..0f: the host build derives the same key.
  std::vector<std::uint8_t> salt(16);
  for (std::size_t i = 0; i < salt.size(); ++i) salt[i] = static_cast<std::uint8_t>(i);
  Win32Crypto crypto;
  EXPECT_EQ(Hex(crypto.Pbkdf2Sha256(
                "\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C \xE5\xAF\x86\xE7\xA0\x81", salt, 1000, 32)),
            "9493be43abbbbc51a074aa7ef014b6aaf65d79d4404f53d4fd7ffd5be15f1fa4");
}

TEST(CryptoTest, Pbkdf2Sha256RefusesZeroIterations) {
  Win32Crypto crypto;
  EXPECT_TRUE(crypto.Pbkdf2Sha256("passwd", Bytes("salt"), 0, 32).empty());
}

TEST(CryptoTest, RandomBytesHaveTheSizeAskedForAndDiffer) {
  Win32Crypto crypto;
  const std::vector<std::uint8_t> first = crypto.RandomBytes(32);
  const std::vector<std::uint8_t> second = crypto.RandomBytes(32);
  EXPECT_EQ(first.size(), 32U);
  EXPECT_EQ(second.size(), 32U);
  EXPECT_NE(first, second);
  EXPECT_NE(first, std::vector<std::uint8_t>(32, 0)) << "not left zero-filled";
  EXPECT_EQ(crypto.RandomBytes(1).size(), 1U);
  EXPECT_TRUE(crypto.RandomBytes(0).empty());
}

// The cost of one password check as the program stores it (100000
// iterations, 16-byte salt, 32-byte key). Printed for review, never asserted:
// timing belongs to benchmarks.
TEST(CryptoTest, PasswordHashOfStoredStrengthDerivesAKey) {
  Win32Crypto crypto;
  const std::vector<std::uint8_t> salt = crypto.RandomBytes(16);
  ASSERT_EQ(salt.size(), 16U);
  const auto start = std::chrono::steady_clock::now();
  const std::vector<std::uint8_t> key = crypto.Pbkdf2Sha256("correct horse", salt, 100000, 32);
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  EXPECT_EQ(key.size(), 32U);
  EXPECT_EQ(key, crypto.Pbkdf2Sha256("correct horse", salt, 100000, 32)) << "deterministic";
  std::printf("[ timing   ] PBKDF2-HMAC-SHA256, 100000 iterations, 32 bytes: %lld ms\n",
              static_cast<long long>(elapsed.count()));
}

}  // namespace
