// Helpers for the tests of the file, process, shell and dialog backends: a
// throwaway folder under the user's temporary folder, an environment variable
// set for the length of a test, and a second thread that drives a modal dialog
// this thread shows (as a user would: find it, read it, press a button).
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

namespace win32_test {

// Polls done() every 10 ms until it holds or the deadline passes; for
// conditions another thread or process brings about (nothing to pump here).
inline bool PollUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// Deletes a file even when it is read-only.
inline bool ForceDeleteFile(const std::wstring& path) {
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return ::DeleteFileW(path.c_str()) != FALSE;
}

// Removes a folder with everything in it (read-only and hidden entries too).
inline void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        RemoveTree(path);
      } else {
        ForceDeleteFile(path);
      }
    } while (::FindNextFileW(search, &found) != FALSE);
    ::FindClose(search);
  }
  ::SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::RemoveDirectoryW(folder.c_str());
}

// A new, empty folder under the temporary folder (its name holds Cyrillic and
// CJK characters, so every path built on it crosses the UTF-8 boundary),
// removed with its contents when the object goes.
class TempFolder {
 public:
  explicit TempFolder(const std::wstring& tag) {
    wchar_t base[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, base);
    if (length == 0 || length > MAX_PATH) throw std::runtime_error("GetTempPathW failed");
    static std::atomic<int> serial{0};
    path_ = std::wstring(base) + L"ksv " + tag + L" " + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(++serial) + L" \u0442\u0435\u0441\u0442 \u6d4b\u8bd5";
    if (::CreateDirectoryW(path_.c_str(), nullptr) == FALSE)
      throw std::runtime_error("CreateDirectoryW failed");
  }
  ~TempFolder() { RemoveTree(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  TempFolder(TempFolder&&) = delete;
  TempFolder& operator=(TempFolder&&) = delete;

  // Without a trailing "\".
  [[nodiscard]] const std::wstring& path() const { return path_; }
  [[nodiscard]] std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

  // Writes a file of that name and content (and attributes) into the folder.
  std::wstring AddFile(const std::wstring& name, const std::string& content = "x",
                       DWORD attributes = FILE_ATTRIBUTE_NORMAL) const {
    const std::wstring file = *this / name;
    const HANDLE handle =
        ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) throw std::runtime_error("CreateFileW failed");
    DWORD written = 0;
    ::WriteFile(handle, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ::CloseHandle(handle);
    if (attributes != FILE_ATTRIBUTE_NORMAL) ::SetFileAttributesW(file.c_str(), attributes);
    return file;
  }

 private:
  std::wstring path_;
};

// Reads a whole small file; "" when it cannot be opened.
inline std::string ReadFileText(const std::wstring& path) {
  const HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return {};
  std::string text(4096, '\0');
  DWORD read = 0;
  ::ReadFile(handle, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
  ::CloseHandle(handle);
  text.resize(read);
  return text;
}

// Ends the process that owns a window (a program a test started) and waits
// for it to be gone; false when it could not be ended.
inline bool EndProcessOf(HWND window) {
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(window, &process_id);
  const HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process_id);
  if (process == nullptr) return false;
  const bool ended =
      ::TerminateProcess(process, 0) != FALSE && ::WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
  ::CloseHandle(process);
  return ended;
}

// Sets an environment variable of this process (which children inherit) for
// the life of the object.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::wstring name, const std::wstring& value) : name_(std::move(name)) {
    ::SetEnvironmentVariableW(name_.c_str(), value.c_str());
  }
  ~ScopedEnvironment() { ::SetEnvironmentVariableW(name_.c_str(), nullptr); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
  ScopedEnvironment(ScopedEnvironment&&) = delete;
  ScopedEnvironment& operator=(ScopedEnvironment&&) = delete;

 private:
  std::wstring name_;
};

inline std::wstring WindowText(HWND window) {
  wchar_t text[1024] = {};
  ::GetWindowTextW(window, text, 1024);
  return text;
}

inline std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  ::GetClassNameW(window, name, 256);
  return name;
}

// The first visible dialog window (class "#32770") of that thread for which
// matches() holds; nullptr when there is none.
inline HWND FindDialogOfThread(DWORD thread_id, const std::function<bool(HWND)>& matches) {
  struct Search {
    DWORD thread_id;
    const std::function<bool(HWND)>* matches;
    HWND found;
  } search{thread_id, &matches, nullptr};
  ::EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        if (::GetWindowThreadProcessId(window, nullptr) != s->thread_id) return TRUE;
        if (::IsWindowVisible(window) == FALSE || ClassOf(window) != L"#32770") return TRUE;
        if (!(*s->matches)(window)) return TRUE;
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Presses a dialog's button as a click would.
inline void PressButton(HWND dialog, int id) {
  ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// A second thread that waits (up to 10 s) for a dialog of the creating thread
// that matches, then runs act() on it. Create it just before the modal call.
// When no dialog turns up in time it cancels any dialog of that thread, so a
// failing test does not hang in the modal loop.
class DialogDriver {
 public:
  DialogDriver(std::function<bool(HWND)> matches, std::function<void(HWND)> act)
      : thread_id_(::GetCurrentThreadId()) {
    thread_ = std::thread([this, matches = std::move(matches), act = std::move(act)] {
      HWND dialog = nullptr;
      if (PollUntil([&] { return (dialog = FindDialogOfThread(thread_id_, matches)) != nullptr; })) {
        act(dialog);
        found_ = true;
        return;
      }
      const HWND stray = FindDialogOfThread(thread_id_, [](HWND) { return true; });
      if (stray != nullptr) ::PostMessageW(stray, WM_COMMAND, IDCANCEL, 0);
    });
  }
  ~DialogDriver() { Join(); }
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;
  DialogDriver(DialogDriver&&) = delete;
  DialogDriver& operator=(DialogDriver&&) = delete;

  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  // Whether the dialog was found and acted on; call after Join().
  [[nodiscard]] bool found() const { return found_; }

 private:
  DWORD thread_id_;
  std::atomic<bool> found_{false};
  std::thread thread_;
};

}  // namespace win32_test
