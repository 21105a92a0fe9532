// The shell service against the real shell: tray icons (Wine shows them in
// its system tray window) with both pictures, opening files and programs (the
// text editor, found by its window and ended), and the folder browser driven
// from a second thread as a user would drive it.
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <optional>

#include "platform/win32/win32_constants.h"
#include "platform/win32/win32_shell.h"
#include "win32/win32_test_support.h"

namespace {

using platform::kNoWindow;
using platform::ShellService;
using platform::ShowCommand;
using platform::TrayIconImage;
using platform::win32::FromWide;
using platform::win32::ToWide;
using win32_test::PumpUntil;
using win32_test::UniqueName;

// Each picture is a usable icon, loaded once and kept.
TEST(ShellTest, TrayIconsAddOnceAndDeleteOnceWithEitherPicture) {
  const win32_test::TestWindow window(L"KSV Tray Test", false);
  platform::win32::Win32Shell shell;
  // The unlocked picture's tip is 150 characters, with a surrogate pair
  // across the 127-character cut.
  const std::pair<TrayIconImage, std::string> icons[] = {
      {TrayIconImage::kProgram, "Kestrove Pro"},
      {TrayIconImage::kUnlocked, std::string(126, 'x') + "\xF0\x9F\x94\x93 Разблокировано 解锁"},
  };
  std::uint32_t id = 0;
  for (const auto& [image, tip] : icons) {
    const HICON picture = shell.TrayIcon(image);
    const HICON copy = ::CopyIcon(picture);
    EXPECT_TRUE(copy != nullptr && ::DestroyIcon(copy) != FALSE) << tip;
    EXPECT_EQ(shell.TrayIcon(image), picture);
    const platform::TrayIconRecord icon{
        window.id(), ++id, NIF_MESSAGE | NIF_ICON | NIF_TIP, platform::win32::kWmTrayCallback, image, tip};
    ASSERT_TRUE(shell.AddTrayIcon(icon)) << id;
    EXPECT_FALSE(shell.AddTrayIcon(icon)) << "the same window and id are up already";
    EXPECT_TRUE(shell.DeleteTrayIcon(icon)) << id;
    EXPECT_FALSE(shell.DeleteTrayIcon(icon)) << "nothing is up any more";
  }
}

// The visible top-level window whose title contains `part`, once there is one.
HWND WaitForWindowTitled(const std::wstring& part) {
  HWND found = nullptr;
  PumpUntil([&] {
    for (found = ::GetTopWindow(nullptr); found != nullptr; found = ::GetWindow(found, GW_HWNDNEXT)) {
      if (::IsWindowVisible(found) != FALSE &&
          win32_test::WindowText(found).find(FromWide(part)) != std::string::npos)
        return true;
    }
    return false;
  });
  return found;
}

class ShellOpenTest : public ::testing::Test {
 protected:
  // The program's window thread runs with OLE initialised (main does it);
  // the folder browser needs it. The document type one test adds goes.
  void SetUp() override { ole_ = ::OleInitialize(nullptr); }
  void TearDown() override {
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.ksvdoc");
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\KSV.TestDocument");
    if (SUCCEEDED(ole_)) ::OleUninitialize();
  }

  static std::string U8(const std::wstring& text) { return FromWide(text); }

  HRESULT ole_ = E_FAIL;
  win32_test::TempFolder folder{L"shell"};
  platform::win32::Win32Shell shell;
};

// A document is opened by the program of its type, plain or in quotes as the
// unlock prompt passes it; a program gets its parameters (a file relative to
// the working folder given) and show command. (Wine maps no program to ".txt"
// and reads only the machine's classes: the test adds a type of the machine.)
TEST_F(ShellOpenTest, OpeningStartsTheProgramWithItsFileFolderAndShowCommand) {
  const std::wstring command = L"\"notepad.exe\" \"%1\"";
  const auto set_default = [](const wchar_t* key, const std::wstring& value) {
    return ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, nullptr, REG_SZ, value.c_str(),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  };
  ASSERT_EQ(set_default(L"Software\\Classes\\.ksvdoc", L"KSV.TestDocument"), ERROR_SUCCESS);
  ASSERT_EQ(set_default(L"Software\\Classes\\KSV.TestDocument\\shell\\open\\command", command),
            ERROR_SUCCESS);

  EXPECT_EQ(shell.Open(kNoWindow, U8(folder / L"absent.txt"), "", "", ShowCommand::kShowNormal), 2)
      << "file not found";
  const std::wstring names[] = {UniqueName(L"document"), UniqueName(L"quoted"), UniqueName(L"program")};
  const std::string document = U8(folder.AddFile(names[0] + L".ksvdoc", "text"));
  const std::string quoted = "\"" + U8(folder.AddFile(names[1] + L".ksvdoc", "text")) + "\"";
  folder.AddFile(names[2] + L".txt", "text");
  EXPECT_GT(shell.Open(kNoWindow, document, "", "", ShowCommand::kShowNormal), 32);
  EXPECT_GT(shell.Open(kNoWindow, quoted, "", "", ShowCommand::kShowNormal), 32);
  EXPECT_GT(shell.Open(kNoWindow, "notepad.exe", "\"" + U8(names[2] + L".txt") + "\"", U8(folder.path()),
                       ShowCommand::kShowMinimized),
            32);
  for (const std::wstring& name : names) {
    const HWND editor = WaitForWindowTitled(name);
    ASSERT_NE(editor, nullptr) << U8(name);
    EXPECT_TRUE(name != names[2] || PumpUntil([&] { return ::IsIconic(editor) != FALSE; })) << "minimised";
    EXPECT_TRUE(win32_test::EndProcessOf(editor));
  }
}

// The folder, or with files included the file, that the user picked; nothing
// when the user cancelled. The prompt is shown, and the window thread's timers
// run while the dialog is up.
TEST_F(ShellOpenTest, BrowseForFolderGivesTheChoice) {
  const std::wstring chosen_folder = folder / L"\u0432\u044b\u0431\u043e\u0440 \u9078\u629e";
  ASSERT_NE(::CreateDirectoryW(chosen_folder.c_str(), nullptr), FALSE);
  struct Choice {
    std::uint32_t flags;
    std::optional<std::string> title;
    std::wstring chosen;  // "" to cancel
  };
  const Choice choices[] = {
      {ShellService::kOnlyFileSystemFolders, std::nullopt, chosen_folder},
      {ShellService::kIncludeFiles, "Select a File:", folder.AddFile(L"kstrv7 \u0444\u0430\u0439\u043b.reg")},
      {ShellService::kIncludeFiles, "Select import folder: \u0442\u0435\u0441\u0442", L""},
  };
  static std::atomic<int> ticks{0};
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) { ++ticks; });
  for (const Choice& choice : choices) {
    ticks = 0;
    bool title_shown = false;
    std::jthread driver = win32_test::AnswerDialog(
        [](HWND) { return true; },
        [&](HWND dialog) {
          title_shown =
              !choice.title || ::FindWindowExW(dialog, nullptr, nullptr, ToWide(*choice.title).c_str());
          PumpUntil([] { return ticks >= 2; });
          // Wine's browser opens one level of the tree per request: ask once
          // per level of the path, at the most.
          for (int level = 0; !choice.chosen.empty() && level < 24; ++level)
            ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(choice.chosen.c_str()));
          ::SendMessageW(::GetDlgItem(dialog, choice.chosen.empty() ? IDCANCEL : IDOK), BM_CLICK, 0, 0);
        });
    EXPECT_EQ(shell.BrowseForFolder(kNoWindow, choice.flags, choice.title), U8(choice.chosen));
    driver.join();
    EXPECT_TRUE(title_shown) << "the prompt is shown in the dialog";
    EXPECT_GE(ticks, 2) << "the window thread's timers ran while the dialog was up";
  }
  ::KillTimer(nullptr, timer);
}

}  // namespace
