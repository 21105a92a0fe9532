// The access password at rest: the hashed form, old plain-text values, the
// default password, and a checked PBKDF2 test vector for the host backend.
#include "config/password.h"

#include <gtest/gtest.h>

#include "platform/fake/host_crypto.h"

namespace {

class PasswordTest : public ::testing::Test {
 protected:
  platform::fake::HostCrypto crypto;
};

TEST_F(PasswordTest, Pbkdf2MatchesThePublishedVector) {
  // RFC 7914, section 11: PBKDF2-HMAC-SHA256("passwd", "salt", 1, 64), first 16 bytes.
  const auto out = crypto.Pbkdf2Sha256("passwd", {'s', 'a', 'l', 't'}, 1, 64);
  ASSERT_EQ(out.size(), 64U);
  const std::vector<std::uint8_t> head(out.begin(), out.begin() + 8);
  EXPECT_EQ(head, (std::vector<std::uint8_t>{0x55, 0xac, 0x04, 0x6e, 0x56, 0xe3, 0x08, 0x9f}));
}

TEST_F(PasswordTest, HashedFormIsLowerCaseSaltedAndChecksInAnyLetterCase) {
  const std::string stored = config::HashPassword(crypto, "S3cret");
  ASSERT_TRUE(config::IsHashedPassword(stored));
  EXPECT_EQ(stored, config::LowerCase(stored)) << "the loader's lower-casing must leave it intact";
  EXPECT_EQ(stored.find("s3cret"), std::string::npos) << "never stored as plain text";
  EXPECT_NE(stored, config::HashPassword(crypto, "S3cret")) << "salted";
  EXPECT_TRUE(config::PasswordMatches(crypto, stored, "s3cret"));
  EXPECT_TRUE(config::PasswordMatches(crypto, stored, "S3CRET"));
  EXPECT_FALSE(config::PasswordMatches(crypto, stored, "s3cre"));
  EXPECT_FALSE(config::PasswordMatches(crypto, stored, ""));
}

TEST_F(PasswordTest, PlainTextFromOlderConfigurationsStillWorks) {
  EXPECT_FALSE(config::IsHashedPassword("letmein"));
  EXPECT_TRUE(config::PasswordMatches(crypto, "letmein", "LetMeIn"));
  EXPECT_FALSE(config::PasswordMatches(crypto, "letmein", "letmein "));
  EXPECT_FALSE(config::PasswordMatches(crypto, "", ""));
  // Texts that only look like the hashed form are plain passwords.
  for (const char* odd : {"pbkdf2-sha256$0$00$00", "pbkdf2-sha256$100$zz$00", "pbkdf2-sha256$100$00",
                          "pbkdf2-sha256$99999999999$00$00"}) {
    EXPECT_FALSE(config::IsHashedPassword(odd)) << odd;
    EXPECT_TRUE(config::PasswordMatches(crypto, odd, odd)) << odd;
  }
}

TEST_F(PasswordTest, DefaultPasswordPlainOrHashed) {
  EXPECT_TRUE(config::IsDefaultPassword(crypto, "tavrolk"));
  EXPECT_TRUE(config::IsDefaultPassword(crypto, config::HashPassword(crypto, "TAVROLK")));
  EXPECT_FALSE(config::IsDefaultPassword(crypto, config::HashPassword(crypto, "other")));
  EXPECT_FALSE(config::IsDefaultPassword(crypto, "tavrolk2"));
}

}  // namespace
