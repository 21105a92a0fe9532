// The file-encryption component over the fake files, on a real worker
// thread: every way a file can fail leaves no output and the source as it
// was, with its own result; progress reaches 100 only with the file in
// place; Abort ends the run; a run derives its key once.
#include "engine/file_encryption.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/fake/fake_event_loop.h"
#include "platform/fake/fake_system.h"
#include "platform/fake/host_crypto.h"
#include "support/ks7_test_support.h"

namespace {

using engine::ks7::Result;

// OpenSSL with a one-round key derivation (the header still says 600,000),
// counting derivations.
class CountingKdf : public platform::fake::HostCrypto {
 public:
  std::vector<std::uint8_t> Pbkdf2Sha256(std::string_view password, const std::vector<std::uint8_t>& salt,
                                         std::uint32_t /*iterations*/, std::size_t length) override {
    ++derivations;
    return HostCrypto::Pbkdf2Sha256(password, salt, 1, length);
  }
  int derivations = 0;
};

class FileEncryptionTest : public ::testing::Test {
 public:
  FileEncryptionTest() {
    files.AddFolder("C:\\Docs");
    files.AddFile(kSource, kContent);
    component.on_progress = [this](std::int32_t percent) {
      progress.push_back(percent);
      // 100 % comes only once the destination is in place.
      if (percent == 100) {
        EXPECT_TRUE(files.Content(destination_).has_value());
      }
    };
    component.on_result = [this](std::int32_t code, const std::string& message) {
      results.push_back(code);
      messages.push_back(message);
    };
  }

  void Encrypt(const std::string& source, const std::string& destination,
               const std::string& password = "pw") {
    destination_ = destination;
    component.EncryptFile(source, destination, password);
  }
  void Decrypt(const std::string& source, const std::string& destination,
               const std::string& password = "pw") {
    destination_ = destination;
    component.DecryptFile(source, destination, password);
  }
  // No temporary file is left anywhere.
  [[nodiscard]] bool NoTemporaryFiles() const {
    for (const std::string& path : files.AllFiles()) {
      if (path.find("~ks") != std::string::npos) return false;
    }
    return true;
  }

  static constexpr const char* kSource = "C:\\Docs\\Report.doc";
  static constexpr const char* kEncrypted = "C:\\Docs\\Report.doc.ks7";
  // Four megabytes and a bit: 65 chunks.
  const std::string kContent = std::string(4 * 1048576 + 3, 'r');

  platform::fake::FakeEventLoop loop;
  platform::fake::FakeFiles files;
  CountingKdf crypto;
  engine::FileEncryption component{loop, files, crypto};
  std::vector<std::int32_t> progress;
  std::vector<std::int32_t> results;
  std::vector<std::string> messages;
  std::string password = "pw";
  std::string destination_;
};

TEST_F(FileEncryptionTest, EncryptsAndDecryptsKeepingTheSource) {
  component.PresetMode(4);
  component.PresetFlag(true);
  Encrypt(kSource, kEncrypted);
  ASSERT_EQ(results, std::vector<std::int32_t>{0});
  EXPECT_EQ(messages.back(), "The file was encrypted.");
  EXPECT_EQ(files.Content(kEncrypted)->size(), engine::ks7::EncryptedSize(kContent.size()));
  EXPECT_EQ(*files.Content(kSource), kContent) << "the source is kept";
  EXPECT_EQ(progress.front(), 0);
  EXPECT_EQ(progress.back(), 100);
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_EQ(std::adjacent_find(progress.begin(), progress.end()), progress.end()) << "each percent once";

  files.Delete(kSource);
  Decrypt(kEncrypted, kSource);
  EXPECT_EQ(results.back(), 0);
  EXPECT_EQ(messages.back(), "The file was decrypted.");
  EXPECT_EQ(*files.Content(kSource), kContent);
  EXPECT_TRUE(NoTemporaryFiles());
}

// Each failure: its result and message, no destination, no temporary file,
// the source untouched.
TEST_F(FileEncryptionTest, EveryFailureLeavesNoOutputAndTheSourceAsItWas) {
  component.PresetMode(4);
  Encrypt(kSource, kEncrypted);
  const std::string encrypted = *files.Content(kEncrypted);
  const struct {
    const char* name;
    bool decrypting;
    std::function<void(FileEncryptionTest&)> setup;
    Result expected;
    const char* message;
  } cases[] = {
      {"destination exists", false, [](auto& t) { t.files.AddFile("C:\\Docs\\Out.ks7", "mine"); },
       Result::kDestinationExists, "The destination file already exists."},
      {"source missing", false, [](auto& t) { t.files.Delete(kSource); }, Result::kSourceUnreadable,
       "The file cannot be read."},
      {"read fails halfway", false, [](auto& t) { t.files.fail_read_at = 2000000; },
       Result::kSourceUnreadable, "The file cannot be read."},
      {"disk full halfway", false, [](auto& t) { t.files.fail_write_at = 2500000; }, Result::kWriteFailed,
       "The destination cannot be written (disk full?)."},
      {"no temporary file", false, [](auto& t) { t.files.fail_create = true; }, Result::kWriteFailed,
       "The destination cannot be written (disk full?)."},
      {"destination appears meanwhile", false,
       [](auto& t) { t.files.before_commit = [&t](std::string_view at) { t.files.AddFile(at, "theirs"); }; },
       Result::kDestinationExists, "The destination file already exists."},
      {"aborted halfway", false,
       [](auto& t) {
         t.files.after_read = [&t](std::uint64_t read) {
           if (read >= 1048576) t.component.Abort();
         };
       },
       Result::kAborted, "Aborted by the user."},
      {"wrong password", true, [](auto& t) { t.password = "PW"; }, Result::kWrongPassword, "Wrong password."},
      {"damaged", true,
       [&](auto& t) {
         std::string damaged = encrypted;
         damaged[3000000] ^= 1;
         t.files.AddFile(kSource, damaged);
       },
       Result::kDamaged, "The encrypted file is damaged."},
      {"not a .ks7 file", true, [](auto& t) { t.files.AddFile(kSource, "plain text"); }, Result::kNotKs7,
       "The file is not an encrypted .ks7 file."},
      {"disk full while decrypting", true, [](auto& t) { t.files.fail_write_at = 100; }, Result::kWriteFailed,
       "The destination cannot be written (disk full?)."},
  };
  for (const auto& failure : cases) {
    files.fail_read_at.reset();
    files.fail_write_at.reset();
    files.fail_create = false;
    files.after_read = nullptr;
    files.before_commit = nullptr;
    files.Delete("C:\\Docs\\Out.ks7");
    files.AddFile(kSource, failure.decrypting ? encrypted : kContent);
    password = "pw";
    component.PresetMode(4);
    failure.setup(*this);
    const std::optional<std::string> source_before = files.Content(kSource);
    progress.clear();
    if (failure.decrypting) {
      Decrypt(kSource, "C:\\Docs\\Out.ks7", password);
    } else {
      Encrypt(kSource, "C:\\Docs\\Out.ks7", password);
    }
    EXPECT_EQ(results.back(), static_cast<std::int32_t>(failure.expected)) << failure.name;
    EXPECT_EQ(messages.back(), failure.message) << failure.name;
    EXPECT_EQ(files.Content(kSource), source_before) << failure.name;
    if (failure.expected != Result::kDestinationExists) {
      EXPECT_FALSE(files.Content("C:\\Docs\\Out.ks7").has_value()) << failure.name;
    } else {
      EXPECT_NE(files.Content("C:\\Docs\\Out.ks7")->substr(0, 4), "KS7F")
          << failure.name << ": never replaced";
    }
    EXPECT_TRUE(NoTemporaryFiles()) << failure.name;
    EXPECT_NE(progress.back(), 100) << failure.name;
  }
}

TEST_F(FileEncryptionTest, AbortEndsTheWholeRunUntilTheNextOne) {
  for (const char* name : {"a", "b", "c"}) files.AddFile(std::string("C:\\Docs\\") + name, kContent);
  files.after_read = [this](std::uint64_t read) {
    if (read >= 1048576) component.Abort();
  };
  component.PresetMode(4);
  for (const char* name : {"a", "b", "c"}) {
    const std::string source = std::string("C:\\Docs\\") + name;
    Encrypt(source, source + ".ks7");
  }
  EXPECT_EQ(results, (std::vector<std::int32_t>{1, 1, 1}));
  files.after_read = nullptr;
  component.PresetMode(4);
  Encrypt("C:\\Docs\\a", "C:\\Docs\\a.ks7");
  EXPECT_EQ(results.back(), 0) << "a new run starts afresh";
}

TEST_F(FileEncryptionTest, ARunDerivesItsKeyOnceEvenForAWrongPassword) {
  component.PresetMode(4);
  component.PresetFlag(true);
  for (int i = 0; i < 5; ++i) {
    const std::string source = "C:\\Docs\\f" + std::to_string(i);
    files.AddFile(source, "file " + std::to_string(i));
    Encrypt(source, source + ".ks7", "secret");
  }
  EXPECT_EQ(crypto.derivations, 1);
  EXPECT_NE(files.Content("C:\\Docs\\f0.ks7")->substr(32, 16),
            files.Content("C:\\Docs\\f1.ks7")->substr(32, 16))
      << "each file has its own id";

  component.PresetMode(4);
  for (int i = 0; i < 5; ++i) {
    const std::string source = "C:\\Docs\\f" + std::to_string(i) + ".ks7";
    Decrypt(source, "C:\\Docs\\g" + std::to_string(i), "wrong");
  }
  EXPECT_EQ(crypto.derivations, 2);
  EXPECT_EQ(std::count(results.end() - 5, results.end(), 6), 5);

  component.PresetMode(4);
  component.PresetFlag(false);
  Encrypt("C:\\Docs\\f0", "C:\\Docs\\h0.ks7", "secret");
  Encrypt("C:\\Docs\\f1", "C:\\Docs\\h1.ks7", "secret");
  EXPECT_EQ(crypto.derivations, 4) << "without the flag, each file derives its own";
}

TEST_F(FileEncryptionTest, AnotherModeIsUnsupported) {
  component.PresetMode(3);
  Encrypt(kSource, kEncrypted);
  EXPECT_EQ(results.back(), static_cast<std::int32_t>(Result::kUnsupported));
  EXPECT_FALSE(files.Content(kEncrypted).has_value());
}

}  // namespace
