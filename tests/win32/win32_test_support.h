// Helpers for the tests against the real Win32 implementation: waiting while
// pumping, real windows that count the messages they get, throwaway folders
// and names that cross the UTF-8 boundary, and a second thread that answers a
// modal dialog as a user would (find it, read it, press a button).
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <latch>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace win32_test {

// Pumps (this thread's messages, unless told otherwise) until done() holds or
// 10 s have passed; returns done(). Between rounds it waits for the next
// message, at most 10 ms. Also for what another thread or process does.
inline bool PumpUntil(const std::function<bool()>& done, const std::function<void()>& pump = nullptr) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    if (pump) pump();
    for (MSG message; !pump && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE;) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
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

// A real top-level window of class "KSVTestWindow" on this thread, destroyed
// with the object. It counts WM_CLOSE and kTestMessage instead of closing.
class TestWindow {
 public:
  static constexpr UINT kTestMessage = WM_APP + 40;

  explicit TestWindow(const std::wstring& title, bool visible = true, DWORD ex_style = 0,
                      HWND owner = nullptr) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    // Style, procedure, extra bytes, instance, icon, cursor, background, menu, name.
    const WNDCLASSW window_class{
        0,       &TestWindow::WindowProc,           0,       0,       instance,
        nullptr, ::LoadCursorW(nullptr, IDC_ARROW), nullptr, nullptr, L"KSVTestWindow"};
    ::RegisterClassW(&window_class);  // fails harmlessly when already registered
    window_ = ::CreateWindowExW(ex_style, window_class.lpszClassName, title.c_str(),
                                WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 40, 40, 320, 200, owner,
                                nullptr, instance, this);
    if (window_ == nullptr) throw std::runtime_error("CreateWindowExW failed");
  }
  ~TestWindow() { Destroy(); }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  void Destroy() {
    if (window_ != nullptr) ::DestroyWindow(window_);
    window_ = nullptr;
  }

  [[nodiscard]] HWND hwnd() const { return window_; }
  [[nodiscard]] std::uintptr_t id() const { return reinterpret_cast<std::uintptr_t>(window_); }
  [[nodiscard]] int close_messages() const { return close_messages_; }
  [[nodiscard]] int test_messages() const { return test_messages_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TestWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr || (message != WM_CLOSE && message != kTestMessage))
      return ::DefWindowProcW(window, message, wparam, lparam);
    ++(message == WM_CLOSE ? self->close_messages_ : self->test_messages_);
    return 0;
  }

  HWND window_ = nullptr;
  int close_messages_ = 0;
  int test_messages_ = 0;
};

// A TestWindow on a thread of its own that pumps its messages, as another
// program's window would be; when `hung`, the thread takes no message until
// the object goes, as a program that has stopped answering.
class OtherThreadWindow {
 public:
  explicit OtherThreadWindow(std::wstring title, bool hung = false)
      : thread_([this, hung, title = std::move(title)] {
          const TestWindow window(title);
          window_ = window.hwnd();
          thread_id_ = ::GetCurrentThreadId();
          created_.count_down();
          if (hung) resume_.wait();
          MSG message;
          while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
        }) {
    created_.wait();
  }
  ~OtherThreadWindow() {  // the thread joins after this
    resume_.count_down();
    ::PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
  }

  [[nodiscard]] HWND hwnd() const { return window_; }
  [[nodiscard]] std::uintptr_t id() const { return reinterpret_cast<std::uintptr_t>(window_); }

 private:
  std::latch created_{1};
  std::latch resume_{1};
  HWND window_ = nullptr;
  DWORD thread_id_ = 0;
  std::jthread thread_;  // last: it starts once the members above exist, and goes first
};

// A window's text, or with ::GetClassNameW its class name, in UTF-8.
inline std::string WindowText(HWND window, int(WINAPI* read)(HWND, LPWSTR, int) = ::GetWindowTextW) {
  wchar_t text[1024] = {};
  read(window, text, 1024);
  return platform::win32::FromWide(text);
}

// Ends the process that owns a window (a program a test started) and waits
// for it to be gone; false when it could not be ended.
inline bool EndProcessOf(HWND window) {
  DWORD id = 0;
  ::GetWindowThreadProcessId(window, &id);
  const platform::win32::UniqueKernelHandle process(
      ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
  return process && ::TerminateProcess(process.get(), 0) != FALSE &&
         ::WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0;
}

// A name no other test or run uses at the same time, with Cyrillic and CJK in
// it so that whatever is named by it crosses the UTF-8 boundary.
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

  // Writes a file of that name and content (and attributes) into the folder.
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

// Sets an environment variable of this process (which children inherit)
// until the result goes.
inline auto ScopedEnvironment(const wchar_t* name, const std::wstring& value) {
  ::SetEnvironmentVariableW(name, value.c_str());
  const auto clear = [](const wchar_t* variable) { ::SetEnvironmentVariableW(variable, nullptr); };
  return std::unique_ptr<const wchar_t, decltype(clear)>(name, clear);
}

// Runs act() on a second thread on the first visible dialog (class "#32770")
// of this thread that matches, once one is up (10 s at most). Start it just
// before the modal call and join it after. When none turns up in time it
// cancels any dialog of this thread, so a failing test does not hang.
inline std::jthread AnswerDialog(std::function<bool(HWND)> matches, std::function<void(HWND)> act) {
  return std::jthread(
      [thread_id = ::GetCurrentThreadId(), matches = std::move(matches), act = std::move(act)] {
        const auto find = [&](bool any) {
          HWND window = nullptr;
          while ((window = ::FindWindowExW(nullptr, window, L"#32770", nullptr)) != nullptr) {
            if (::GetWindowThreadProcessId(window, nullptr) == thread_id &&
                ::IsWindowVisible(window) != FALSE && (any || matches(window)))
              break;
          }
          return window;
        };
        HWND dialog = nullptr;
        if (PumpUntil([&] { return (dialog = find(false)) != nullptr; })) return act(dialog);
        if ((dialog = find(true)) != nullptr) ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
      });
}

}  // namespace win32_test
