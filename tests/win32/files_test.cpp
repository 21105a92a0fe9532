// The file service against the real file system, in a throwaway folder whose
// name holds Cyrillic and CJK characters: what counts as a file, the ordinary
// files of a folder in name order, deleting, and renaming over a target.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_system.h"
#include "win32/backend_test_support.h"

namespace {

using platform::FileKind;
using platform::win32::FromWide;
using platform::win32::ToWide;
using platform::win32::Win32Files;
using win32_test::ReadFileText;
using win32_test::TempFolder;

class FilesTest : public ::testing::Test {
 protected:
  static std::string U8(const std::wstring& path) { return FromWide(path); }

  TempFolder folder{L"files"};
  Win32Files files;
};

TEST_F(FilesTest, KindTellsMissingFolderAndFile) {
  EXPECT_EQ(files.Kind(""), FileKind::kMissing);
  EXPECT_EQ(files.Kind(U8(folder.path())), FileKind::kFolder);
  EXPECT_EQ(files.Kind(U8(folder.path()) + "\\"), FileKind::kFolder)
      << "a folder with its trailing backslash";
  EXPECT_EQ(files.Kind(U8(folder / L"absent.txt")), FileKind::kMissing);
  EXPECT_EQ(files.Kind(U8(folder / L"absent\\deeper.txt")), FileKind::kMissing);
  EXPECT_EQ(files.Kind(U8(folder / L"bad<>|name")), FileKind::kMissing) << "an invalid name";

  EXPECT_EQ(files.Kind(U8(folder.AddFile(L"plain.txt"))), FileKind::kFile);
  EXPECT_EQ(files.Kind(U8(folder.AddFile(L"hidden.txt", "h", FILE_ATTRIBUTE_HIDDEN))), FileKind::kFile);
  EXPECT_EQ(files.Kind(U8(folder.AddFile(L"readonly.txt", "r", FILE_ATTRIBUTE_READONLY))), FileKind::kFile);
  EXPECT_EQ(files.Kind(U8(folder.AddFile(L"\u0444\u0430\u0439\u043b \u6587\u4ef6.txt"))), FileKind::kFile);
}

TEST_F(FilesTest, FilesOfListsOnlyOrdinaryFilesSortedByName) {
  const std::wstring cyrillic = L"\u0416\u0443\u0440\u043d\u0430\u043b.txt";  // "Журнал.txt"
  const std::wstring cjk = L"\u65e5\u8a18.dat";                               // "日記.dat"
  folder.AddFile(L"b.txt");
  folder.AddFile(cjk);
  folder.AddFile(L"C.log");
  folder.AddFile(cyrillic);
  folder.AddFile(L"a.txt", "x", FILE_ATTRIBUTE_READONLY);  // read-only still counts
  folder.AddFile(L"hidden.txt", "x", FILE_ATTRIBUTE_HIDDEN);
  folder.AddFile(L"system.txt", "x", FILE_ATTRIBUTE_SYSTEM);
  ASSERT_NE(::CreateDirectoryW((folder / L"A folder").c_str(), nullptr), FALSE);
  folder.AddFile(L"A folder\\inside.txt");

  const std::vector<std::string> expected = {"a.txt", "b.txt", "C.log", U8(cyrillic), U8(cjk)};
  EXPECT_EQ(files.FilesOf(U8(folder.path())), expected);
  EXPECT_EQ(files.FilesOf(U8(folder.path()) + "\\"), expected) << "the same with a trailing backslash";

  // The names round-trip: each listed name opens the file it came from.
  for (const std::string& name : files.FilesOf(U8(folder.path()))) {
    EXPECT_EQ(ReadFileText(folder / ToWide(name)), "x") << name;
  }
}

TEST_F(FilesTest, FilesOfAMissingOrEmptyFolderIsEmpty) {
  EXPECT_TRUE(files.FilesOf(U8(folder.path())).empty());
  EXPECT_TRUE(files.FilesOf(U8(folder / L"absent")).empty());
  EXPECT_TRUE(files.FilesOf("").empty()) << "an empty path is no folder";
  EXPECT_TRUE(files.FilesOf(U8(folder.AddFile(L"file.txt"))).empty()) << "a file is no folder";
}

TEST_F(FilesTest, DeleteRemovesOneFile) {
  const std::wstring doomed = folder.AddFile(L"\u0443\u0434\u0430\u043b\u0438\u0442\u044c.txt");
  const std::wstring kept = folder.AddFile(L"kept.txt");
  EXPECT_TRUE(files.Delete(U8(doomed)));
  EXPECT_EQ(::GetFileAttributesW(doomed.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(::GetFileAttributesW(kept.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(files.Delete(U8(doomed))) << "already gone";
  EXPECT_FALSE(files.Delete(U8(folder.path()))) << "a folder is not deleted as a file";
  EXPECT_NE(::GetFileAttributesW(folder.path().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FilesTest, RenameMovesAndReplacesAnExistingTarget) {
  const std::wstring from = folder.AddFile(L"new \u043a\u043b\u044e\u0447.tmp", "fresh");
  const std::wstring to = folder.AddFile(L"target.ks7", "stale");
  ASSERT_TRUE(files.Rename(U8(from), U8(to)));
  EXPECT_EQ(::GetFileAttributesW(from.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ReadFileText(to), "fresh");

  const std::wstring moved = folder / L"moved.ks7";
  ASSERT_TRUE(files.Rename(U8(to), U8(moved))) << "a target that does not exist yet";
  EXPECT_EQ(ReadFileText(moved), "fresh");
  EXPECT_FALSE(files.Rename(U8(folder / L"absent.tmp"), U8(folder / L"other.tmp")));
  EXPECT_EQ(::GetFileAttributesW((folder / L"other.tmp").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
