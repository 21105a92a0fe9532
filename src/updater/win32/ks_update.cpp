// KsUpdate.exe, the updater: looks for a newer installer of the program in the
// update folder and runs it, or says that there is none (its course:
// updater/update_run.h). The program starts it without arguments: the update
// check's OK, which ends the program, and the update reminder's OK, which
// leaves it running. The updater, running with the user's own rights, starts
// the program again unless a copy runs: at once when it runs no installer,
// else once the installer has ended. (The installer, which moves this busy
// file aside to replace it, runs elevated and must not start the program
// with its rights.)
#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/registry_layout.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_process.h"
#include "updater/update_choice.h"
#include "updater/update_run.h"

namespace {

using platform::win32::FromWide;
using platform::win32::ToWide;

constexpr wchar_t kTitle[] = L"Kestrove Pro Update";

// This executable's folder, with a trailing "\"; the program's files lie there.
std::wstring OwnFolder() {
  return ToWide(platform::win32::Win32Process().ExecutableFolder());
}

std::optional<updater::Version> FileVersion(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<BYTE> data(size);
  VS_FIXEDFILEINFO* info = nullptr;
  UINT info_size = 0;
  if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data()) ||
      !::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &info_size) || info == nullptr ||
      info_size < sizeof(VS_FIXEDFILEINFO)) {
    return std::nullopt;
  }
  return updater::Version{{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                           HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)}};
}

// The folder an administrator named for updates, "" when none.
std::string ReadNamedFolder() {
  const std::wstring key = ToWide(config::kSettingsKey);
  const std::wstring name = ToWide(config::kUpdateFolder);
  DWORD size = 0;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &size) !=
      ERROR_SUCCESS) {
    return {};
  }
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, text.data(),
                     &size) != ERROR_SUCCESS) {
    return {};
  }
  text.resize(wcsnlen(text.c_str(), text.size()));
  return FromWide(text);
}

// The installer files of the folder with their versions.
std::vector<updater::Candidate> FindInstallers(const std::wstring& folder) {
  std::vector<updater::Candidate> found;
  WIN32_FIND_DATAW entry{};
  const HANDLE search = ::FindFirstFileW((folder + ToWide(updater::kInstallerPattern)).c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
    found.push_back({FromWide(entry.cFileName), FileVersion(folder + entry.cFileName)});
  } while (::FindNextFileW(search, &entry));
  ::FindClose(search);
  return found;
}

class Win32UpdaterSystem : public updater::UpdaterSystem {
 public:
  std::string ProgramFolder() override { return FromWide(folder_); }
  std::optional<updater::Version> InstalledVersion() override { return FileVersion(Program()); }
  std::string NamedFolder() override { return ReadNamedFolder(); }
  std::vector<updater::Candidate> Installers(const std::string& folder) override {
    return FindInstallers(ToWide(folder));
  }

  std::optional<std::uint32_t> RunInstaller(const std::string& path) override {
    // Through the shell, which asks for an administrator's consent where the
    // installer needs one.
    const std::wstring file = ToWide(path);
    SHELLEXECUTEINFOW run{};
    run.cbSize = sizeof(run);
    run.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS;
    run.lpVerb = L"open";
    run.lpFile = file.c_str();
    run.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&run)) return ::GetLastError();
    if (run.hProcess != nullptr) {
      ::WaitForSingleObject(run.hProcess, INFINITE);
      ::CloseHandle(run.hProcess);
    }
    return std::nullopt;
  }

  bool ProgramRunning() override { return platform::win32::Win32Process::InstanceRunning(Program()); }

  // Through the shell, as the Start menu starts it.
  void StartProgram() override {
    const std::wstring program = L"\"" + Program() + L"\"";
    ::ShellExecuteW(nullptr, L"open", program.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }

  void Tell(const std::string& text, bool error) override {
    ::MessageBoxW(nullptr, ToWide(text).c_str(), kTitle, MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION));
  }

 private:
  std::wstring Program() const { return folder_ + L"kstrv7.exe"; }

  const std::wstring folder_ = OwnFolder();
};

}  // namespace

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*command_line*/, int /*show*/) {
  Win32UpdaterSystem system;
  return updater::RunUpdater(system);
}
