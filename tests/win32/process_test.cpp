// The process service against real processes: the tests start this very
// program again as a child; when the environment variable KSV_TEST_CHILD names
// a role, the child plays it from a static initializer and ends before
// GoogleTest starts (see RunChildRole). The program's own restart: tests/e2e.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <tuple>

#include "platform/win32/win32_process.h"
#include "platform/win32/win32_system.h"
#include "win32/win32_test_support.h"

namespace {

using platform::ShowCommand;
using platform::win32::Win32Process;
using win32_test::PumpUntil;
using win32_test::ReadFileText;
using win32_test::TempFolder;

constexpr wchar_t kRoleVariable[] = L"KSV_TEST_CHILD";
constexpr DWORD kSawAnotherInstance = 41;  // exit codes of the "instance" role
constexpr DWORD kSawNoOtherInstance = 40;
std::wstring child_marker;  // the file a role writes what it saw or ran to

void NoteInMarker(const std::string& what) {
  std::ofstream(std::filesystem::path(child_marker), std::ios::app | std::ios::binary) << what;
}

// The roles, each "<name>|<file>":
//   instance             exits kSawAnotherInstance or kSawNoOtherInstance
//   end|<marker>         an exit handler that notes its run, then EndProcess
//   exit|<marker>        the same, ended the ordinary way: the marker does catch handlers that run
//   write|<destination>  writes a file beside the destination, and waits to be killed (a minute at most)
int RunChildRole() {
  wchar_t value[1024] = {};
  const DWORD length = ::GetEnvironmentVariableW(kRoleVariable, value, 1024);
  if (length == 0 || length >= 1024) return 0;
  const std::wstring role = value;
  const std::wstring name = role.substr(0, role.find(L'|'));
  child_marker = role.substr(std::min(role.size(), name.size() + 1));
  if (name == L"instance")
    ::ExitProcess(Win32Process().AnotherInstanceRunning() ? kSawAnotherInstance : kSawNoOtherInstance);
  if (name == L"end" || name == L"exit") {
    std::atexit([] { NoteInMarker("atexit "); });
    if (name == L"exit") std::exit(0);
    Win32Process().EndProcess();
  }
  if (name == L"write") {
    const auto writer = platform::win32::Win32Files().CreateBeside(platform::win32::FromWide(child_marker));
    if (writer != nullptr && writer->Write(std::vector<std::uint8_t>(1 << 20, 0x5A))) ::Sleep(60000);
  }
  ::ExitProcess(0);
}

[[maybe_unused]] const int kChildRole = RunChildRole();

// Starts this program in a role, named in the environment while it starts.
platform::win32::UniqueKernelHandle StartChild(const std::wstring& role) {
  wchar_t path[MAX_PATH * 2] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  std::wstring command_line = L"\"" + std::wstring(path) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  ::SetEnvironmentVariableW(kRoleVariable, role.c_str());
  const BOOL created = ::CreateProcessW(path, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                        nullptr, &startup, &started);
  ::SetEnvironmentVariableW(kRoleVariable, nullptr);
  if (created == FALSE) return {};
  ::CloseHandle(started.hThread);
  return platform::win32::UniqueKernelHandle(started.hProcess);
}

// The child's exit code; STILL_ACTIVE when it did not start or end within 10 s.
DWORD RunChild(const std::wstring& role) {
  const auto process = StartChild(role);
  DWORD code = STILL_ACTIVE;
  if (process && ::WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0)
    ::GetExitCodeProcess(process.get(), &code);
  if (process) ::TerminateProcess(process.get(), 1);  // when it still runs
  return code;
}

TEST(ProcessTest, EndProcessEndsAtOnceWithoutRunningAnyHandler) {
  const TempFolder folder(L"end");
  EXPECT_EQ(RunChild(L"exit|" + folder / L"ordinary.txt"), 0U);
  EXPECT_NE(ReadFileText(folder / L"ordinary.txt"), "")
      << "an ordinary exit does run handlers the marker sees";
  EXPECT_EQ(RunChild(L"end|" + folder / L"ended.txt"), 0U) << "EndProcess returned or the child failed";
  EXPECT_EQ(ReadFileText(folder / L"ended.txt"), "") << "handlers ran";
}

// The temporary file of an encryption goes with the handle of the program
// writing it, however that program ends.
TEST(ProcessTest, AProgramKilledWhileWritingAFileLeavesNothingBehind) {
  const TempFolder folder(L"killed");
  const auto child = StartChild(L"write|" + folder / L"large.bin.ks7");
  ASSERT_TRUE(child && PumpUntil([&] { return !std::filesystem::is_empty(folder.path()); }));
  ASSERT_TRUE(::TerminateProcess(child.get(), 1) &&
              ::WaitForSingleObject(child.get(), 10000) == WAIT_OBJECT_0);
  EXPECT_TRUE(PumpUntil([&] { return std::filesystem::is_empty(folder.path()); }));
}

// A second start sees this copy until it gives up its claim, as a closing copy
// does before it starts a fresh one, however long it then takes to end. The
// version is res/kstrv7.rc's, which this test program links: FILEVERSION
// 7,6,0,3 (major, minor, revision in the last field).
TEST(ProcessTest, AnotherInstanceUntilTheClaimIsGivenUpAndTheVersion) {
  Win32Process process;
  EXPECT_FALSE(process.AnotherInstanceRunning()) << "this test program is the only copy running";
  EXPECT_EQ(RunChild(L"instance"), kSawAnotherInstance);
  process.ReleaseInstanceClaim();
  EXPECT_EQ(RunChild(L"instance"), kSawNoOtherInstance);
  const platform::ProgramVersion version = process.ExecutableVersion();
  EXPECT_EQ(std::tuple(version.major, version.minor, version.revision), std::tuple(7, 6, 3));
}

// The registry tool runs to its end (its exit code read) or is stopped at the
// time limit; only bare names of programs in the system folder are run.
TEST(ProcessTest, SystemProgramsRunToTheirEndOrAreStopped) {
  using Outcome = platform::RunResult::Outcome;
  Win32Process process;
  const auto run = [&](const char* program, const char* arguments, std::uint32_t timeout_ms) {
    return process.RunSystemProgram(program, arguments, ShowCommand::kShowMinNoActive, timeout_ms);
  };
  const platform::RunResult missing = run("reg.exe", "query HKCU\\Software\\KestroveNoSuchKey", 60000);
  EXPECT_EQ(win32_test::Join(missing.outcome == Outcome::kExited, missing.exit_code), "1 1");
  EXPECT_EQ(run("reg.exe", "query HKCU", 0).outcome, Outcome::kTimedOut);
  for (const char* program : {"no-such-tool.exe", "..\\system32\\reg.exe", "C:\\windows\\system32\\reg.exe"})
    EXPECT_EQ(run(program, "", 5000).outcome, Outcome::kNotStarted) << program;
}

}  // namespace
