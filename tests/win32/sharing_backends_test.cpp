// The Windows services behind sharing the configuration, where the end-to-end
// scenarios do not reach: the registry tool's failures and time limit, the
// program names refused, whole files cut short, missing or not files.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_process.h"
#include "platform/win32/win32_system.h"

namespace {

using Outcome = platform::RunResult::Outcome;

TEST(SharingBackendsTest, RegistryToolRunToItsEndOrStopped) {
  platform::win32::Win32Process process;
  const auto run = [&](const char* program, const char* arguments, std::uint32_t timeout_ms) {
    return process.RunSystemProgram(program, arguments, platform::ShowCommand::kShowMinNoActive, timeout_ms);
  };
  const platform::RunResult missing = run("reg.exe", "query HKCU\\Software\\KestroveNoSuchKey", 60000);
  EXPECT_EQ(missing.outcome, Outcome::kExited);
  EXPECT_EQ(missing.exit_code, 1U);
  EXPECT_EQ(run("reg.exe", "query HKCU", 0).outcome, Outcome::kTimedOut);
  for (const char* program : {"no-such-tool.exe", "..\\system32\\reg.exe", "C:\\windows\\system32\\reg.exe"})
    EXPECT_EQ(run(program, "", 5000).outcome, Outcome::kNotStarted)
        << program << ": a bare name of the system folder";
}

TEST(SharingBackendsTest, WholeFiles) {
  platform::win32::Win32Files files;
  const std::string folder = files.TemporaryFolder();
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
}

}  // namespace
