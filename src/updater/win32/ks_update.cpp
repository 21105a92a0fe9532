// KsUpdate.exe, the updater: looks for a newer installer of the program in the
// update folder and runs it, or says that there is none. The program starts
// it without arguments (the update reminder's and the update check's OK) and
// ends itself; the updater, running with the user's own rights, starts it
// again: at once when it runs no installer, else once the installer has
// ended. (The installer, which moves this busy file aside to replace it,
// runs elevated and must not start the program with its rights.)
#include <windows.h>

#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

#include "config/registry_layout.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_process.h"
#include "updater/update_choice.h"

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
std::string NamedFolder() {
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
std::vector<updater::Candidate> Installers(const std::wstring& folder) {
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

// The program beside the updater, through the shell as the Start menu starts
// it. A copy that is already running keeps protecting: the new one then ends
// unseen.
void RestartProgram(const std::wstring& program_folder) {
  const std::wstring program = L"\"" + program_folder + L"kstrv7.exe\"";
  ::ShellExecuteW(nullptr, L"open", program.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

int Tell(const std::string& text, UINT icon) {
  ::MessageBoxW(nullptr, ToWide(text).c_str(), kTitle, MB_OK | icon);
  return icon == MB_ICONERROR ? 1 : 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*command_line*/, int /*show*/) {
  const std::wstring program_folder = OwnFolder();
  // Without its own program the updater takes any installer as newer.
  const updater::Version installed = FileVersion(program_folder + L"kstrv7.exe").value_or(updater::Version{});
  const std::string folder = updater::UpdateFolder(FromWide(program_folder), NamedFolder());
  const std::optional<updater::Candidate> installer =
      updater::ChooseInstaller(installed, Installers(ToWide(folder)));
  if (!installer) {
    RestartProgram(program_folder);
    return Tell("No update available.\n\nKestrove Pro " + updater::VersionText(installed) +
                    " is installed, and " + folder + " holds no newer installer (" +
                    std::string(updater::kInstallerPattern) + ").",
                MB_ICONINFORMATION);
  }
  // Through the shell, which asks for an administrator's consent where the
  // installer needs one.
  const std::wstring path = ToWide(folder + installer->file_name);
  SHELLEXECUTEINFOW run{};
  run.cbSize = sizeof(run);
  run.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS;
  run.lpVerb = L"open";
  run.lpFile = path.c_str();
  run.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&run)) {
    // Not started, or the administrator's consent was refused.
    const DWORD error = ::GetLastError();
    RestartProgram(program_folder);
    return Tell("The installer " + FromWide(path) + " (version " + updater::VersionText(*installer->version) +
                    ") could not be started (error " + std::to_string(error) + ").",
                MB_ICONERROR);
  }
  if (run.hProcess != nullptr) {
    ::WaitForSingleObject(run.hProcess, INFINITE);
    ::CloseHandle(run.hProcess);
  }
  RestartProgram(program_folder);
  return 0;
}
