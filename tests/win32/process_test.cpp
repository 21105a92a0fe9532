// The process service against real processes. Besides hiding from the task
// list, the tests start this very program again as a child: when the
// environment variable KSV_TEST_CHILD names a role, the child plays it from a
// static initializer and ends before GoogleTest starts (see RunChildRole).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <tuple>

#include "platform/win32/win32_process.h"
#include "platform/win32/win32_services.h"
#include "win32/win32_test_support.h"

namespace {

using platform::ShowCommand;
using platform::win32::FromWide;
using platform::win32::ToWide;
using platform::win32::UniqueKernelHandle;
using platform::win32::Win32Process;
using win32_test::PumpUntil;
using win32_test::ReadFileText;
using win32_test::ScopedEnvironment;
using win32_test::TempFolder;

constexpr wchar_t kRoleVariable[] = L"KSV_TEST_CHILD";
constexpr DWORD kSawAnotherInstance = 41;  // exit codes of the "instance" role
constexpr DWORD kSawNoOtherInstance = 40;

std::wstring child_marker;  // the file the roles write what they saw or ran to

void NoteInMarker(const std::string& what) {
  std::ofstream(std::filesystem::path(child_marker), std::ios::app | std::ios::binary) << what;
}

LRESULT CALLBACK ChildWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CLOSE || message == WM_DESTROY) NoteInMarker(message == WM_CLOSE ? "close " : "destroy ");
  if (message == WM_TIMER) ::ExitProcess(0);  // never outlive a failed test
  return ::DefWindowProcW(window, message, wparam, lparam);
}

HWND CreateChildWindow(const std::wstring& title) {
  const WNDCLASSW window_class{0,       ChildWindowProc, 0,       0,       ::GetModuleHandleW(nullptr),
                               nullptr, nullptr,         nullptr, nullptr, L"KSVChildWindow"};
  ::RegisterClassW(&window_class);
  return ::CreateWindowExW(0, window_class.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, 60, 60, 300,
                           160, nullptr, nullptr, window_class.hInstance, nullptr);
}

// "end|<marker>": a window with a pending close message and exit handlers,
// then EndProcess. "exit|<marker>": the same, ended the ordinary way, to show
// that the marker does catch handlers that run.
[[noreturn]] void EndRole(bool orderly) {
  std::atexit([] { NoteInMarker("atexit "); });
  const HWND window = CreateChildWindow(L"KSV End Child");
  ::PostMessageW(window, WM_CLOSE, 0, 0);  // runs if anything pumps messages again
  if (orderly) {
    ::DestroyWindow(window);
    std::exit(0);
  }
  Win32Process().EndProcess();
}

// "window|<title>": shows a window with the show command this process was
// started with, as WinMain passes it, and pumps messages until ended.
[[noreturn]] void WindowRole(const std::wstring& title) {
  STARTUPINFOW startup{};
  ::GetStartupInfoW(&startup);
  const HWND window = CreateChildWindow(title);
  ::ShowWindow(window, (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT);
  ::SetTimer(window, 1, 60000, nullptr);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
  ::ExitProcess(0);
}

int RunChildRole() {
  wchar_t value[1024] = {};
  const DWORD length = ::GetEnvironmentVariableW(kRoleVariable, value, 1024);
  if (length == 0 || length >= 1024) return 0;
  const std::wstring role = value;
  const std::wstring name = role.substr(0, role.find(L'|'));
  const std::wstring argument = role.substr(std::min(role.size(), name.size() + 1));
  if (name == L"instance")
    ::ExitProcess(Win32Process().AnotherInstanceRunning() ? kSawAnotherInstance : kSawNoOtherInstance);
  if (name == L"window") WindowRole(argument);
  child_marker = argument;
  if (name == L"end" || name == L"exit") EndRole(name == L"exit");
  if (name == L"folder") {
    NoteInMarker(Win32Process().ExecutableFolder());
    ::ExitProcess(0);
  }
  return 0;
}

[[maybe_unused]] const int kChildRole = RunChildRole();

std::wstring OwnPath() {
  wchar_t path[MAX_PATH * 2] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  return path;
}

// Runs this program (or a copy at `program`) in a role and returns its exit
// code; STILL_ACTIVE when it did not start or end within 10 s.
DWORD RunChild(const std::wstring& role, const std::wstring& program = OwnPath()) {
  const auto environment = ScopedEnvironment(kRoleVariable, role);
  std::wstring command_line = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  DWORD code = STILL_ACTIVE;
  if (::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &started) == FALSE)
    return code;
  const UniqueKernelHandle process(started.hProcess);
  const UniqueKernelHandle thread(started.hThread);
  if (::WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0)
    ::GetExitCodeProcess(process.get(), &code);
  ::TerminateProcess(process.get(), 1);  // when it still runs
  return code;
}

TEST(ProcessTest, HidingFromTheTaskListHidesTheOwnerOfTheForms) {
  platform::win32::Win32Services win32(::GetModuleHandleW(nullptr));
  platform::ProcessService& process = win32.services().process;
  const win32_test::TestWindow owner(L"KSV Owner Test");
  win32.process().SetOwnerWindow(owner.hwnd());
  ASSERT_EQ(win32_test::Join(process.HiddenFromTaskList(), ::IsWindowVisible(owner.hwnd())), "0 1");
  process.HideFromTaskList();
  EXPECT_EQ(win32_test::Join(process.HiddenFromTaskList(), ::IsWindowVisible(owner.hwnd())), "1 0");

  // An owner registered later (the forms' owner is recreated) is hidden too.
  const win32_test::TestWindow later(L"KSV Later Owner Test");
  win32.process().SetOwnerWindow(later.hwnd());
  EXPECT_EQ(::IsWindowVisible(later.hwnd()), FALSE);
}

TEST(ProcessTest, AnotherInstanceIsASecondProcessOfTheSameExecutable) {
  {
    Win32Process first;
    EXPECT_FALSE(first.AnotherInstanceRunning()) << "this test program is the only copy running";
    EXPECT_FALSE(first.AnotherInstanceRunning()) << "asking again gives the same answer";
    EXPECT_EQ(RunChild(L"instance"), kSawAnotherInstance) << "a second start sees this one";
    // A closing copy gives its claim up before it starts a fresh one.
    first.ReleaseInstanceClaim();
    EXPECT_EQ(RunChild(L"instance"), kSawNoOtherInstance) << "a copy started after the claim was given up";
  }
  // A copy that has ended (here: given up its claim) no longer counts.
  EXPECT_EQ(RunChild(L"instance"), kSawNoOtherInstance);
}

TEST(ProcessTest, EndProcessEndsAtOnceWithoutRunningAnyHandler) {
  const TempFolder folder(L"end");
  const std::wstring ordinary = folder / L"ordinary.txt";
  EXPECT_EQ(RunChild(L"exit|" + ordinary), 0U);
  EXPECT_NE(ReadFileText(ordinary), "") << "an ordinary exit does run handlers the marker sees";

  const std::wstring ended = folder / L"ended.txt";
  EXPECT_EQ(RunChild(L"end|" + ended), 0U) << "EndProcess returned or the child failed";
  EXPECT_EQ(::GetFileAttributesW(ended.c_str()), INVALID_FILE_ATTRIBUTES)
      << "handlers ran: " << ReadFileText(ended);
}

// A copy of this program in a folder whose name has spaces, Cyrillic and CJK
// reports that folder, and is started (unquoted) with its first window shown
// as asked.
TEST(ProcessTest, ExecutableFolderVersionAndStart) {
  Win32Process process;
  // res/kstrv7.rc, which this test program links, declares FILEVERSION
  // 7,6,0,3 (major, minor, revision in the last field).
  const platform::ProgramVersion version = process.ExecutableVersion();
  EXPECT_EQ(std::tuple(version.major, version.minor, version.revision), std::tuple(7, 6, 3));

  const TempFolder copy_folder(L"process");
  const std::wstring copy = copy_folder / L"win32 tests copy.exe";
  ASSERT_NE(::CopyFileW(OwnPath().c_str(), copy.c_str(), TRUE), FALSE);
  const std::wstring report = copy_folder / L"folder.txt";
  ASSERT_EQ(RunChild(L"folder|" + report, copy), 0U);
  EXPECT_EQ(ReadFileText(report), FromWide(copy_folder.path()) + "\\");

  for (const ShowCommand show : {ShowCommand::kShowMinimized, ShowCommand::kShowNormal}) {
    const std::wstring title = win32_test::UniqueName(L"started");
    const auto environment = ScopedEnvironment(kRoleVariable, L"window|" + title);
    ASSERT_TRUE(process.Start(FromWide(copy), show));
    HWND window = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
      window = ::FindWindowW(nullptr, title.c_str());
      return window != nullptr && ::IsWindowVisible(window) != FALSE;
    })) << "the started program shows its window";
    const bool minimized = show == ShowCommand::kShowMinimized;
    EXPECT_TRUE(PumpUntil([&] { return (::IsIconic(window) != FALSE) == minimized; })) << minimized;
    EXPECT_TRUE(win32_test::EndProcessOf(window));
  }
  EXPECT_FALSE(process.Start(FromWide(copy_folder / L"absent.exe"), ShowCommand::kShowNormal));
}

}  // namespace
