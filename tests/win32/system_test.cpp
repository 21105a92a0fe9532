// The registry, file, crypto, letter-case and process services against the
// real system, and the encryption component over them.
#include <windows.h>

#include <bcrypt.h>

#undef EncryptFile  // windows.h macros that would rename the component's operations
#undef DecryptFile

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "config/password.h"
#include "config/registry_edit.h"
#include "engine/file_encryption.h"
#include "platform/text.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_crypto.h"
#include "platform/win32/win32_event_loop.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"
#include "support/crypto_vectors.h"
#include "support/ks7_vectors.h"
#include "win32/win32_test_support.h"

namespace {

using platform::FileKind;
using platform::RegRoot;
using platform::win32::FromWide;
using platform::win32::ToWide;
using platform::win32::Win32Process;
using win32_test::Join;
using Bytes = std::vector<std::uint8_t>;

std::string ReadFileText(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Below Software\KSVTest\<pid> of both roots the program uses.
Bytes WideBytes(const std::wstring& text, bool with_nul) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.c_str());
  return {bytes, bytes + (text.size() + (with_nul ? 1 : 0)) * sizeof(wchar_t)};
}

class RegistryTest : public ::testing::TestWithParam<RegRoot> {
 protected:
  void SetUp() override { ::RegDeleteTreeW(root_key, key.c_str()); }
  void TearDown() override {
    ::RegDeleteTreeW(root_key, key.c_str());
    ::RegDeleteKeyW(root_key, L"Software\\KSVTest");  // only when no other run uses it
    EXPECT_EQ(registry.open_keys(), 0U) << "a key handle leaked";
  }
  // A value of the key `deep` read bypassing the code under test.
  std::optional<std::pair<DWORD, Bytes>> GetRaw(const std::string& name) const {
    platform::win32::UniqueKey opened;
    DWORD type = REG_NONE, size = 8192;
    Bytes data(size);
    if (::RegOpenKeyExW(root_key, ToWide(base + deep).c_str(), 0, KEY_READ, opened.put()) != ERROR_SUCCESS ||
        ::RegQueryValueExW(opened.get(), ToWide(name).c_str(), nullptr, &type, data.data(), &size) !=
            ERROR_SUCCESS)
      return std::nullopt;
    return std::pair{type, Bytes(data.begin(), data.begin() + size)};
  }

  const RegRoot root = GetParam();
  const HKEY root_key = root == RegRoot::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  const std::string base = "Software\\KSVTest\\" + std::to_string(::GetCurrentProcessId());
  const std::wstring key = ToWide(base);
  const std::string deep = "\\Settings\\Задачи 任务";
  platform::win32::Win32Registry registry;
  config::RegistryEdit edit{registry};
};

// Writes create the whole key path and store REG_SZ as UTF-16 with its NUL, also
// outside the ANSI code page; reading a missing key creates nothing.
TEST_P(RegistryTest, ValuesGoInAndComeOutWithTheirTypesAndBytes) {
  const std::string text = "Задачи — 任务管理器 ✓";
  EXPECT_EQ(edit.ReadString(root, base + deep, "Задача0"), "");
  EXPECT_EQ(::RegDeleteKeyW(root_key, key.c_str()), ERROR_FILE_NOT_FOUND) << "the key was made by a read";
  edit.WriteString(root, base + deep, "Задача0", text);
  edit.WriteDword(root, base + deep, "Count", -2);
  EXPECT_EQ(GetRaw("Задача0"), std::pair(DWORD{REG_SZ}, WideBytes(ToWide(text), true)));
  EXPECT_EQ(GetRaw("Count"), std::pair(DWORD{REG_DWORD}, Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
  edit.DeleteValue(root, base + deep, "Count");
  edit.DeleteKey(root, base + "\\Settings");  // a key with subkeys stays
  EXPECT_EQ(Join(GetRaw("Count").has_value(), GetRaw("Задача0").has_value()), "0 1");

  // Values read back with their type and exact bytes: no NUL added or dropped, no size limit.
  const std::tuple<const char*, DWORD, Bytes> values[] = {
      {"NoNul", REG_SZ, WideBytes(L"abc", false)},
      {"WithNul", REG_SZ, WideBytes(L"abc", true)},
      {"Empty", REG_SZ, {}},
      {"Expand", REG_EXPAND_SZ, WideBytes(L"%TEMP%", true)},
      {"Number", REG_DWORD, {0xFE, 0xFF, 0xFF, 0xFF}},
      {"Big", REG_BINARY, Bytes(5000, 0x7A)}};
  for (const auto& [name, type, data] : values) {
    Bytes buffer = data;  // a character after the data: Windows would count a NUL there in a string
    buffer.insert(buffer.end(), {'d', 0});
    ASSERT_EQ(::RegSetKeyValueW(root_key, key.c_str(), ToWide(name).c_str(), type, buffer.data(),
                                static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
  }
  const platform::ScopedKey opened(registry,
                                   registry.OpenKey(root, base, platform::RegistryService::Access::kRead));
  for (const auto& [name, type, data] : values) {
    const auto raw = registry.QueryValue(opened.get(), name);
    ASSERT_TRUE(raw.has_value()) << name;
    EXPECT_EQ(std::pair(static_cast<DWORD>(raw->type), raw->data), std::pair(type, data)) << name;
  }
  EXPECT_FALSE(registry.QueryValue(opened.get(), "Missing").has_value());
}

INSTANTIATE_TEST_SUITE_P(Roots, RegistryTest,
                         ::testing::Values(RegRoot::kCurrentUser, RegRoot::kLocalMachine),
                         [](const ::testing::TestParamInfo<RegRoot>& info) {
                           return info.param == RegRoot::kLocalMachine ? "LocalMachine" : "CurrentUser";
                         });

// A fresh temporary folder with Cyrillic and CJK in its name, removed with its contents.
class SystemTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directory(folder); }
  void TearDown() override {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ignored))
      ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(folder, ignored);
  }
  std::wstring In(const std::wstring& name) const { return folder + L"\\" + name; }
  std::string U8(const std::wstring& name = {}) const { return FromWide(name.empty() ? folder : In(name)); }
  std::string AddFile(const std::wstring& name, const std::string& content = "x",
                      DWORD attributes = FILE_ATTRIBUTE_NORMAL) const {
    std::ofstream(std::filesystem::path(In(name)), std::ios::binary) << content;
    ::SetFileAttributesW(In(name).c_str(), attributes);
    return U8(name);
  }

  const std::wstring folder =
      (std::filesystem::temp_directory_path() /
       (L"ksv " + std::to_wstring(::GetCurrentProcessId()) + L" \u0442\u0435\u0441\u0442 \u6d4b\u8bd5"))
          .wstring();
  platform::win32::Win32Files files;
};

// A folder's list: read-only files too, no hidden or system files or folders, whole
// names sorted without regard to case.
TEST_F(SystemTest, KindFilesOfDeleteAndRename) {
  for (const wchar_t* name : {L"b.txt", L"日記.dat", L"C.log", L"Журнал.txt"}) AddFile(name);
  AddFile(L"a.txt", "x", FILE_ATTRIBUTE_READONLY);
  AddFile(L"hidden.txt", "x", FILE_ATTRIBUTE_HIDDEN);
  AddFile(L"system.txt", "x", FILE_ATTRIBUTE_SYSTEM);
  ASSERT_TRUE(std::filesystem::create_directory(In(L"A folder")));
  AddFile(L"A folder\\inside.txt");
  const std::vector<std::string> expected = {"a.txt", "b.txt", "C.log", "Журнал.txt", "日記.dat"};
  EXPECT_EQ(files.FilesOf(U8()), expected);
  EXPECT_EQ(files.FilesOf(U8() + "\\"), expected) << "the same with a trailing backslash";
  for (const std::string& no_folder : {U8(L"absent"), std::string(), U8(L"a.txt")})
    EXPECT_TRUE(files.FilesOf(no_folder).empty()) << "no folder: \"" << no_folder << "\"";
  std::vector<FileKind> kinds;  // of "", an absent name, a folder and two files
  for (const std::string& path :
       {std::string(), U8(L"absent"), U8(L"A folder"), U8(L"Журнал.txt"), U8(L"hidden.txt")})
    kinds.push_back(files.Kind(path));
  EXPECT_EQ(kinds, (std::vector{FileKind::kMissing, FileKind::kMissing, FileKind::kFolder, FileKind::kFile,
                                FileKind::kFile}));
  // Renaming replaces an existing target; a folder is not deleted as a file.
  EXPECT_TRUE(files.Delete(U8(L"Журнал.txt")) &&
              files.Rename(AddFile(L"new ключ.tmp", "fresh"), U8(L"b.txt")));
  EXPECT_EQ(Join(files.Delete(U8(L"A folder")), files.Rename(U8(L"absent"), U8(L"other")),
                 ReadFileText(In(L"b.txt"))),
            "0 0 fresh");
  EXPECT_EQ(files.FilesOf(U8()), (std::vector<std::string>{"a.txt", "b.txt", "C.log", "日記.dat"}));
}

TEST_F(SystemTest, AWrittenFileAppearsOnlyWhenCommittedAndNeverReplaces) {
  const std::wstring target = In(L"\u0444\u0430\u0439\u043b.ks7");
  const auto count = [&] { return std::distance(std::filesystem::directory_iterator(folder), {}); };
  const auto write = [&](std::string_view text) {
    auto writer = files.CreateBeside(FromWide(target));
    EXPECT_TRUE(writer != nullptr && writer->Write(Bytes(text.begin(), text.end())));
    return writer;
  };
  write("half").reset();
  EXPECT_EQ(count(), 0) << "a writer dropped without Commit leaves nothing";
  EXPECT_EQ(write("whole file")->Commit(), platform::FileWriter::Committed::kDone);
  EXPECT_EQ(write("other")->Commit(), platform::FileWriter::Committed::kDestinationExists);
  EXPECT_EQ(Join(ReadFileText(target), count()), "whole file 1") << "never replaced, no temporary left";
  EXPECT_EQ(files.CreateBeside(U8(L"missing\\x.ks7")), nullptr);

  // A reader shares the file with a program that has it open for writing.
  const HANDLE other = ::CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
  auto reader = files.OpenForReading(FromWide(target));
  ASSERT_NE(reader, nullptr);
  Bytes buffer(100);
  const std::vector<std::optional<std::size_t>> sizes{reader->Size(), reader->Read(buffer),
                                                      reader->Read(buffer)};
  EXPECT_EQ(sizes, (std::vector<std::optional<std::size_t>>{10, 10, 0})) << "the size, a read, the end";
  ::CloseHandle(other);
  EXPECT_EQ(files.OpenForReading(U8()), nullptr) << "a folder";
}

// The worker's progress and result are posted to the loop's thread, in order.
TEST_F(SystemTest, TheEncryptionComponentEncryptsAndDecryptsARealFile) {
  platform::win32::Win32EventLoop loop;
  platform::win32::Win32Crypto crypto;
  engine::FileEncryption component(loop, files, crypto);
  const DWORD loop_thread = ::GetCurrentThreadId();
  std::vector<std::int32_t> seen;  // progress, then the result's code + 1000
  component.on_progress = [&](std::int32_t percent) {
    seen.push_back(::GetCurrentThreadId() == loop_thread ? percent : -1);
  };
  component.on_result = [&](std::int32_t code, const std::string&) { seen.push_back(code + 1000); };
  std::string content(3 * 1048576 + 11, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 31);
  const std::string path = AddFile(L"\u65e5\u8a18.doc", content);
  component.PresetMode(4);
  component.PresetFlag(true);
  component.EncryptFile(path, path + ".ks7", "mixed pw");
  EXPECT_TRUE(seen.size() > 3 && std::is_sorted(seen.begin(), seen.end()) && seen[0] == 0 &&
              seen.back() == 1000);
  ASSERT_TRUE(files.Delete(path));
  component.PresetMode(4);
  component.DecryptFile(path + ".ks7", path, "mixed pw");
  EXPECT_EQ(Join(seen.back(), ReadFileText(ToWide(path)) == content), "1000 1");
}

// CNG gives the answers of the host build's OpenSSL, so what one build writes opens in the other.
TEST(CngTest, GivesTheKnownAnswersOfTheHostBuild) {
  platform::win32::Win32Crypto cng;
  for (const auto& v : testing_support::kPbkdf2Sha256Vectors)
    EXPECT_EQ(testing_support::Hex(
                  cng.Pbkdf2Sha256(v.password, testing_support::Bytes(v.salt), v.iterations, v.length)),
              v.key_hex);
  ks7_test::CheckKs7Vectors(cng);
  EXPECT_NE(cng.RandomBytes(32), cng.RandomBytes(32)) << "two random draws alike: left zero-filled?";
}

// CNG's own derivation, as the earlier builds hashed passwords and file keys.
std::vector<std::uint8_t> CngPbkdf2(std::string_view password, std::vector<std::uint8_t> salt,
                                    std::uint32_t iterations, std::size_t length) {
  BCRYPT_ALG_HANDLE hmac = nullptr;
  if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&hmac, BCRYPT_SHA256_ALGORITHM, nullptr,
                                                    BCRYPT_ALG_HANDLE_HMAC_FLAG)))
    return {};
  std::vector<UCHAR> secret(password.begin(), password.end());
  std::vector<std::uint8_t> out(length);
  const NTSTATUS status = ::BCryptDeriveKeyPBKDF2(
      hmac, secret.empty() ? nullptr : secret.data(), static_cast<ULONG>(secret.size()),
      salt.empty() ? nullptr : salt.data(), static_cast<ULONG>(salt.size()), iterations, out.data(),
      static_cast<ULONG>(out.size()), 0);
  ::BCryptCloseAlgorithmProvider(hmac, 0);
  return BCRYPT_SUCCESS(status) ? out : std::vector<std::uint8_t>{};
}

// The program's derivation gives CNG's keys, so passwords stored and files
// encrypted by the earlier builds still open: keys longer than a hash block,
// UTF-8 passwords, no salt, keys over one hash long, and the iteration
// counts at a file's accepted ends and of a stored password.
TEST(CngTest, TheProgramsDerivationGivesCngsKeys) {
  platform::win32::Win32Crypto own;
  std::string long_text;
  for (int i = 0; i < 40; ++i) long_text += "\xD0\xBF\xE5\xAF\x86!";  // 240 bytes
  const std::vector<std::uint8_t> salt16(16, 0xA5), salt60(60, 0x3C);
  const struct {
    std::string_view password;
    std::vector<std::uint8_t> salt;
    std::uint32_t iterations;
    std::size_t length;
  } cases[] = {
      {std::string_view(long_text).substr(0, 64), salt16, 3, 32},
      {std::string_view(long_text).substr(0, 65), salt60, 3, 33},
      {long_text, {}, 2, 97},
      {"\xC3\xA9t\xC3\xA9", salt16, 40000, 32},
      {"s3cret", salt16, 600000, 32},
  };
  for (const auto& c : cases) {
    const auto want = CngPbkdf2(c.password, c.salt, c.iterations, c.length);
    ASSERT_EQ(want.size(), c.length);
    EXPECT_EQ(testing_support::Hex(own.Pbkdf2Sha256(c.password, c.salt, c.iterations, c.length)),
              testing_support::Hex(want))
        << c.password.size() << "-byte password, " << c.iterations << " iterations";
  }
  // A password hash an earlier build stored still opens the lock.
  platform::win32::Win32Text text;
  const std::string stored = "pbkdf2-sha256$600000$" + testing_support::Hex(salt16) + "$" +
                             testing_support::Hex(CngPbkdf2("\xC3\xA9t\xC3\xA9", salt16, 600000, 32));
  EXPECT_TRUE(config::PasswordMatches(own, text, stored, "\xC3\x89T\xC3\x89"));
}

// A password set in one build must open the lock in the other.
TEST(SystemTextTest, LowerCaseAgreesWithThePortableFoldingOnLatinGreekAndCyrillic) {
  platform::win32::Win32Text text;
  std::string differences;  // the code points of the letters they fold apart
  for (const auto& [first, last] : {std::pair(0x0020, 0x017F), std::pair(0x0370, 0x03FF),
                                    std::pair(0x0400, 0x052F), std::pair(0x1E00, 0x1EFF)})
    for (int cp = first; cp <= last; ++cp) {
      const std::string letter = platform::Utf16ToUtf8(std::u16string(1, static_cast<char16_t>(cp)));
      if (text.LowerCase(letter) != platform::UnicodeLower(letter)) differences += std::to_string(cp) + " ";
    }
  EXPECT_EQ(differences, "");
}

// Started with --ksv-role=<role>, this program plays the role before GoogleTest starts:
//   instance             exits kSawAnotherInstance or kSawNoOtherInstance
//   end|<marker>         writes "ran" to the marker, adds an exit handler that would add to it, EndProcess
//   write|<destination>  writes a file beside the destination, and waits to be killed
constexpr DWORD kSawAnotherInstance = 41, kSawNoOtherInstance = 40;
std::wstring child_file;  // the file named after the role's "|"

int RunChildRole() {
  const std::wstring line = ::GetCommandLineW();
  if (line.find(L" --ksv-role=") == std::wstring::npos) return 0;
  const std::wstring role = line.substr(line.find(L" --ksv-role=") + 12);
  const std::wstring name = role.substr(0, role.find(L'|'));
  child_file = role.substr(std::min(role.size(), name.size() + 1));
  if (name == L"instance")
    ::ExitProcess(Win32Process().AnotherInstanceRunning() ? kSawAnotherInstance : kSawNoOtherInstance);
  if (name == L"end") {
    std::ofstream(std::filesystem::path(child_file)) << "ran";
    std::atexit(
        [] { std::ofstream(std::filesystem::path(child_file), std::ios::app) << " and its handlers"; });
    Win32Process().EndProcess();
  }
  if (name == L"write") {
    const auto writer = platform::win32::Win32Files().CreateBeside(FromWide(child_file));
    if (writer != nullptr && writer->Write(Bytes(1 << 20, 0x5A))) ::Sleep(60000);
  }
  ::ExitProcess(0);
}

[[maybe_unused]] const int kChildRole = RunChildRole();

platform::win32::UniqueKernelHandle StartChild(const std::wstring& role) {
  const std::wstring path = platform::win32::Win32Process::ExecutablePath();
  std::wstring command_line = L"\"" + path + L"\" --ksv-role=" + role;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  if (::CreateProcessW(path.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &started) == FALSE)
    return {};
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

TEST_F(SystemTest, EndProcessEndsAtOnceWithoutRunningAnyHandler) {
  EXPECT_EQ(RunChild(L"end|" + In(L"ended.txt")), 0U);
  EXPECT_EQ(ReadFileText(In(L"ended.txt")), "ran");
}

// An encryption's temporary file goes with its writer, however that program ends.
TEST_F(SystemTest, AProgramKilledWhileWritingAFileLeavesNothingBehind) {
  const auto child = StartChild(L"write|" + In(L"large.bin.ks7"));
  const auto written = [&] {
    return std::ranges::any_of(std::filesystem::directory_iterator(folder),
                               [](const auto& entry) { return entry.file_size() >= (1U << 20); });
  };
  ASSERT_TRUE(child && win32_test::PumpUntil(written, [] {}));
  ASSERT_TRUE(::TerminateProcess(child.get(), 1) &&
              ::WaitForSingleObject(child.get(), 10000) == WAIT_OBJECT_0);
  EXPECT_TRUE(win32_test::PumpUntil([&] { return std::filesystem::is_empty(folder); }, [] {}));
}

// A second start, and the updater asking by the path in another letter case, see
// this copy until it gives up its claim. The version: res/kstrv7.rc, linked in.
TEST(ProcessTest, AnotherInstanceUntilTheClaimIsGivenUpAndTheVersion) {
  wchar_t path[MAX_PATH * 2] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  const std::wstring upper = ::CharUpperW(path);
  Win32Process process;
  EXPECT_FALSE(Win32Process::InstanceRunning(upper)) << "nothing claimed yet";
  EXPECT_FALSE(process.AnotherInstanceRunning()) << "this test program is the only copy running";
  EXPECT_EQ(RunChild(L"instance"), kSawAnotherInstance);
  EXPECT_TRUE(Win32Process::InstanceRunning(upper));
  process.ReleaseInstanceClaim();
  EXPECT_EQ(RunChild(L"instance"), kSawNoOtherInstance);
  EXPECT_FALSE(Win32Process::InstanceRunning(upper));
  const platform::ProgramVersion version = process.ExecutableVersion();
  EXPECT_EQ(std::tuple(version.major, version.minor, version.revision), std::tuple(7, 6, 3));
}

// Only bare names of system programs run, to their end or to the time limit.
TEST(ProcessTest, SystemProgramsRunToTheirEndOrAreStopped) {
  using Outcome = platform::RunResult::Outcome;
  const auto run = [](const char* program, const char* arguments, std::uint32_t timeout_ms) {
    return Win32Process().RunSystemProgram(program, arguments, platform::ShowCommand::kShowMinNoActive,
                                           timeout_ms);
  };
  const platform::RunResult missing = run("reg.exe", "query HKCU\\Software\\KestroveNoSuchKey", 60000);
  EXPECT_EQ(Join(missing.outcome == Outcome::kExited, missing.exit_code), "1 1");
  EXPECT_EQ(run("reg.exe", "query HKCU", 0).outcome, Outcome::kTimedOut);
  for (const char* program : {"no-such-tool.exe", "..\\system32\\reg.exe", "C:\\windows\\system32\\reg.exe"})
    EXPECT_EQ(run(program, "", 5000).outcome, Outcome::kNotStarted) << program;
}

}  // namespace
