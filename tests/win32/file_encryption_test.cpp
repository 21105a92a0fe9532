// File encryption on the real system: CNG held to the same vectors as the
// host build's OpenSSL (so each opens what the other writes), the file
// streams' temporary file beside its destination, the worker channel of the
// event loop, and the component encrypting and decrypting a real file.
#include <windows.h>

// windows.h names two of its functions EncryptFile and DecryptFile through
// macros; the component's operations keep their own names.
#undef EncryptFile
#undef DecryptFile

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "engine/file_encryption.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_crypto.h"
#include "platform/win32/win32_event_loop.h"
#include "platform/win32/win32_system.h"
#include "support/ks7_vectors.h"
#include "win32/win32_test_support.h"

namespace {

using platform::FileWriter;
using platform::win32::FromWide;
using win32_test::ReadFileText;

TEST(CngTest, GivesTheKnownAnswersOfTheHostBuild) {
  platform::win32::Win32Crypto cng;
  ks7_test::CheckKs7Vectors(cng);
}

class FileStreamsTest : public ::testing::Test {
 protected:
  static std::string U8(const std::wstring& path) { return FromWide(path); }
  // Every file in the folder, temporary ones included.
  std::size_t FileCount() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder.path()), {}));
  }

  win32_test::TempFolder folder{L"streams"};
  platform::win32::Win32Files files;
};

TEST_F(FileStreamsTest, AWrittenFileAppearsOnlyWhenCommittedAndNeverReplaces) {
  const std::wstring target = folder / L"\u0444\u0430\u0439\u043b.ks7";
  const auto write = [&](const char* text) {
    auto writer = files.CreateBeside(U8(target));
    EXPECT_NE(writer, nullptr);
    EXPECT_TRUE(writer != nullptr && writer->Write(ks7_test::ToBytes(text)));
    return writer;
  };
  write("half").reset();
  EXPECT_EQ(FileCount(), 0U) << "a writer dropped without Commit leaves nothing";
  EXPECT_EQ(write("whole file")->Commit(), FileWriter::Committed::kDone);
  EXPECT_EQ(ReadFileText(target), "whole file");
  EXPECT_EQ(write("other")->Commit(), FileWriter::Committed::kDestinationExists);
  EXPECT_EQ(ReadFileText(target), "whole file") << "never replaced";
  EXPECT_EQ(FileCount(), 1U) << "only the destination";
  EXPECT_EQ(files.CreateBeside(U8(folder / L"missing\\x.ks7")), nullptr);

  // A reader shares the file with a program that has it open for writing.
  const HANDLE other = ::CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
  auto reader = files.OpenForReading(U8(target));
  ASSERT_NE(reader, nullptr);
  ks7_test::Bytes buffer(100);
  EXPECT_EQ(reader->Size(), 10U);
  EXPECT_EQ(reader->Read(buffer), 10U);
  EXPECT_EQ(reader->Read(buffer), 0U);
  ::CloseHandle(other);
  EXPECT_EQ(files.OpenForReading(U8(folder.path())), nullptr) << "a folder";
}

TEST(WorkerChannelTest, PostsFromAnotherThreadRunOnTheLoopThreadInOrder) {
  platform::win32::Win32EventLoop loop;
  const DWORD loop_thread = ::GetCurrentThreadId();
  std::vector<int> seen;
  bool on_loop_thread = true;
  std::thread worker([channel = loop.OpenWorkerChannel(), &seen, &on_loop_thread, loop_thread] {
    for (int i = 0; i < 100; ++i) {
      channel->Post([i, &seen, &on_loop_thread, loop_thread] {
        on_loop_thread = on_loop_thread && ::GetCurrentThreadId() == loop_thread;
        seen.push_back(i);
      });
    }
  });
  ASSERT_TRUE(win32_test::PumpUntil([&] { return seen.size() == 100; }, [&] { loop.WaitForEvents(); }));
  worker.join();
  EXPECT_TRUE(on_loop_thread);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}

TEST_F(FileStreamsTest, TheComponentEncryptsAndDecryptsARealFile) {
  platform::win32::Win32EventLoop loop;
  platform::win32::Win32Crypto crypto;
  engine::FileEncryption component(loop, files, crypto);
  std::vector<std::int32_t> results;
  component.on_result = [&](std::int32_t code, const std::string&) { results.push_back(code); };
  std::string content(3 * 1048576 + 11, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 31);
  const std::wstring source = folder.AddFile(L"\u65e5\u8a18.doc", content);
  component.PresetMode(4);
  component.PresetFlag(true);
  component.EncryptFile(U8(source), U8(source + L".ks7"), "mixed pw");
  ASSERT_TRUE(::DeleteFileW(source.c_str()));
  component.PresetMode(4);
  component.DecryptFile(U8(source + L".ks7"), U8(source), "mixed pw");
  component.DecryptFile(U8(source + L".ks7"), U8(folder / L"wrong.doc"), "other");
  EXPECT_EQ(results, (std::vector<std::int32_t>{0, 0, 6}));
  EXPECT_EQ(ReadFileText(source), content);
  EXPECT_EQ(FileCount(), 2U) << "no temporary file, no output of the wrong password";
}

}  // namespace
