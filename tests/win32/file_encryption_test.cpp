// Encryption on the real system: CNG held to the known answers of the host
// build's OpenSSL (tests/config/password_test.cpp, tests/engine/ks7_format_
// test.cpp), so what one build writes opens in the other; the component
// encrypting a real file on a worker thread. (File streams: system_test.cpp.)
#include <windows.h>

// windows.h names two of its functions EncryptFile and DecryptFile through
// macros; the component's operations keep their own names.
#undef EncryptFile
#undef DecryptFile

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/file_encryption.h"
#include "platform/win32/win32_crypto.h"
#include "platform/win32/win32_event_loop.h"
#include "platform/win32/win32_system.h"
#include "support/crypto_vectors.h"
#include "support/ks7_vectors.h"
#include "win32/win32_test_support.h"

namespace {

using win32_test::Join;
using win32_test::ReadFileText;

TEST(CngTest, GivesTheKnownAnswersOfTheHostBuild) {
  platform::win32::Win32Crypto cng;
  for (const auto& v : testing_support::kPbkdf2Sha256Vectors)
    EXPECT_EQ(testing_support::Hex(
                  cng.Pbkdf2Sha256(v.password, testing_support::Bytes(v.salt), v.iterations, v.length)),
              v.key_hex);
  ks7_test::CheckKs7Vectors(cng);
  // Two draws differ, so neither is left zero-filled.
  EXPECT_NE(cng.RandomBytes(32), cng.RandomBytes(32));
}

// The worker's progress and result are posted to the loop's thread, in order.
TEST(FileEncryptionTest, TheComponentEncryptsAndDecryptsARealFile) {
  const win32_test::TempFolder folder(L"encryption");
  platform::win32::Win32Files files;
  platform::win32::Win32EventLoop loop;
  platform::win32::Win32Crypto crypto;
  engine::FileEncryption component(loop, files, crypto);
  const DWORD loop_thread = ::GetCurrentThreadId();
  std::vector<std::int32_t> seen;  // progress, then the result's code + 1000
  component.on_progress = [&](std::int32_t percent) {
    seen.push_back(::GetCurrentThreadId() == loop_thread ? percent : -1);
  };
  component.on_result = [&](std::int32_t code, const std::string&) { seen.push_back(code + 1000); };
  std::string content(3 * 1048576 + 11, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 31);
  const std::wstring source = folder.AddFile(L"\u65e5\u8a18.doc", content);
  const std::string path = folder.U8(L"\u65e5\u8a18.doc");
  component.PresetMode(4);
  component.PresetFlag(true);
  component.EncryptFile(path, path + ".ks7", "mixed pw");
  EXPECT_TRUE(seen.size() > 3 && std::is_sorted(seen.begin(), seen.end()) && seen[0] == 0 &&
              seen.back() == 1000);
  ASSERT_TRUE(::DeleteFileW(source.c_str()));
  component.PresetMode(4);
  component.DecryptFile(path + ".ks7", path, "mixed pw");
  EXPECT_EQ(Join(seen.back(), ReadFileText(source) == content), "1000 1");
}

}  // namespace
