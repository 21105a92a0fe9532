// The file and letter-case services against the real system: files in a
// throwaway folder whose name holds Cyrillic and CJK, the streams that write a
// temporary file beside their destination, and the system's lower-casing held
// to the portable one. (The message box: tests/e2e, the question before Exit.)
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "platform/text.h"
#include "platform/win32/win32_system.h"
#include "win32/win32_test_support.h"

namespace {

using platform::FileKind;
using platform::win32::FromWide;
using win32_test::Join;
using win32_test::ReadFileText;

class FilesTest : public ::testing::Test {
 protected:
  static bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  // Every file in the folder, temporary ones included.
  std::size_t FileCount() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder.path()), {}));
  }

  win32_test::TempFolder folder{L"files"};
  platform::win32::Win32Files files;
};

TEST_F(FilesTest, KindTellsMissingFolderAndFile) {
  const std::pair<std::string, FileKind> paths[] = {
      {"", FileKind::kMissing},
      {folder.U8(), FileKind::kFolder},
      {folder.U8(L"absent.txt"), FileKind::kMissing},
      {FromWide(folder.AddFile(L"plain.txt")), FileKind::kFile},
      {FromWide(folder.AddFile(L"hidden.txt", "h", FILE_ATTRIBUTE_HIDDEN)), FileKind::kFile},
      {FromWide(folder.AddFile(L"readonly.txt", "r", FILE_ATTRIBUTE_READONLY)), FileKind::kFile},
      {FromWide(folder.AddFile(L"\u0444\u0430\u0439\u043b \u6587\u4ef6.txt")), FileKind::kFile},
  };
  for (const auto& [path, kind] : paths) EXPECT_EQ(files.Kind(path), kind) << path;
}

// Read-only files count; hidden and system files, folders and what is in
// them do not. The names come back whole, sorted without regard to case.
TEST_F(FilesTest, FilesOfListsOnlyOrdinaryFilesSortedByName) {
  for (const wchar_t* name :
       {L"b.txt", L"\u65e5\u8a18.dat", L"C.log", L"\u0416\u0443\u0440\u043d\u0430\u043b.txt"})
    folder.AddFile(name);
  folder.AddFile(L"a.txt", "x", FILE_ATTRIBUTE_READONLY);
  folder.AddFile(L"hidden.txt", "x", FILE_ATTRIBUTE_HIDDEN);
  folder.AddFile(L"system.txt", "x", FILE_ATTRIBUTE_SYSTEM);
  ASSERT_NE(::CreateDirectoryW((folder / L"A folder").c_str(), nullptr), FALSE);
  folder.AddFile(L"A folder\\inside.txt");
  const std::vector<std::string> expected = {"a.txt", "b.txt", "C.log", "Журнал.txt", "日記.dat"};
  EXPECT_EQ(files.FilesOf(folder.U8()), expected);
  EXPECT_EQ(files.FilesOf(folder.U8() + "\\"), expected) << "the same with a trailing backslash";
  for (const std::string& no_folder : {folder.U8(L"absent"), std::string(), folder.U8(L"a.txt")})
    EXPECT_TRUE(files.FilesOf(no_folder).empty()) << "no folder: \"" << no_folder << "\"";
}

// Renaming replaces an existing target, or moves to a new name; a folder is
// not deleted as a file. (Whole files read and written: tests/e2e, Import.)
TEST_F(FilesTest, DeleteAndRename) {
  const std::wstring doomed = folder.AddFile(L"\u0443\u0434\u0430\u043b\u0438\u0442\u044c.txt");
  EXPECT_TRUE(files.Delete(FromWide(doomed)));
  EXPECT_EQ(Join(Exists(doomed), files.Delete(folder.U8())), "0 0");

  const std::wstring from = folder.AddFile(L"new \u043a\u043b\u044e\u0447.tmp", "fresh");
  const std::wstring to = folder.AddFile(L"target.ks7", "stale");
  ASSERT_TRUE(files.Rename(FromWide(from), FromWide(to)));
  EXPECT_EQ(Join(Exists(from), ReadFileText(to)), "0 fresh");
  ASSERT_TRUE(files.Rename(FromWide(to), folder.U8(L"moved.ks7")));
  EXPECT_EQ(ReadFileText(folder / L"moved.ks7"), "fresh");
  EXPECT_FALSE(files.Rename(folder.U8(L"absent.tmp"), folder.U8(L"other.tmp")));
}

TEST_F(FilesTest, AWrittenFileAppearsOnlyWhenCommittedAndNeverReplaces) {
  const std::wstring target = folder / L"\u0444\u0430\u0439\u043b.ks7";
  const auto write = [&](const char* text) {
    auto writer = files.CreateBeside(folder.U8(L"\u0444\u0430\u0439\u043b.ks7"));
    EXPECT_TRUE(writer != nullptr &&
                writer->Write(std::vector<std::uint8_t>(text, text + std::strlen(text))));
    return writer;
  };
  write("half").reset();
  EXPECT_EQ(FileCount(), 0U) << "a writer dropped without Commit leaves nothing";
  EXPECT_EQ(write("whole file")->Commit(), platform::FileWriter::Committed::kDone);
  EXPECT_EQ(write("other")->Commit(), platform::FileWriter::Committed::kDestinationExists);
  EXPECT_EQ(ReadFileText(target), "whole file") << "never replaced";
  EXPECT_EQ(FileCount(), 1U) << "only the destination";
  EXPECT_EQ(files.CreateBeside(folder.U8(L"missing\\x.ks7")), nullptr);

  // A reader shares the file with a program that has it open for writing.
  const HANDLE other = ::CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
  auto reader = files.OpenForReading(folder.U8(L"\u0444\u0430\u0439\u043b.ks7"));
  ASSERT_NE(reader, nullptr);
  std::vector<std::uint8_t> buffer(100);
  EXPECT_EQ(reader->Size(), 10U);
  EXPECT_EQ(reader->Read(buffer), 10U);
  EXPECT_EQ(reader->Read(buffer), 0U);
  ::CloseHandle(other);
  EXPECT_EQ(files.OpenForReading(folder.U8()), nullptr) << "a folder";
}

// The two foldings must agree on every Latin, Greek and Cyrillic letter, or a
// password set in one build would not open the lock in the other.
TEST(SystemTextTest, LowerCaseAgreesWithThePortableFoldingOnLatinGreekAndCyrillic) {
  platform::win32::Win32Text text;
  std::string differences;  // the code points of the letters they fold apart
  for (const auto& [first, last] : {std::pair(0x0020, 0x017F), std::pair(0x0370, 0x03FF),
                                    std::pair(0x0400, 0x052F), std::pair(0x1E00, 0x1EFF)}) {
    for (int cp = first; cp <= last; ++cp) {
      const std::string letter = platform::Utf16ToUtf8(std::u16string(1, static_cast<char16_t>(cp)));
      if (text.LowerCase(letter) != platform::UnicodeLower(letter)) differences += std::to_string(cp) + " ";
    }
  }
  EXPECT_EQ(differences, "");
}

}  // namespace
