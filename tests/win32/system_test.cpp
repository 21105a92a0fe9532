// The file, message box, clock and letter-case services against the real
// system: files in a throwaway folder whose name holds Cyrillic and CJK, a
// message box answered from a second thread as a user would, the local time,
// and the system's lower-casing held to the portable one.
#include <windows.h>

#include <gtest/gtest.h>

#include <tuple>

#include "platform/text.h"
#include "platform/win32/win32_system.h"
#include "win32/win32_test_support.h"

namespace {

using platform::FileKind;
using platform::win32::FromWide;
using platform::win32::ToWide;
using win32_test::Join;
using win32_test::ReadFileText;
using win32_test::WindowText;

class FilesTest : public ::testing::Test {
 protected:
  static std::string U8(const std::wstring& path) { return FromWide(path); }
  static bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  win32_test::TempFolder folder{L"files"};
  platform::win32::Win32Files files;
};

TEST_F(FilesTest, KindTellsMissingFolderAndFile) {
  const std::pair<std::string, FileKind> paths[] = {
      {"", FileKind::kMissing},
      {U8(folder.path()), FileKind::kFolder},
      {U8(folder / L"absent.txt"), FileKind::kMissing},
      {U8(folder.AddFile(L"plain.txt")), FileKind::kFile},
      {U8(folder.AddFile(L"hidden.txt", "h", FILE_ATTRIBUTE_HIDDEN)), FileKind::kFile},
      {U8(folder.AddFile(L"readonly.txt", "r", FILE_ATTRIBUTE_READONLY)), FileKind::kFile},
      {U8(folder.AddFile(L"\u0444\u0430\u0439\u043b \u6587\u4ef6.txt")), FileKind::kFile},
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
  EXPECT_EQ(files.FilesOf(U8(folder.path())), expected);
  EXPECT_EQ(files.FilesOf(U8(folder.path()) + "\\"), expected) << "the same with a trailing backslash";
  for (const std::string& no_folder : {U8(folder / L"absent"), std::string(), U8(folder / L"a.txt")})
    EXPECT_TRUE(files.FilesOf(no_folder).empty()) << "no folder: \"" << no_folder << "\"";
}

TEST_F(FilesTest, DeleteAndRename) {
  const std::wstring doomed = folder.AddFile(L"\u0443\u0434\u0430\u043b\u0438\u0442\u044c.txt");
  const std::wstring kept = folder.AddFile(L"kept.txt");
  EXPECT_TRUE(files.Delete(U8(doomed)));
  EXPECT_EQ(Join(Exists(doomed), Exists(kept)), "0 1");
  EXPECT_FALSE(files.Delete(U8(folder.path()))) << "a folder is not deleted as a file";

  // Renaming replaces an existing target, or moves to a new name.
  const std::wstring from = folder.AddFile(L"new \u043a\u043b\u044e\u0447.tmp", "fresh");
  const std::wstring to = folder.AddFile(L"target.ks7", "stale");
  const std::wstring moved = folder / L"moved.ks7";
  ASSERT_TRUE(files.Rename(U8(from), U8(to)));
  EXPECT_EQ(Join(Exists(from), ReadFileText(to)), "0 fresh");
  ASSERT_TRUE(files.Rename(U8(to), U8(moved)));
  EXPECT_EQ(ReadFileText(moved), "fresh");
  EXPECT_FALSE(files.Rename(U8(folder / L"absent.tmp"), U8(folder / L"other.tmp")));
}

// The box is found by its title; its text, buttons and owner are read and a
// button pressed while the window thread's timers keep running; the button
// pressed is the answer.
TEST(DialogsTest, MessageBoxShowsItsTextAndGivesTheAnswer) {
  constexpr int kMessageTextId = 65535;  // the static that shows a message box's text
  const std::string text = "Apply the changes of 6-декабря?";
  const std::string title = FromWide(win32_test::UniqueName(L"box"));
  const win32_test::TestWindow owner(L"KSV Box Owner");
  static std::atomic<int> ticks{0};
  ::SetTimer(owner.hwnd(), 1, 20, [](HWND, UINT, UINT_PTR, DWORD) { ++ticks; });
  std::string seen;
  std::jthread driver = win32_test::AnswerDialog(
      [&](HWND dialog) { return WindowText(dialog) == title; },
      [&](HWND dialog) {
        seen = Join(WindowText(::GetDlgItem(dialog, kMessageTextId)), ::GetDlgItem(dialog, IDOK) != nullptr,
                    ::GetDlgItem(dialog, IDCANCEL) != nullptr, ::GetWindow(dialog, GW_OWNER) == owner.hwnd());
        win32_test::PumpUntil([] { return ticks >= 2; });
        const HWND cancel = ::GetDlgItem(dialog, IDCANCEL);
        ::SendMessageW(cancel != nullptr ? cancel : ::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
      });
  EXPECT_EQ(platform::win32::Win32Dialogs().ShowMessageBox(
                owner.id(), text, title, platform::box::kOkCancel | platform::box::kIconExclamation),
            platform::box::kAnswerCancel);
  driver.join();
  ::KillTimer(owner.hwnd(), 1);
  EXPECT_EQ(seen, text + " 1 1 1") << "text, OK and Cancel, owner";
  EXPECT_GE(ticks, 2) << "the window thread's timers ran while the box was up";
}

// Each field in its place: the time read lies between two readings of the
// local time (not UTC) just before and just after.
TEST(ClockTest, NowIsTheLocalTime) {
  const auto local = [] {
    SYSTEMTIME time{};
    ::GetLocalTime(&time);
    return std::tuple<int, int, int, int, int, int>(time.wYear, time.wMonth, time.wDay, time.wHour,
                                                    time.wMinute, time.wSecond);
  };
  const auto before = local();
  const platform::LocalTime now = platform::win32::Win32Clock().Now();
  const auto after = local();
  const auto read = std::tuple(now.year, now.month, now.day, now.hour, now.minute, now.second);
  EXPECT_TRUE(before <= read && read <= after) << Join(now.year, now.month, now.day, now.hour, now.minute);
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
  EXPECT_EQ(text.LowerCase("ÄÖÜ ΣΩ ЖЯ Straße 12!"), "äöü σω жя straße 12!");
}

}  // namespace
