// The Windows services behind sharing the configuration: the registry tool
// run to its end with its exit code and time limit, whole files, month names.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_process.h"
#include "platform/win32/win32_system.h"

namespace {

using Outcome = platform::RunResult::Outcome;

TEST(SharingBackendsTest, RegistryToolRunsToItsEndWithItsExitCode) {
  platform::win32::Win32Process process;
  platform::win32::Win32Files files;
  const std::string file = files.TemporaryFolder() + "ks sharing test.reg";
  const std::string key = "HKCU\\Software\\KestroveSharingTest";
  const auto reg = [&](const std::string& arguments, std::uint32_t timeout_ms = 60000) {
    const platform::RunResult result =
        process.RunSystemProgram("reg.exe", arguments, platform::ShowCommand::kShowMinNoActive, timeout_ms);
    return result.outcome == Outcome::kExited ? static_cast<int>(result.exit_code)
                                              : -1 - static_cast<int>(result.outcome);
  };
  EXPECT_EQ(reg("add " + key + " /v Tray /d 1 /f"), 0);
  // With /y the second export replaces the first without asking.
  EXPECT_EQ(reg("export " + key + " \"" + file + "\" /y"), 0);
  EXPECT_EQ(reg("export " + key + " \"" + file + "\" /y"), 0);
  EXPECT_EQ(files.ReadWhole(file, 2), "\xFF\xFE") << "Unicode with its byte-order mark";
  EXPECT_EQ(reg("delete " + key + " /f"), 0);
  EXPECT_EQ(reg("import \"" + file + "\""), 0);
  EXPECT_EQ(reg("query " + key + " /v Tray"), 0) << "imported again";
  EXPECT_EQ(reg("delete " + key + " /f"), 0);
  EXPECT_EQ(reg("query " + key), 1);
  EXPECT_EQ(reg("query HKCU", 0), -1 - static_cast<int>(Outcome::kTimedOut)) << "stopped at the time limit";
  for (const char* program :
       {"no-such-tool.exe", "..\\system32\\reg.exe", "C:\\windows\\system32\\reg.exe"}) {
    EXPECT_EQ(process.RunSystemProgram(program, "", platform::ShowCommand::kHide, 5000).outcome,
              Outcome::kNotStarted)
        << program << ": a bare name, taken from the system folder only";
  }
  EXPECT_TRUE(files.Delete(file));
}

TEST(SharingBackendsTest, WholeFilesAndMonthNames) {
  platform::win32::Win32Files files;
  const std::string folder = files.TemporaryFolder();
  ASSERT_TRUE(folder.ends_with("\\"));
  const std::string path = folder + "ks-whole-file-test.bin";
  const std::string content = std::string("\xFF\xFE\0a\r\n", 6) + std::string(200000, 'x');
  ASSERT_TRUE(files.WriteWhole(path, content + "an older, longer content"));
  ASSERT_TRUE(files.WriteWhole(path, content));
  EXPECT_EQ(files.ReadWhole(path, content.size() + 1), content) << "replaced whole";
  EXPECT_EQ(files.ReadWhole(path, 5), content.substr(0, 5));
  EXPECT_TRUE(files.Delete(path));
  EXPECT_FALSE(files.ReadWhole(path, 10));
  EXPECT_FALSE(files.ReadWhole(folder, 10)) << "a folder is no file";
  EXPECT_FALSE(files.WriteWhole(folder + "no such folder\\x.reg", "x"));

  platform::win32::Win32Clock clock;
  EXPECT_EQ(clock.MonthName(1) + clock.MonthName(12) + clock.MonthName(13), "JanuaryDecember");
}

}  // namespace
