// The file, message box, clock and letter-case services against the real
// system: files in a throwaway folder whose name holds Cyrillic and CJK, a
// message box answered from a second thread as a user would, the local time,
// and the system's lower-casing held to the portable one.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

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
  EXPECT_FALSE(Exists(doomed));
  EXPECT_TRUE(Exists(kept));
  EXPECT_FALSE(files.Delete(U8(doomed))) << "already gone";
  EXPECT_FALSE(files.Delete(U8(folder.path()))) << "a folder is not deleted as a file";
  EXPECT_TRUE(Exists(folder.path()));

  // Renaming replaces an existing target, or moves to a new name.
  const std::wstring from = folder.AddFile(L"new \u043a\u043b\u044e\u0447.tmp", "fresh");
  const std::wstring to = folder.AddFile(L"target.ks7", "stale");
  ASSERT_TRUE(files.Rename(U8(from), U8(to)));
  EXPECT_FALSE(Exists(from));
  EXPECT_EQ(ReadFileText(to), "fresh");
  const std::wstring moved = folder / L"moved.ks7";
  ASSERT_TRUE(files.Rename(U8(to), U8(moved)));
  EXPECT_EQ(ReadFileText(moved), "fresh");
  EXPECT_FALSE(files.Rename(U8(folder / L"absent.tmp"), U8(folder / L"other.tmp")));
  EXPECT_FALSE(Exists(folder / L"other.tmp"));
}

// ---- Message boxes ----------------------------------------------------------

// The box is found by its title, its text, buttons and owner read and a button
// pressed while the window thread's timers keep running; the button pressed
// is the answer.
TEST(DialogsTest, MessageBoxShowsItsTextAndGivesTheAnswer) {
  constexpr int kMessageTextId = 65535;  // the static that shows a message box's text
  const std::wstring text = L"Apply the changes of 6-\u0434\u0435\u043a\u0430\u0431\u0440\u044f?";
  const std::wstring title = win32_test::UniqueName(L"box");
  const win32_test::TestWindow owner(L"KSV Box Owner");
  static std::atomic<int> ticks{0};
  ::SetTimer(owner.hwnd(), 1, 20, [](HWND, UINT, UINT_PTR, DWORD) { ++ticks; });
  std::wstring text_seen;
  bool has_ok_and_cancel = false;
  HWND owner_seen = nullptr;
  std::jthread driver =
      win32_test::AnswerDialog([&](HWND dialog) { return WindowText(dialog) == title; },
                               [&](HWND dialog) {
                                 text_seen = WindowText(::GetDlgItem(dialog, kMessageTextId));
                                 has_ok_and_cancel = ::GetDlgItem(dialog, IDOK) != nullptr &&
                                                     ::GetDlgItem(dialog, IDCANCEL) != nullptr;
                                 owner_seen = ::GetWindow(dialog, GW_OWNER);
                                 win32_test::PumpUntil([] { return ticks >= 2; });
                                 win32_test::PressButton(dialog, has_ok_and_cancel ? IDCANCEL : IDOK);
                               });
  EXPECT_EQ(platform::win32::Win32Dialogs().ShowMessageBox(
                owner.id(), FromWide(text), FromWide(title),
                platform::box::kOkCancel | platform::box::kIconExclamation),
            platform::box::kAnswerCancel);
  driver.join();
  ::KillTimer(owner.hwnd(), 1);
  EXPECT_EQ(text_seen, text);
  EXPECT_TRUE(has_ok_and_cancel) << "the buttons asked for";
  EXPECT_EQ(owner_seen, owner.hwnd());
  EXPECT_GE(ticks, 2) << "the window thread's timers ran while the box was up";
}

// ---- Clock and letter case --------------------------------------------------

// Seconds since 1601 of a local time through the system's own calendar; -1
// when it is no valid date and time.
long long SecondsOf(const platform::LocalTime& time) {
  const SYSTEMTIME system{static_cast<WORD>(time.year),
                          static_cast<WORD>(time.month),
                          0,
                          static_cast<WORD>(time.day),
                          static_cast<WORD>(time.hour),
                          static_cast<WORD>(time.minute),
                          static_cast<WORD>(time.second),
                          0};
  FILETIME file{};
  if (::SystemTimeToFileTime(&system, &file) == FALSE) return -1;
  return static_cast<long long>((ULONGLONG{file.dwHighDateTime} << 32 | file.dwLowDateTime) / 10000000ULL);
}

// Each field in its place: the time read is a valid date within a few seconds
// of the local time (not UTC) read just before.
TEST(ClockTest, NowIsTheLocalTime) {
  SYSTEMTIME before{};
  ::GetLocalTime(&before);
  const long long now = SecondsOf(platform::win32::Win32Clock().Now());
  const long long reference = SecondsOf(platform::LocalTime{before.wYear, before.wMonth, before.wDay,
                                                            before.wHour, before.wMinute, before.wSecond});
  ASSERT_GE(now, 0) << "a valid calendar date";
  EXPECT_GE(now - reference, 0);
  EXPECT_LE(now - reference, 5);
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
