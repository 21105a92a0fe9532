// This process as the desktop sees it, over user32.
#include "platform/win32/win32_process.h"

namespace platform::win32 {

void Win32Process::SetOwnerWindow(HWND owner) {
  owner_ = owner;
  if (hidden_) HideOwner();
}

void Win32Process::HideFromTaskList() {
  hidden_ = true;
  HideOwner();
}

void Win32Process::HideOwner() {
  if (owner_ != nullptr && ::IsWindow(owner_) != FALSE) ::ShowWindow(owner_, SW_HIDE);
}

}  // namespace platform::win32

// ---- Ending, instances, the executable, starting programs -------------------------

#include <algorithm>
#include <vector>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_constants.h"

namespace platform::win32 {

void Win32Process::EndProcess() {
  // At once: no window procedure, timer or static destructor runs.
  ::TerminateProcess(::GetCurrentProcess(), 0);
  ::ExitProcess(0);
}

std::wstring Win32Process::ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring Win32Process::InstanceName(const std::wstring& executable_path) {
  // The long form: a copy started through a short (8.3) path is the same file.
  std::wstring name(executable_path);
  const DWORD length = ::GetLongPathNameW(executable_path.c_str(), nullptr, 0);
  if (length != 0) {
    name.assign(length, L'\0');
    const DWORD written = ::GetLongPathNameW(executable_path.c_str(), name.data(), length);
    name.resize(written != 0 && written < length ? written : 0);
    if (name.empty()) name = executable_path;
  }
  // Mutex names may not hold "\"; letter case of the path does not matter.
  std::transform(name.begin(), name.end(), name.begin(), [](wchar_t c) {
    if (c == L'\\') return L'/';
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
  });
  return L"Local\\KestrovePro:" + name;
}

bool Win32Process::InstanceRunning(const std::wstring& executable_path) {
  const UniqueKernelHandle claim(::OpenMutexW(SYNCHRONIZE, FALSE, InstanceName(executable_path).c_str()));
  // A copy running under other rights holds a mutex this one may not open.
  return claim || ::GetLastError() == ERROR_ACCESS_DENIED;
}

bool Win32Process::AnotherInstanceRunning() {
  if (!instance_mutex_) {
    const std::wstring name = InstanceName(ExecutablePath());
    instance_mutex_.reset(::CreateMutexW(nullptr, FALSE, name.c_str()));
    const DWORD error = ::GetLastError();
    // A copy running under other rights holds a mutex this one may not open:
    // that is a running copy too.
    another_instance_ = instance_mutex_ ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
  }
  return another_instance_;
}

void Win32Process::ReleaseInstanceClaim() {
  // With its last handle closed the mutex is gone: a copy that asks from now
  // on creates it afresh and is the first.
  instance_mutex_.reset();
}

void Win32Process::AnnounceUninstallAllowed() {
  // The uninstaller only opens the event; its handle here keeps it alive for
  // the rest of the run.
  if (!uninstall_allowed_)
    uninstall_allowed_.reset(::CreateEventW(nullptr, TRUE, FALSE, kUninstallAllowedEvent));
}

std::string Win32Process::ExecutableFolder() {
  std::wstring path = ExecutablePath();
  const std::size_t cut = path.find_last_of(L"\\/");
  path.resize(cut == std::wstring::npos ? 0 : cut + 1);
  return FromWide(path);
}

ProgramVersion Win32Process::ExecutableVersion() {
  const std::wstring path = ExecutablePath();
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<BYTE> data(size);
  if (::GetFileVersionInfoW(path.c_str(), 0, size, data.data()) == FALSE) return {};
  VS_FIXEDFILEINFO* info = nullptr;
  UINT info_size = 0;
  if (::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &info_size) == FALSE ||
      info == nullptr) {
    return {};
  }
  return ProgramVersion{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                        LOWORD(info->dwFileVersionLS)};
}

bool Win32Process::Start(std::string_view path, ShowCommand show) {
  std::wstring command_line = L"\"" + ToWide(path) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show);
  PROCESS_INFORMATION process{};
  if (::CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process) == FALSE) {
    return false;
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return true;
}

RunResult Win32Process::RunSystemProgram(std::string_view program, std::string_view arguments,
                                         ShowCommand show, std::uint32_t timeout_ms) {
  // Named by its full path in the system folder: the usual search would try
  // the program's own folder and the current folder first, where anybody
  // who can write there could put a program of the same name.
  if (program.empty() || program.find_first_of("\\/:") != std::string_view::npos) return {};
  std::wstring system_folder(MAX_PATH, L'\0');
  const UINT length = ::GetSystemDirectoryW(system_folder.data(), static_cast<UINT>(system_folder.size()));
  if (length == 0 || length >= system_folder.size()) return {};
  system_folder.resize(length);
  const std::wstring path = system_folder + L"\\" + ToWide(program);
  std::wstring command_line = L"\"" + path + L"\" " + ToWide(arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show);
  PROCESS_INFORMATION process{};
  if (::CreateProcessW(path.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process) == FALSE) {
    return {};
  }
  ::CloseHandle(process.hThread);
  const UniqueKernelHandle running(process.hProcess);
  if (::WaitForSingleObject(running.get(), timeout_ms) != WAIT_OBJECT_0) {
    // Stopped, so that nothing it does lands after the caller has moved on.
    ::TerminateProcess(running.get(), 1);
    ::WaitForSingleObject(running.get(), INFINITE);
    return {RunResult::Outcome::kTimedOut, 0};
  }
  DWORD exit_code = 0;
  if (::GetExitCodeProcess(running.get(), &exit_code) == FALSE) return {RunResult::Outcome::kTimedOut, 0};
  return {RunResult::Outcome::kExited, exit_code};
}

}  // namespace platform::win32
