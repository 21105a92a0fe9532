// The file-encryption component over the fake files, on a real worker thread:
// a run of files, and every way a file fails leaving no output behind.
#include "engine/file_encryption.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_services.h"
#include "support/ks7_vectors.h"

namespace {

using engine::ks7::Result;
constexpr const char* kSource = "C:\\Docs\\Report.doc";
constexpr const char* kOut = "C:\\Docs\\Out.ks7";

// The component over fake files holding kSource (1.5 MiB and 3 bytes).
struct Bench {
  Bench() {
    files.AddFolder("C:\\Docs");
    files.AddFile(kSource, content);
    component.on_progress = [this](std::int32_t percent) { progress.push_back(percent); };
    component.on_result = [this](std::int32_t code, const std::string&) { results.push_back(code); };
  }
  void Run(bool decrypting, const std::string& from, const std::string& to, const char* password = "pw") {
    progress.clear();
    if (decrypting) return component.DecryptFile(from, to, password);
    component.EncryptFile(from, to, password);
  }
  const std::string content = std::string(1572864 + 3, 'r');
  platform::fake::FakeEventLoop loop;
  platform::fake::FakeFiles files;
  ks7_test::OneRound<platform::fake::HostCrypto> crypto;
  engine::FileEncryption component{loop, files, crypto};
  std::vector<std::int32_t> progress, results;
};

// A run: progress rises to 99 with the last chunk, to 100 once the file is
// in place; one key derivation, even for a wrong password; an Abort ends the
// run until the next one starts. Then each failure: its result, no output
// (nor anything replaced), no temporary file, the source untouched, no 100 %.
TEST(FileEncryptionTest, ARunAndEveryWayAFileFails) {
  Bench run;
  const auto rose_to_100 = [&run] {
    const std::vector<std::int32_t>& p = run.progress;
    return p.size() > 2 && p[0] == 0 && p.end()[-2] == 99 && p.back() == 100 &&
           std::adjacent_find(p.begin(), p.end(), std::greater_equal<>()) == p.end();
  };
  for (const char* to : {kOut, "C:\\Docs\\2.ks7"}) run.Run(false, kSource, to);
  EXPECT_TRUE(rose_to_100()) << testing::PrintToString(run.progress);
  run.component.PresetMode(4);
  run.Run(true, kOut, "C:\\Docs\\Back.doc");
  EXPECT_TRUE(rose_to_100()) << testing::PrintToString(run.progress);
  for (const char* from : {kOut, "C:\\Docs\\2.ks7"}) run.Run(true, from, "C:\\Docs\\x", "wrong");
  EXPECT_EQ(run.crypto.derivations, 3);
  run.component.Abort();
  for (int file = 0; file < 2; ++file) run.Run(false, kSource, "C:\\Docs\\3.ks7");
  run.component.PresetMode(4);
  run.Run(false, kSource, "C:\\Docs\\3.ks7");
  EXPECT_EQ(run.results, (std::vector{0, 0, 0, 6, 6, 1, 1, 0}));
  EXPECT_EQ(run.files.Content(kSource), run.content);
  EXPECT_EQ(run.files.Content("C:\\Docs\\Back.doc"), run.content);

  const std::string encrypted = *run.files.Content(kOut);
  std::string damaged = encrypted;
  damaged.back() ^= 1;  // in the last chunk: the ones before it decrypt
  const auto abort_after_1_mib = [](Bench& t) {
    t.files.after_read = [&t](std::uint64_t read) {
      if (read >= 1048576) t.component.Abort();
    };
  };
  const std::tuple<bool, std::function<void(Bench&)>, const char*, Result> cases[] = {
      {false, [](Bench& t) { t.files.AddFile(kOut, "mine"); }, "pw", Result::kDestinationExists},
      {false, [](Bench& t) { t.files.fail_read_at = 1048576; }, "pw", Result::kSourceUnreadable},
      {false, [](Bench& t) { t.files.fail_write_at = 1200000; }, "pw", Result::kWriteFailed},
      {false, abort_after_1_mib, "pw", Result::kAborted},
      {true, abort_after_1_mib, "pw", Result::kAborted},
      {true, [](Bench&) {}, "PW", Result::kWrongPassword},
      {true, [&](Bench& t) { t.files.AddFile(kSource, damaged); }, "pw", Result::kDamaged},
  };
  for (const auto& [decrypting, setup, password, expected] : cases) {
    SCOPED_TRACE(static_cast<int>(expected));
    Bench t;
    if (decrypting) t.files.AddFile(kSource, encrypted);
    setup(t);
    const std::optional<std::string> source = t.files.Content(kSource);
    t.Run(decrypting, kSource, kOut, password);
    EXPECT_EQ(t.results, (std::vector{static_cast<std::int32_t>(expected)}));
    EXPECT_EQ(t.files.Content(kSource), source);
    const std::optional<std::string> out = t.files.Content(kOut);
    EXPECT_TRUE(!out || (expected == Result::kDestinationExists && !out->starts_with("KS7F")));
    EXPECT_EQ(t.files.AllFiles().size(), out ? 2U : 1U) << "no temporary file";
    EXPECT_NE(t.progress.back(), 100);
  }
}

// Another password within a run derives afresh: no key of the last
// password is used for it, to encrypt or to decrypt.
TEST(FileEncryptionTest, AnotherPasswordWithinARunUsesNoKeyOfTheLast) {
  Bench run;
  run.Run(false, kSource, kOut, "pw");
  run.Run(false, kSource, "C:\\Docs\\2.ks7", "other");
  run.Run(true, kOut, "C:\\Docs\\1.doc", "pw");
  run.Run(true, "C:\\Docs\\2.ks7", "C:\\Docs\\2.doc", "pw");
  run.component.PresetMode(4);
  run.Run(true, "C:\\Docs\\2.ks7", "C:\\Docs\\3.doc", "other");
  EXPECT_EQ(run.results, (std::vector{0, 0, 0, 6, 0}));
}

}  // namespace
