// The file, message box, clock and letter-case services against the real
// system: files in a throwaway folder whose name holds Cyrillic and CJK, a
// message box answered from a second thread as a user would, the local time,
// and the system's lower-casing held to the portable one.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <tuple>

#include "platform/text.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_system.h"
#include "win32/win32_test_support.h"

namespace {

using platform::FileKind;
using platform::win32::FromWide;
using platform::win32::ToWide;
using win32_test::ReadFileText;
using win32_test::WindowText;

// ---- Files ------------------------------------------------------------------

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
      {U8(folder.path()) + "\\", FileKind::kFolder},
      {U8(folder / L"absent.txt"), FileKind::kMissing},
      {U8(folder / L"absent\\deeper.txt"), FileKind::kMissing},
      {U8(folder / L"bad<>|name"), FileKind::kMissing},
      {U8(folder.AddFile(L"plain.txt")), FileKind::kFile},
      {U8(folder.AddFile(L"hidden.txt", "h", FILE_ATTRIBUTE_HIDDEN)), FileKind::kFile},
      {U8(folder.AddFile(L"readonly.txt", "r", FILE_ATTRIBUTE_READONLY)), FileKind::kFile},
      {U8(folder.AddFile(L"\u0444\u0430\u0439\u043b \u6587\u4ef6.txt")), FileKind::kFile},
  };
  for (const auto& [path, kind] : paths) EXPECT_EQ(files.Kind(path), kind) << path;
}

TEST_F(FilesTest, FilesOfListsOnlyOrdinaryFilesSortedByName) {
  const std::wstring cyrillic = L"\u0416\u0443\u0440\u043d\u0430\u043b.txt";  // "Журнал.txt"
  const std::wstring cjk = L"\u65e5\u8a18.dat";                               // "日記.dat"
  for (const std::wstring& name : {std::wstring(L"b.txt"), cjk, std::wstring(L"C.log"), cyrillic})
    folder.AddFile(name);
  folder.AddFile(L"a.txt", "x", FILE_ATTRIBUTE_READONLY);  // read-only still counts
  folder.AddFile(L"hidden.txt", "x", FILE_ATTRIBUTE_HIDDEN);
  folder.AddFile(L"system.txt", "x", FILE_ATTRIBUTE_SYSTEM);
  ASSERT_NE(::CreateDirectoryW((folder / L"A folder").c_str(), nullptr), FALSE);
  folder.AddFile(L"A folder\\inside.txt");

  const std::vector<std::string> expected = {"a.txt", "b.txt", "C.log", U8(cyrillic), U8(cjk)};
  EXPECT_EQ(files.FilesOf(U8(folder.path())), expected);
  EXPECT_EQ(files.FilesOf(U8(folder.path()) + "\\"), expected) << "the same with a trailing backslash";
  // The names round-trip: each listed name opens the file it came from.
  for (const std::string& name : expected) EXPECT_EQ(ReadFileText(folder / ToWide(name)), "x") << name;
  for (const std::string& no_folder : {U8(folder / L"absent"), std::string(), U8(folder / L"a.txt")})
    EXPECT_TRUE(files.FilesOf(no_folder).empty()) << "no folder: \"" << no_folder << "\"";
}

TEST_F(FilesTest, DeleteAndRename) {
  const std::wstring doomed = folder.AddFile(L"\u0443\u0434\u0430\u043b\u0438\u0442\u044c.txt");
  const std::wstring kept = folder.AddFile(L"kept.txt");
  EXPECT_TRUE(files.Delete(U8(doomed)));
  EXPECT_EQ(win32_test::Join(Exists(doomed), Exists(kept)), "0 1");
  EXPECT_FALSE(files.Delete(U8(doomed))) << "already gone";
  EXPECT_FALSE(files.Delete(U8(folder.path()))) << "a folder is not deleted as a file";

  // Renaming replaces an existing target, or moves to a new name.
  const std::wstring from = folder.AddFile(L"new \u043a\u043b\u044e\u0447.tmp", "fresh");
  const std::wstring to = folder.AddFile(L"target.ks7", "stale");
  const std::wstring moved = folder / L"moved.ks7";
  ASSERT_TRUE(files.Rename(U8(from), U8(to)));
  EXPECT_FALSE(Exists(from));
  EXPECT_EQ(ReadFileText(to), "fresh");
  ASSERT_TRUE(files.Rename(U8(to), U8(moved)));
  EXPECT_EQ(ReadFileText(moved), "fresh");
  EXPECT_FALSE(files.Rename(U8(folder / L"absent.tmp"), U8(folder / L"other.tmp")));
}

// ---- Message boxes ----------------------------------------------------------

// The box is found by its title, its text, buttons and owner read and a button
// pressed while the window thread's timers keep running; the button pressed
// is the answer.
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
        seen = win32_test::Join(
            WindowText(::GetDlgItem(dialog, kMessageTextId)), ::GetDlgItem(dialog, IDOK) != nullptr,
            ::GetDlgItem(dialog, IDCANCEL) != nullptr, ::GetWindow(dialog, GW_OWNER) == owner.hwnd());
        win32_test::PumpUntil([] { return ticks >= 2; });
        win32_test::PressButton(dialog, ::GetDlgItem(dialog, IDCANCEL) != nullptr ? IDCANCEL : IDOK);
      });
  EXPECT_EQ(platform::win32::Win32Dialogs().ShowMessageBox(
                owner.id(), text, title, platform::box::kOkCancel | platform::box::kIconExclamation),
            platform::box::kAnswerCancel);
  driver.join();
  ::KillTimer(owner.hwnd(), 1);
  EXPECT_EQ(seen, text + " 1 1 1") << "text, OK and Cancel, owner";
  EXPECT_GE(ticks, 2) << "the window thread's timers ran while the box was up";
}

// ---- Clock and letter case --------------------------------------------------

// Each field in its place: the time read lies between two readings of the
// local time (not UTC) just before and just after.
TEST(ClockTest, NowIsTheLocalTime) {
  const auto fields = [](int year, int month, int day, int hour, int minute, int second) {
    return std::tuple(year, month, day, hour, minute, second);
  };
  const auto local = [&] {
    SYSTEMTIME time{};
    ::GetLocalTime(&time);
    return fields(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
  };
  const auto before = local();
  const platform::LocalTime now = platform::win32::Win32Clock().Now();
  const auto after = local();
  EXPECT_LE(before, fields(now.year, now.month, now.day, now.hour, now.minute, now.second));
  EXPECT_LE(fields(now.year, now.month, now.day, now.hour, now.minute, now.second), after);
}

// The two foldings must agree on every Latin, Greek and Cyrillic letter, or a
// password set in one build would not open the lock in the other.
TEST(SystemTextTest, LowerCaseAgreesWithThePortableFoldingOnLatinGreekAndCyrillic) {
  platform::win32::Win32Text text;
  int differences = 0;
  for (const auto& [first, last] : {std::pair(0x0020, 0x017F), std::pair(0x0370, 0x03FF),
                                    std::pair(0x0400, 0x052F), std::pair(0x1E00, 0x1EFF)}) {
    for (int cp = first; cp <= last; ++cp) {
      const std::string letter = platform::Utf16ToUtf8(std::u16string(1, static_cast<char16_t>(cp)));
      const std::string system = text.LowerCase(letter);
      if (system != platform::UnicodeLower(letter) && ++differences <= 20) {
        ADD_FAILURE() << std::hex << "U+" << cp << ": system gives U+"
                      << static_cast<unsigned>(platform::Utf8ToUtf16(system).at(0));
      }
    }
  }
  EXPECT_EQ(differences, 0);
  EXPECT_EQ(text.LowerCase("ÄÖÜ ΣΩ ЖЯ Straße 12!"), "äöü σω жя straße 12!");
  EXPECT_EQ(text.LowerCase(""), "");
}

}  // namespace
