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

#include <thread>

#include "engine/file_encryption.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_crypto.h"
#include "platform/win32/win32_event_loop.h"
#include "platform/win32/win32_system.h"
#include "support/ks7_test_support.h"
#include "win32/win32_test_support.h"

namespace {

namespace ks7 = engine::ks7;
using ks7_test::Bytes;
using platform::FileWriter;
using platform::win32::FromWide;
using win32_test::ReadFileText;
using win32_test::TempFolder;


TEST(CngTest, PrimitivesMatchPublishedVectors) {
  platform::win32::Win32Crypto crypto;
  for (const auto& v : ks7_test::kHmacVectors) {
    EXPECT_EQ(ks7_test::Hex(crypto.HmacSha256(ks7_test::FromHex(v.key_hex), ks7_test::ToBytes(v.data))),
              v.mac_hex);
  }
  const auto key = crypto.AesGcm(Bytes(32, 0));
  ASSERT_NE(key, nullptr);
  const std::array<std::uint8_t, 12> nonce{};
  for (const auto& v : ks7_test::kGcmVectors) {
    const Bytes plain = ks7_test::FromHex(v.plaintext_hex);
    Bytes sealed(plain.size() + 16);
    ASSERT_TRUE(key->Seal(nonce, plain, std::span(sealed).first(plain.size()),
                          std::span(sealed).subspan(plain.size()).first<16>()));
    EXPECT_EQ(ks7_test::Hex(sealed), v.ciphertext_and_tag_hex);
    Bytes opened(plain.size());
    EXPECT_EQ(key->Open(nonce, std::span(sealed).first(plain.size()),
                        std::span<const std::uint8_t>(sealed).subspan(plain.size()).first<16>(), opened),
              platform::AesGcmKey::Opened::kOk);
    EXPECT_EQ(opened, plain);
    sealed.back() ^= 1;
    EXPECT_EQ(key->Open(nonce, std::span(sealed).first(plain.size()),
                        std::span<const std::uint8_t>(sealed).subspan(plain.size()).first<16>(), opened),
              platform::AesGcmKey::Opened::kTagMismatch);
  }
}

// The bytes the OpenSSL build writes (the shared vectors), written and read
// again over CNG.
TEST(CngTest, WritesAndReadsTheSameKs7FilesAsTheHostBuild) {
  platform::win32::Win32Crypto cng;
  ks7_test::FixedFileId crypto(cng);
  ks7::MasterKey master;
  const Bytes salt = ks7_test::VectorSalt();
  std::copy(salt.begin(), salt.end(), master.salt.begin());
  master.key = ks7::DeriveMasterKey(crypto, ks7_test::kVectorPassword, salt, ks7::kIterations);
  for (const auto& vector : ks7_test::FileVectors()) {
    ks7_test::MemoryReader source(vector.plaintext);
    ks7_test::MemoryWriter out;
    ASSERT_EQ(ks7::Encrypt(crypto, master, source, out), ks7::Result::kSuccess) << vector.name;
    if (!vector.file_hex.empty()) {
      EXPECT_EQ(ks7_test::Hex(out.written), vector.file_hex) << vector.name;
    } else {
      EXPECT_EQ(ks7_test::Hex(cng.HmacSha256(ks7_test::ToBytes("ks7 vector digest"), out.written)),
                vector.digest)
          << vector.name;
    }
    const Bytes file = vector.file_hex.empty() ? out.written : ks7_test::FromHex(vector.file_hex);
    ks7_test::MemoryReader encrypted(file);
    ks7::Decryptor decryptor(cng, encrypted);
    ASSERT_EQ(decryptor.Open([&](auto, std::uint32_t) { return &master.key; }), ks7::Result::kSuccess);
    ks7_test::MemoryWriter plain;
    EXPECT_EQ(decryptor.DecryptTo(plain), ks7::Result::kSuccess) << vector.name;
    EXPECT_EQ(plain.written, vector.plaintext) << vector.name;
  }
}

class FileStreamsTest : public ::testing::Test {
 protected:
  static std::string U8(const std::wstring& path) { return FromWide(path); }
  // The names of the folder's files, temporary ones included.
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((folder.path() + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        names.push_back(FromWide(found.cFileName));
    } while (::FindNextFileW(search, &found) != FALSE);
    ::FindClose(search);
    return names;
  }

  TempFolder folder{L"streams"};
  platform::win32::Win32Files files;
};

TEST_F(FileStreamsTest, AWrittenFileAppearsOnlyWhenCommittedAndNeverReplaces) {
  const std::wstring target = folder / L"\u0444\u0430\u0439\u043b.ks7";
  {
    auto writer = files.CreateBeside(U8(target));
    ASSERT_NE(writer, nullptr);
    EXPECT_TRUE(writer->Write(ks7_test::ToBytes("half")));
    EXPECT_EQ(::GetFileAttributesW(target.c_str()), INVALID_FILE_ATTRIBUTES);
  }
  EXPECT_TRUE(Names().empty()) << "a writer dropped without Commit leaves nothing";

  auto writer = files.CreateBeside(U8(target));
  ASSERT_NE(writer, nullptr);
  ASSERT_TRUE(writer->Write(ks7_test::ToBytes("whole file")));
  EXPECT_EQ(writer->Commit(), FileWriter::Committed::kDone);
  writer.reset();
  EXPECT_EQ(ReadFileText(target), "whole file");
  EXPECT_EQ(Names().size(), 1U) << "only the destination";

  auto late = files.CreateBeside(U8(target));
  ASSERT_NE(late, nullptr);
  ASSERT_TRUE(late->Write(ks7_test::ToBytes("other")));
  EXPECT_EQ(late->Commit(), FileWriter::Committed::kDestinationExists);
  late.reset();
  EXPECT_EQ(ReadFileText(target), "whole file") << "never replaced";
  EXPECT_EQ(Names().size(), 1U);
  EXPECT_EQ(files.CreateBeside(U8(folder / L"missing\\x.ks7")), nullptr);
}

TEST_F(FileStreamsTest, AReaderReadsAFileThatIsOpenElsewhere) {
  const std::wstring path = folder.AddFile(L"open.doc", std::string(100000, 'd'));
  const HANDLE other = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  auto reader = files.OpenForReading(U8(path));
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->Size(), 100000U);
  Bytes buffer(65536);
  EXPECT_EQ(reader->Read(buffer), 65536U);
  EXPECT_EQ(reader->Read(buffer), 100000U - 65536U);
  EXPECT_EQ(reader->Read(buffer), 0U);
  ::CloseHandle(other);
  EXPECT_EQ(files.OpenForReading(U8(folder.path())), nullptr) << "a folder";
  EXPECT_EQ(files.OpenForReading(U8(folder / L"missing.doc")), nullptr);
}

TEST(WorkerChannelTest, PostsFromAnotherThreadRunOnTheLoopThreadInOrder) {
  platform::win32::Win32EventLoop loop;
  const DWORD loop_thread = ::GetCurrentThreadId();
  std::vector<int> seen;
  bool on_loop_thread = true;
  auto channel = loop.OpenWorkerChannel();
  std::thread worker([channel, &seen, &on_loop_thread, loop_thread]() mutable {
    for (int i = 0; i < 100; ++i) {
      channel->Post([i, &seen, &on_loop_thread, loop_thread] {
        on_loop_thread = on_loop_thread && ::GetCurrentThreadId() == loop_thread;
        seen.push_back(i);
      });
    }
    channel.reset();
  });
  channel.reset();
  ASSERT_TRUE(win32_test::PumpUntil([&] { return seen.size() == 100; }, [&] { loop.WaitForEvents(); }));
  worker.join();
  EXPECT_TRUE(on_loop_thread);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}

TEST(WorkerChannelTest, AChannelOutlivingItsLoopPostsNothing) {
  std::shared_ptr<platform::WorkerChannel> channel;
  {
    platform::win32::Win32EventLoop loop;
    channel = loop.OpenWorkerChannel();
  }
  bool ran = false;
  channel->Post([&] { ran = true; });
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) ::DispatchMessageW(&message);
  EXPECT_FALSE(ran);
}

TEST_F(FileStreamsTest, TheComponentEncryptsAndDecryptsARealFile) {
  platform::win32::Win32EventLoop loop;
  platform::win32::Win32Crypto crypto;
  engine::FileEncryption component(loop, files, crypto);
  std::vector<std::int32_t> progress;
  std::vector<std::int32_t> results;
  component.on_progress = [&](std::int32_t percent) { progress.push_back(percent); };
  component.on_result = [&](std::int32_t code, const std::string&) { results.push_back(code); };
  std::string content(3 * 1048576 + 11, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 31);
  const std::wstring source = folder.AddFile(L"\u65e5\u8a18.doc", content);
  component.PresetMode(4);
  component.PresetFlag(true);
  component.EncryptFile(U8(source), U8(source + L".ks7"), "mixed pw");
  ASSERT_EQ(results, std::vector<std::int32_t>{0});
  EXPECT_EQ(progress.back(), 100);
  ASSERT_TRUE(::DeleteFileW(source.c_str()));
  component.PresetMode(4);
  component.DecryptFile(U8(source + L".ks7"), U8(source), "mixed pw");
  component.DecryptFile(U8(source + L".ks7"), U8(folder / L"wrong.doc"), "other");
  EXPECT_EQ(results, (std::vector<std::int32_t>{0, 0, 6}));
  EXPECT_EQ(ReadFileText(source), content);
  EXPECT_EQ(Names().size(), 2U) << "no temporary file, no output of the wrong password";
}

}  // namespace
