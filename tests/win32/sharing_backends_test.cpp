// The Windows services behind sharing the configuration: the registry tool
// run to its end with its exit code and a time limit, whole files read and
// written in the temporary folder, and the user's month names.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_process.h"
#include "platform/win32/win32_system.h"

namespace {

using platform::RunResult;
using platform::ShowCommand;

constexpr char kKey[] = "HKCU\\Software\\KestroveSharingTest";

class SharingBackendsTest : public ::testing::Test {
 protected:
  void TearDown() override { Reg(std::string("delete ") + kKey + " /f"); }

  RunResult Reg(const std::string& arguments, std::uint32_t timeout_ms = 60000) {
    return process.RunSystemProgram("reg.exe", arguments, ShowCommand::kShowMinNoActive, timeout_ms);
  }

  platform::win32::Win32Process process;
  platform::win32::Win32Files files;
};

TEST_F(SharingBackendsTest, RegistryToolRunsToItsEndWithItsExitCode) {
  const std::string folder = files.TemporaryFolder() + "ks sharing test";
  ::CreateDirectoryA(folder.c_str(), nullptr);
  const std::string file = folder + "\\kstrv7.reg";
  const auto exited = [](int code) {
    return RunResult{RunResult::Outcome::kExited, static_cast<std::uint32_t>(code)};
  };
  const auto same = [](const RunResult& a, const RunResult& b) {
    return a.outcome == b.outcome && a.exit_code == b.exit_code;
  };

  EXPECT_TRUE(same(Reg(std::string("add ") + kKey + " /v Tray /d 1 /f"), exited(0)));
  // The second export replaces the first without asking.
  for (int round = 0; round < 2; ++round) {
    EXPECT_TRUE(same(Reg(std::string("export ") + kKey + " \"" + file + "\" /y"), exited(0))) << round;
  }
  const std::optional<std::string> exported = files.ReadWhole(file, 1 << 20);
  ASSERT_TRUE(exported);
  EXPECT_EQ(exported->substr(0, 2), "\xFF\xFE") << "Unicode with its byte-order mark";
  EXPECT_TRUE(same(Reg(std::string("delete ") + kKey + " /f"), exited(0)));
  EXPECT_TRUE(same(Reg("import \"" + file + "\""), exited(0)));
  EXPECT_TRUE(same(Reg(std::string("query ") + kKey + " /v Tray"), exited(0))) << "imported again";
  EXPECT_TRUE(same(Reg("query HKCU\\Software\\KestroveNoSuchKey"), exited(1)));
  EXPECT_TRUE(same(Reg("import \"" + folder + "\\missing.reg\""), exited(1)));

  EXPECT_EQ(Reg("query HKCU", 0).outcome, RunResult::Outcome::kTimedOut) << "stopped at the time limit";
  for (const char* program :
       {"no-such-tool.exe", "..\\system32\\reg.exe", "C:\\windows\\system32\\reg.exe"}) {
    EXPECT_EQ(process.RunSystemProgram(program, "", ShowCommand::kHide, 5000).outcome,
              RunResult::Outcome::kNotStarted)
        << program << ": only a bare name, looked for in the system folder";
  }
  files.Delete(file);
  ::RemoveDirectoryA(folder.c_str());
}

TEST_F(SharingBackendsTest, WholeFilesInTheTemporaryFolder) {
  const std::string folder = files.TemporaryFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\');
  EXPECT_EQ(files.Kind(folder), platform::FileKind::kFolder);

  const std::string path = folder + "ks-whole-file-test.bin";
  const std::string content = std::string("\xFF\xFE\0a\r\n", 6) + std::string(200000, 'x');
  ASSERT_TRUE(files.WriteWhole(path, "an older, longer content that is replaced entirely........"));
  ASSERT_TRUE(files.WriteWhole(path, content));
  EXPECT_EQ(files.ReadWhole(path, content.size() + 1), content);
  EXPECT_EQ(files.ReadWhole(path, 5), content.substr(0, 5));
  EXPECT_TRUE(files.Delete(path));
  EXPECT_FALSE(files.ReadWhole(path, 10));
  EXPECT_FALSE(files.ReadWhole(folder, 10)) << "a folder is no file";
  EXPECT_FALSE(files.WriteWhole(folder + "no such folder\\x.reg", "x"));
}

TEST(SharingClockTest, MonthNamesOfTheUsersLanguage) {
  platform::win32::Win32Clock clock;
  EXPECT_EQ(clock.MonthName(1), "January");
  EXPECT_EQ(clock.MonthName(12), "December");
  EXPECT_EQ(clock.MonthName(0), "");
  EXPECT_EQ(clock.MonthName(13), "");
}

}  // namespace
