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
#include "support/ks7_vectors.h"

namespace {

using engine::ks7::Result;

constexpr const char* kSource = "C:\\Docs\\Report.doc";
constexpr const char* kOut = "C:\\Docs\\Out.ks7";

class FileEncryptionTest : public ::testing::Test {
 public:
  FileEncryptionTest() {
    files.AddFolder("C:\\Docs");
    files.AddFile(kSource, content);
    component.on_progress = [this](std::int32_t percent) {
      progress.push_back(percent);
      in_place_at_100 = percent != 100 || files.Content(destination).has_value();
    };
    component.on_result = [this](std::int32_t code, const std::string& message) {
      results.push_back(code);
      messages.push_back(message);
    };
  }
  void Run(bool decrypting, const std::string& source, const std::string& target,
           const std::string& pw = "pw") {
    destination = target;
    progress.clear();
    if (decrypting) {
      component.DecryptFile(source, target, pw);
    } else {
      component.EncryptFile(source, target, pw);
    }
  }
  [[nodiscard]] bool NoTemporaryFiles() const {
    const auto paths = files.AllFiles();
    return std::none_of(paths.begin(), paths.end(),
                        [](const std::string& p) { return p.find("~ks") != p.npos; });
  }

  // Four megabytes and a bit: 65 chunks.
  const std::string content = std::string(4 * 1048576 + 3, 'r');
  platform::fake::FakeEventLoop loop;
  platform::fake::FakeFiles files;
  platform::fake::HostCrypto host;
  ks7_test::TestCrypto crypto{host};
  engine::FileEncryption component{loop, files, crypto};
  std::vector<std::int32_t> progress;
  std::vector<std::int32_t> results;
  std::vector<std::string> messages;
  std::string destination;
  std::string password = "pw";
  bool in_place_at_100 = true;
};

TEST_F(FileEncryptionTest, EncryptsAndDecryptsKeepingTheSource) {
  component.PresetMode(4);
  component.PresetFlag(true);
  Run(false, kSource, kOut);
  EXPECT_EQ(results, std::vector<std::int32_t>{0});
  EXPECT_EQ(messages.back(), "The file was encrypted.");
  EXPECT_EQ(files.Content(kOut)->size(), engine::ks7::EncryptedSize(content.size()));
  EXPECT_EQ(files.Content(kSource), content) << "the source is kept";
  EXPECT_EQ(progress.front(), 0);
  EXPECT_EQ(progress.back(), 100);
  EXPECT_TRUE(in_place_at_100) << "100 % only once the destination is in place";
  EXPECT_TRUE(std::adjacent_find(progress.begin(), progress.end(), std::greater_equal<>()) == progress.end())
      << "each percent once, rising";

  files.Delete(kSource);
  Run(true, kOut, kSource);
  EXPECT_EQ(messages.back(), "The file was decrypted.");
  EXPECT_EQ(files.Content(kSource), content);
  EXPECT_TRUE(NoTemporaryFiles());
}

// Each failure: its result and message, no destination, no temporary file,
// the source untouched, and never 100 %.
TEST_F(FileEncryptionTest, EveryFailureLeavesNoOutputAndTheSourceAsItWas) {
  component.PresetMode(4);
  Run(false, kSource, kOut);
  const std::string encrypted = *files.Content(kOut);
  const auto abort_after_1_mib = [](FileEncryptionTest& t) {
    t.files.after_read = [&t](std::uint64_t read) {
      if (read >= 1048576) t.component.Abort();
    };
  };
  const struct {
    bool decrypting;
    std::function<void(FileEncryptionTest&)> setup;
    Result expected;
    const char* message;
  } cases[] = {
      {false, [](auto& t) { t.files.AddFile(kOut, "mine"); }, Result::kDestinationExists,
       "The destination file already exists."},
      {false, [](auto& t) { t.files.Delete(kSource); }, Result::kSourceUnreadable,
       "The file cannot be read."},
      {false, [](auto& t) { t.files.fail_read_at = 2000000; }, Result::kSourceUnreadable,
       "The file cannot be read."},
      {false, [](auto& t) { t.files.fail_write_at = 2500000; }, Result::kWriteFailed,
       "The destination cannot be written (disk full?)."},
      {false, [](auto& t) { t.files.fail_create = true; }, Result::kWriteFailed,
       "The destination cannot be written (disk full?)."},
      {false,
       [](auto& t) { t.files.before_commit = [&t](std::string_view at) { t.files.AddFile(at, "theirs"); }; },
       Result::kDestinationExists, "The destination file already exists."},
      {false, abort_after_1_mib, Result::kAborted, "Aborted by the user."},
      {true, abort_after_1_mib, Result::kAborted, "Aborted by the user."},
      {true, [](auto& t) { t.password = "PW"; }, Result::kWrongPassword, "Wrong password."},
      {true,
       [&](auto& t) {
         std::string damaged = encrypted;
         damaged[3000000] ^= 1;
         t.files.AddFile(kSource, damaged);
       },
       Result::kDamaged, "The encrypted file is damaged."},
      {true, [](auto& t) { t.files.AddFile(kSource, "plain text"); }, Result::kNotKs7,
       "The file is not an encrypted .ks7 file."},
      {true, [](auto& t) { t.files.fail_write_at = 100; }, Result::kWriteFailed,
       "The destination cannot be written (disk full?)."},
  };
  for (const auto& failure : cases) {
    files.fail_read_at.reset();
    files.fail_write_at.reset();
    files.fail_create = false;
    files.after_read = nullptr;
    files.before_commit = nullptr;
    files.Delete(kOut);
    files.AddFile(kSource, failure.decrypting ? encrypted : content);
    password = "pw";
    component.PresetMode(4);
    failure.setup(*this);
    const std::string name = std::string(failure.message) + (failure.decrypting ? " (decrypting)" : "");
    const std::optional<std::string> source_before = files.Content(kSource);
    Run(failure.decrypting, kSource, kOut, password);
    EXPECT_EQ(results.back(), static_cast<std::int32_t>(failure.expected)) << name;
    EXPECT_EQ(messages.back(), failure.message) << name;
    EXPECT_EQ(files.Content(kSource), source_before) << name;
    const std::optional<std::string> out = files.Content(kOut);
    EXPECT_TRUE(!out.has_value() ||
                (failure.expected == Result::kDestinationExists && out->rfind("KS7F", 0) != 0))
        << name << ": no output, and nothing replaced";
    EXPECT_TRUE(NoTemporaryFiles()) << name;
    EXPECT_NE(progress.back(), 100) << name;
  }
}

TEST_F(FileEncryptionTest, AbortEndsTheWholeRunUntilTheNextOne) {
  files.after_read = [this](std::uint64_t read) {
    if (read >= 1048576) component.Abort();
  };
  component.PresetMode(4);
  for (const char* name : {"a", "b", "c"}) {
    files.AddFile(std::string("C:\\Docs\\") + name, content);
    Run(false, std::string("C:\\Docs\\") + name, std::string("C:\\Docs\\") + name + ".ks7");
  }
  EXPECT_EQ(results, (std::vector<std::int32_t>{1, 1, 1}));
  files.after_read = nullptr;
  component.PresetMode(4);
  Run(false, "C:\\Docs\\a", "C:\\Docs\\a.ks7");
  EXPECT_EQ(results.back(), 0) << "a new run starts afresh";
}

TEST_F(FileEncryptionTest, ARunDerivesItsKeyOnceEvenForAWrongPassword) {
  component.PresetMode(4);
  component.PresetFlag(true);
  for (int i = 0; i < 5; ++i) {
    files.AddFile("C:\\Docs\\f" + std::to_string(i), "file " + std::to_string(i));
    Run(false, "C:\\Docs\\f" + std::to_string(i), "C:\\Docs\\f" + std::to_string(i) + ".ks7", "secret");
  }
  EXPECT_EQ(crypto.derivations, 1);
  EXPECT_NE(files.Content("C:\\Docs\\f0.ks7")->substr(32, 16),
            files.Content("C:\\Docs\\f1.ks7")->substr(32, 16))
      << "each file has its own id";
  component.PresetMode(4);
  for (int i = 0; i < 5; ++i) Run(true, "C:\\Docs\\f" + std::to_string(i) + ".ks7", "C:\\Docs\\g", "wrong");
  EXPECT_EQ(crypto.derivations, 2);
  EXPECT_EQ(std::count(results.end() - 5, results.end(), 6), 5);
  // Without the flag each file derives its own; another mode is refused.
  component.PresetMode(4);
  component.PresetFlag(false);
  Run(false, "C:\\Docs\\f0", "C:\\Docs\\h0.ks7", "secret");
  Run(false, "C:\\Docs\\f1", "C:\\Docs\\h1.ks7", "secret");
  EXPECT_EQ(crypto.derivations, 4);
  component.PresetMode(3);
  Run(false, kSource, kOut);
  EXPECT_EQ(results.back(), static_cast<std::int32_t>(Result::kUnsupported));
}

}  // namespace
