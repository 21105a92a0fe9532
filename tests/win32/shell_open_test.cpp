// Opening files and programs through the shell, and the folder browser
// driven from a second thread as a user would drive it. The programs the
// tests open (the text editor) are found by their window and ended.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_shell.h"
#include "win32/backend_test_support.h"
#include "win32/win32_test_support.h"

namespace {

using platform::kNoWindow;
using platform::ShellService;
using platform::ShowCommand;
using platform::win32::FromWide;
using platform::win32::Win32Shell;
using win32_test::DialogDriver;
using win32_test::EndProcessOf;
using win32_test::PollUntil;
using win32_test::PressButton;
using win32_test::TempFolder;
using win32_test::WindowText;

// The visible top-level window whose title contains `part`; nullptr if none.
HWND FindWindowTitled(const std::wstring& part) {
  struct Search {
    const std::wstring* part;
    HWND found;
  } search{&part, nullptr};
  ::EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        if (::IsWindowVisible(window) == FALSE || WindowText(window).find(*s->part) == std::wstring::npos) {
          return TRUE;
        }
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Whether the dialog has a child window showing exactly that text.
bool ShowsText(HWND dialog, const std::wstring& text) {
  struct Search {
    const std::wstring* text;
    bool found;
  } search{&text, false};
  ::EnumChildWindows(
      dialog,
      [](HWND child, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        s->found = WindowText(child) == *s->text;
        return s->found ? FALSE : TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A text in double quotes. (Built step by step: GCC 12 at -O3 warns falsely
// of overlapping copies in "\"" + text + "\"".)
std::string Quoted(const std::string& text) {
  std::string quoted(1, '"');
  quoted.append(text);
  quoted.push_back('"');
  return quoted;
}

// A program in the system folder.
std::wstring SystemProgram(const wchar_t* name) {
  wchar_t system[MAX_PATH] = {};
  ::GetSystemDirectoryW(system, MAX_PATH);
  return std::wstring(system) + L"\\" + name;
}

// A document type opened by a program, for the length of a test. (A fresh
// Wine prefix maps no program to ".txt", and Wine's shell reads only the
// machine's classes, not the user's, so the type is the machine's.)
class ScopedDocumentType {
 public:
  ScopedDocumentType(std::wstring extension, std::wstring type, const std::wstring& program)
      : extension_key_(kClasses + extension), type_key_(kClasses + type) {
    SetDefault(extension_key_, type);
    SetDefault(type_key_ + L"\\shell\\open\\command", L"\"" + program + L"\" \"%1\"");
  }
  ~ScopedDocumentType() {
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, extension_key_.c_str());
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, type_key_.c_str());
  }
  ScopedDocumentType(const ScopedDocumentType&) = delete;
  ScopedDocumentType& operator=(const ScopedDocumentType&) = delete;
  ScopedDocumentType(ScopedDocumentType&&) = delete;
  ScopedDocumentType& operator=(ScopedDocumentType&&) = delete;

 private:
  static constexpr wchar_t kClasses[] = L"Software\\Classes\\";

  static void SetDefault(const std::wstring& key, const std::wstring& value) {
    HKEY handle = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle,
                          nullptr) != ERROR_SUCCESS) {
      throw std::runtime_error("RegCreateKeyExW failed");
    }
    ::RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(handle);
  }

  std::wstring extension_key_;
  std::wstring type_key_;
};

std::wstring UniqueName(const wchar_t* what) {
  static std::atomic<int> serial{0};
  return std::wstring(L"ksv ") + what + L" " + std::to_wstring(::GetCurrentProcessId()) + L"-" +
         std::to_wstring(++serial) + L" \u0442\u0435\u0441\u0442";
}

class ShellOpenTest : public ::testing::Test {
 protected:
  // The program's window thread runs with OLE initialised (main does it);
  // the folder browser needs it.
  void SetUp() override { ole_ = ::OleInitialize(nullptr); }
  void TearDown() override {
    if (SUCCEEDED(ole_)) ::OleUninitialize();
  }

  static std::string U8(const std::wstring& text) { return FromWide(text); }

  HRESULT ole_ = E_FAIL;
  TempFolder folder{L"shell"};
  Win32Shell shell;
};

TEST_F(ShellOpenTest, OpeningAMissingFileFails) {
  EXPECT_EQ(shell.Open(kNoWindow, U8(folder / L"absent.txt"), "", "", ShowCommand::kShowNormal), 2)
      << "file not found";
  EXPECT_LE(shell.Open(kNoWindow, Quoted(U8(folder / L"absent.scf")), "", "", ShowCommand::kShowNormal), 32)
      << "quoted, as the unlock prompt passes its file";
}

TEST_F(ShellOpenTest, OpeningADocumentStartsTheProgramOfItsType) {
  const ScopedDocumentType type(L".ksvdoc", L"KSV.TestDocument", SystemProgram(L"notepad.exe"));
  // Once plain, once in double quotes as the unlock prompt passes its file.
  for (const bool quoted : {false, true}) {
    const std::wstring name = UniqueName(L"document");
    const std::string path = U8(folder.AddFile(name + L".ksvdoc", "text"));
    EXPECT_GT(shell.Open(kNoWindow, quoted ? Quoted(path) : path, "", "", ShowCommand::kShowNormal), 32)
        << (quoted ? "quoted" : "plain");
    HWND editor = nullptr;
    ASSERT_TRUE(PollUntil([&] { return (editor = FindWindowTitled(name)) != nullptr; }))
        << "no window shows " << U8(name);
    EXPECT_TRUE(EndProcessOf(editor));
  }
}

TEST_F(ShellOpenTest, OpeningAProgramPassesParametersFolderAndShowCommand) {
  const std::wstring name = UniqueName(L"program");
  folder.AddFile(name + L".txt", "text");
  // The file is named relative to the working folder given.
  EXPECT_GT(shell.Open(kNoWindow, U8(SystemProgram(L"notepad.exe")), Quoted(U8(name + L".txt")),
                       U8(folder.path()), ShowCommand::kShowMinimized),
            32);
  HWND editor = nullptr;
  ASSERT_TRUE(PollUntil([&] { return (editor = FindWindowTitled(name)) != nullptr; }))
      << "the editor did not open the file in the working folder";
  EXPECT_TRUE(PollUntil([&] { return ::IsIconic(editor) != FALSE; })) << "shown minimised";
  EXPECT_TRUE(EndProcessOf(editor));
}

// ---- The folder browser -------------------------------------------------------

std::atomic<int> ticks{0};
void CALLBACK CountTick(HWND /*window*/, UINT /*message*/, UINT_PTR /*id*/, DWORD /*time*/) {
  ++ticks;
}

TEST_F(ShellOpenTest, BrowseForFolderCancelledIsEmptyAndTimersKeepRunning) {
  const std::wstring title = L"Select import folder: \u0442\u0435\u0441\u0442";
  ticks = 0;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &CountTick);
  bool title_shown = false;
  DialogDriver driver([](HWND) { return true; },
                      [&](HWND dialog) {
                        title_shown = ShowsText(dialog, title);
                        PollUntil([] { return ticks >= 2; });
                        PressButton(dialog, IDCANCEL);
                      });
  EXPECT_EQ(shell.BrowseForFolder(kNoWindow, ShellService::kIncludeFiles, U8(title)), "");
  driver.Join();
  ::KillTimer(nullptr, timer);
  EXPECT_TRUE(driver.found());
  EXPECT_TRUE(title_shown) << "the prompt is shown in the dialog";
  EXPECT_GE(ticks, 2) << "the timers of the window thread ran while the dialog was up";
}

TEST_F(ShellOpenTest, BrowseForFolderReturnsTheChosenFolder) {
  const std::wstring chosen = folder / L"\u0432\u044b\u0431\u043e\u0440 \u9078\u629e";
  ASSERT_NE(::CreateDirectoryW(chosen.c_str(), nullptr), FALSE);
  DialogDriver driver([](HWND) { return true; },
                      [&](HWND dialog) {
                        ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE,
                                       reinterpret_cast<LPARAM>(chosen.c_str()));
                        PressButton(dialog, IDOK);
                      });
  const std::string result =
      shell.BrowseForFolder(kNoWindow, ShellService::kOnlyFileSystemFolders, std::nullopt);
  driver.Join();
  EXPECT_TRUE(driver.found());
  EXPECT_EQ(result, U8(chosen));
}

TEST_F(ShellOpenTest, BrowseForFolderWithFilesReturnsTheChosenFile) {
  const std::wstring chosen = folder.AddFile(L"kstrv7 \u0444\u0430\u0439\u043b.reg");
  DialogDriver driver([](HWND) { return true; },
                      [&](HWND dialog) {
                        ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE,
                                       reinterpret_cast<LPARAM>(chosen.c_str()));
                        PressButton(dialog, IDOK);
                      });
  const std::string result = shell.BrowseForFolder(kNoWindow, ShellService::kIncludeFiles, "Select a File:");
  driver.Join();
  EXPECT_TRUE(driver.found());
  EXPECT_EQ(result, U8(chosen));
}

}  // namespace
