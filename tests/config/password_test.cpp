// The access password at rest: the hashed form, old plain-text values, the
// default password, and both builds' PBKDF2 against the known answers.
#include "config/password.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_services.h"
#include "platform/pbkdf2.h"
#include "support/crypto_vectors.h"
#include "support/program_fixture.h"

namespace {

class PasswordTest : public ::testing::Test {
 protected:
  platform::fake::FakeCrypto crypto;  // cheap derivations
  platform::fake::FakeText text;
};

// The same known answers the Windows build's CNG backend is held to.
TEST_F(PasswordTest, Pbkdf2Sha256GivesTheKnownAnswers) {
  platform::fake::HostCrypto real;
  for (const auto& v : testing_support::kPbkdf2Sha256Vectors) {
    EXPECT_EQ(testing_support::Hex(
                  real.Pbkdf2Sha256(v.password, testing_support::Bytes(v.salt), v.iterations, v.length)),
              v.key_hex)
        << v.iterations << " iterations of \"" << v.password << "\"";
  }
}

// The Windows build's own derivation: the known answers, and OpenSSL's
// answers at the sizes where SHA-256's padding and the derived key's blocks
// turn over (a key longer than a block is hashed first).
TEST_F(PasswordTest, OwnPbkdf2Sha256AgreesWithTheKnownAnswersAndOpenSsl) {
  using testing_support::Hex;
  for (const auto& v : testing_support::kPbkdf2Sha256Vectors) {
    EXPECT_EQ(
        Hex(platform::Pbkdf2HmacSha256(v.password, testing_support::Bytes(v.salt), v.iterations, v.length)),
        v.key_hex)
        << v.iterations << " iterations of \"" << v.password << "\"";
  }
  platform::fake::HostCrypto openssl;
  const std::string text(200, 'k');
  for (const std::size_t password_size : {0, 1, 55, 63, 64, 65, 200}) {
    for (const std::size_t salt_size : {0, 16, 51, 52, 59, 60, 64, 123, 124}) {
      std::vector<std::uint8_t> salt(salt_size);
      for (std::size_t i = 0; i < salt_size; ++i) salt[i] = static_cast<std::uint8_t>(i * 7 + 1);
      const std::string_view password(text.data(), password_size);
      for (const std::uint32_t iterations : {1U, 2U, 5U}) {
        for (const std::size_t length : {1, 32, 33, 97}) {
          ASSERT_EQ(Hex(platform::Pbkdf2HmacSha256(password, salt, iterations, length)),
                    Hex(openssl.Pbkdf2Sha256(password, salt, iterations, length)))
              << password_size << "-byte password, " << salt_size << "-byte salt, " << iterations
              << " iterations, " << length << " bytes";
        }
      }
    }
  }
  EXPECT_TRUE(platform::Pbkdf2HmacSha256("pw", {}, 1, 0).empty());
}

TEST_F(PasswordTest, HashedFormIsLowerCaseSaltedAndChecksInAnyLetterCase) {
  const std::string stored = config::HashPassword(crypto, text, "S3cret");
  ASSERT_TRUE(config::IsHashedPassword(stored));
  EXPECT_EQ(stored, text.LowerCase(stored)) << "the loader's lower-casing must leave it intact";
  EXPECT_EQ(stored.find("s3cret"), std::string::npos) << "never stored as plain text";
  EXPECT_NE(stored, config::HashPassword(crypto, text, "S3cret")) << "salted";
  EXPECT_TRUE(config::PasswordMatches(crypto, text, stored, "s3cret"));
  EXPECT_TRUE(config::PasswordMatches(crypto, text, stored, "S3CRET"));
  EXPECT_FALSE(config::PasswordMatches(crypto, text, stored, "s3cre"));
  EXPECT_FALSE(config::PasswordMatches(crypto, text, stored, ""));
}

TEST_F(PasswordTest, PlainTextFromOlderConfigurationsStillWorks) {
  EXPECT_FALSE(config::IsHashedPassword("letmein"));
  EXPECT_TRUE(config::PasswordMatches(crypto, text, "letmein", "LetMeIn"));
  EXPECT_FALSE(config::PasswordMatches(crypto, text, "letmein", "letmein "));
  EXPECT_FALSE(config::PasswordMatches(crypto, text, "", ""));
  // Texts that only look like the hashed form are plain passwords.
  for (const char* odd : {"pbkdf2-sha256$0$00$00", "pbkdf2-sha256$100$zz$00", "pbkdf2-sha256$100$00",
                          "pbkdf2-sha256$99999999999$00$00"}) {
    EXPECT_FALSE(config::IsHashedPassword(odd)) << odd;
    EXPECT_TRUE(config::PasswordMatches(crypto, text, odd, odd)) << odd;
  }
}

// Letters beyond A to Z fold too: a password typed in another case opens the
// lock, plain or hashed.
TEST_F(PasswordTest, EveryLetterComparesInLowerCase) {
  for (const auto& [set, typed] : std::vector<std::pair<std::string, std::string>>{
           {"ÄPFEL", "äpfel"}, {"ΣΟΦΊΑ", "σοφία"}, {"ПАРОЛЬ", "пароль"}, {"Łódź", "ŁÓDŹ"}}) {
    EXPECT_TRUE(config::PasswordMatches(crypto, text, config::HashPassword(crypto, text, set), typed)) << set;
    EXPECT_TRUE(config::PasswordMatches(crypto, text, text.LowerCase(set), typed)) << set;
  }
  EXPECT_FALSE(config::PasswordMatches(crypto, text, config::HashPassword(crypto, text, "äpfel"), "apfel"));
}

// A hash stored when only A to Z were folded still opens with the password
// typed as it was set.
TEST_F(PasswordTest, HashesFromBeforeFullFoldingStillOpen) {
  testing_support::AsciiOnlyText old_folding;
  const std::string stored = config::HashPassword(crypto, old_folding, "ÄPFEL");  // hash of "Äpfel"
  EXPECT_TRUE(config::PasswordMatches(crypto, text, stored, "ÄPFEL"));
  EXPECT_FALSE(config::PasswordMatches(crypto, text, stored, "äpfel"));
}

// New hashes carry the stored count of iterations; a hash of the oldest
// count still opens.
TEST_F(PasswordTest, NewHashesCostMoreAndOlderCheaperOnesStillOpen) {
  const std::string stored = config::HashPassword(crypto, text, "s3cret");
  EXPECT_GE(std::stoul(stored.substr(stored.find('$') + 1)), 600000U);
  platform::fake::HostCrypto real;
  const std::vector<std::uint8_t> salt(16, 7);
  const std::string old = "pbkdf2-sha256$40000$" + testing_support::Hex(salt) + "$" +
                          testing_support::Hex(real.Pbkdf2Sha256("s3cret", salt, 40000, 32));
  EXPECT_TRUE(config::PasswordMatches(real, text, old, "S3cret"));
  EXPECT_FALSE(config::PasswordMatches(real, text, old, "s3cre"));
}

// A good hash with nothing changed but its iteration count: a count outside
// the accepted range makes it no hash at all (a plain-text password).
TEST_F(PasswordTest, AHashWithAnIterationCountOutOfRangeIsRefused) {
  const std::string good = config::HashPassword(crypto, text, "s3cret");
  const std::size_t from = good.find('$') + 1;
  const std::size_t to = good.find('$', from);
  const auto with_count = [&](std::uint64_t count) {
    return good.substr(0, from) + std::to_string(count) + good.substr(to);
  };
  for (const std::uint64_t count : {config::kMinPasswordIterations, config::kMaxPasswordIterations})
    EXPECT_TRUE(config::IsHashedPassword(with_count(count))) << count;
  for (const std::uint64_t count : {0ULL, 1ULL, config::kMinPasswordIterations - 1ULL,
                                    config::kMaxPasswordIterations + 1ULL, 4294967296ULL + 600000ULL}) {
    EXPECT_FALSE(config::IsHashedPassword(with_count(count))) << count;
    EXPECT_FALSE(config::PasswordMatches(crypto, text, with_count(count), "s3cret")) << count;
  }
}

}  // namespace
