// Helpers for the tests against the real Win32 implementation: waiting while
// pumping, real windows (one of them hung), throwaway Unicode-named folders.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <latch>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace win32_test {

// Runs pump() (by default: this thread's messages) until done(), 10 s at most.
inline bool PumpUntil(const std::function<bool()>& done, const std::function<void()>& pump = nullptr) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    if (pump) pump();
    for (MSG message; !pump && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
      ::DispatchMessageW(&message);
    if (!done()) ::MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  return true;
}

// Values joined by spaces, so that one comparison takes several at once.
template <typename... Values>
std::string Join(const Values&... values) {
  std::ostringstream joined;
  ((joined << values << ' '), ...);
  return joined.str().substr(0, joined.str().size() - 1);
}

// A window's text, or with ::GetClassNameW its class name, in UTF-8.
inline std::string WindowText(HWND window, int(WINAPI* read)(HWND, LPWSTR, int) = ::GetWindowTextW) {
  wchar_t text[1024] = {};
  read(window, text, 1024);
  return platform::win32::FromWide(text);
}

// A real top-level window of class "KSVTestWindow" on this thread, destroyed
// with the object.
class TestWindow {
 public:
  explicit TestWindow(const std::wstring& title, bool visible = true) {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = ::DefWindowProcW;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"KSVTestWindow";
    ::RegisterClassW(&window_class);  // fails harmlessly when already registered
    window_.reset(::CreateWindowExW(0, window_class.lpszClassName, title.c_str(),
                                    WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 40, 40, 320, 200,
                                    nullptr, nullptr, window_class.hInstance, nullptr));
    if (!window_) throw std::runtime_error("CreateWindowExW failed");
  }

  void Destroy() { window_.reset(); }
  [[nodiscard]] HWND hwnd() const { return window_.get(); }
  [[nodiscard]] std::uintptr_t id() const { return reinterpret_cast<std::uintptr_t>(hwnd()); }

 private:
  platform::win32::UniqueWindow window_;
};

// A TestWindow on a thread of its own that takes no message until the object
// goes, as the window of a program that has stopped answering.
class HungWindow {
 public:
  explicit HungWindow(std::wstring title)
      : thread_([this, title = std::move(title)] {
          const TestWindow window(title);
          window_ = window.hwnd();
          created_.count_down();
          resume_.wait();
        }) {
    created_.wait();
  }
  ~HungWindow() { resume_.count_down(); }  // the thread joins after this
  HungWindow(const HungWindow&) = delete;
  HungWindow& operator=(const HungWindow&) = delete;

  [[nodiscard]] std::uintptr_t id() const { return reinterpret_cast<std::uintptr_t>(window_); }

 private:
  std::latch created_{1};
  std::latch resume_{1};
  HWND window_ = nullptr;
  std::jthread thread_;  // last: it starts once the members above exist, and goes first
};

// A name no other test or run uses, with Cyrillic and CJK crossing UTF-8.
inline std::wstring UniqueName(std::wstring_view what) {
  static std::atomic<int> serial{0};
  return L"ksv " + std::wstring(what) + L" " + std::to_wstring(::GetCurrentProcessId()) + L"-" +
         std::to_wstring(++serial) + L" \u0442\u0435\u0441\u0442 \u6d4b\u8bd5";
}

// A new, empty folder under the temporary folder with a UniqueName, removed
// with its contents (read-only ones too) when the object goes.
class TempFolder {
 public:
  explicit TempFolder(std::wstring_view tag)
      : path_((std::filesystem::temp_directory_path() / UniqueName(tag)).wstring()) {
    std::filesystem::create_directory(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored))
      ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  [[nodiscard]] const std::wstring& path() const { return path_; }  // without a trailing "\"
  [[nodiscard]] std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }
  // The folder, or a name in it, in UTF-8.
  [[nodiscard]] std::string U8(const std::wstring& name = {}) const {
    return platform::win32::FromWide(name.empty() ? path_ : *this / name);
  }
  std::wstring AddFile(const std::wstring& name, const std::string& content = "x",
                       DWORD attributes = FILE_ATTRIBUTE_NORMAL) const {
    const std::wstring file = *this / name;
    if (!(std::ofstream(std::filesystem::path(file), std::ios::binary) << content))
      throw std::runtime_error("cannot write a test file");
    ::SetFileAttributesW(file.c_str(), attributes);
    return file;
  }

 private:
  std::wstring path_;
};

// A whole small file; "" when it cannot be opened.
inline std::string ReadFileText(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace win32_test
