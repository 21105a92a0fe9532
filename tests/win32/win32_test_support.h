// Helpers for the tests that run against the real Win32 implementation:
// waiting for a condition while pumping messages, and real top-level windows
// of a test class that count the messages they get.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>

namespace win32_test {

// Dispatches every message pending on this thread.
inline void PumpMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

// Pumps (PumpMessages unless told otherwise) until done() holds or the
// deadline passes; returns done(). Between rounds it waits for the next
// message, at most 10 ms, so it does not spin.
inline bool PumpUntil(const std::function<bool()>& done, const std::function<void()>& pump = PumpMessages,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    pump();
    if (!done()) ::MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  return true;
}

inline constexpr wchar_t kTestWindowClass[] = L"KSVTestWindow";

// A real top-level window of class kTestWindowClass on this thread, destroyed
// with the object. It counts WM_CLOSE and the message kTestMessage instead
// of closing.
class TestWindow {
 public:
  static constexpr UINT kTestMessage = WM_APP + 40;

  explicit TestWindow(const std::wstring& title, bool visible = true, DWORD ex_style = 0,
                      HWND owner = nullptr) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = &TestWindow::WindowProc;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.lpszClassName = kTestWindowClass;
    window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    ::RegisterClassExW(&window_class);  // fails harmlessly when already registered
    window_ = ::CreateWindowExW(ex_style, kTestWindowClass, title.c_str(),
                                WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 40, 40, 320, 200, owner,
                                nullptr, ::GetModuleHandleW(nullptr), this);
    if (window_ == nullptr) throw std::runtime_error("CreateWindowExW failed");
  }
  ~TestWindow() { Destroy(); }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  TestWindow(TestWindow&&) = delete;
  TestWindow& operator=(TestWindow&&) = delete;

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
    if (self != nullptr && message == WM_CLOSE) {
      ++self->close_messages_;
      return 0;
    }
    if (self != nullptr && message == kTestMessage) {
      ++self->test_messages_;
      return 0;
    }
    if (message == WM_NCDESTROY) ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    return ::DefWindowProcW(window, message, wparam, lparam);
  }

  HWND window_ = nullptr;
  int close_messages_ = 0;
  int test_messages_ = 0;
};

// A TestWindow on a thread of its own that pumps its messages, as another
// program's window would be.
class OtherThreadWindow {
 public:
  // hung: the thread takes no message until the object goes, as a program
  // that has stopped answering.
  explicit OtherThreadWindow(std::wstring title, bool hung = false)
      : resume_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    auto created = created_.get_future();
    thread_ = std::thread([this, hung, title = std::move(title)] {
      try {
        const TestWindow window(title);
        thread_id_ = ::GetCurrentThreadId();
        created_.set_value(window.hwnd());
        if (hung) ::WaitForSingleObject(resume_, INFINITE);
        MSG message;
        while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
          ::TranslateMessage(&message);
          ::DispatchMessageW(&message);
        }
      } catch (...) {
        created_.set_exception(std::current_exception());
      }
    });
    try {
      window_ = created.get();
    } catch (...) {
      thread_.join();
      throw;
    }
  }
  ~OtherThreadWindow() {
    ::SetEvent(resume_);
    ::PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
    ::CloseHandle(resume_);
  }
  OtherThreadWindow(const OtherThreadWindow&) = delete;
  OtherThreadWindow& operator=(const OtherThreadWindow&) = delete;
  OtherThreadWindow(OtherThreadWindow&&) = delete;
  OtherThreadWindow& operator=(OtherThreadWindow&&) = delete;

  [[nodiscard]] HWND hwnd() const { return window_; }
  [[nodiscard]] std::uintptr_t id() const { return reinterpret_cast<std::uintptr_t>(window_); }

 private:
  HANDLE resume_;
  std::promise<HWND> created_;
  std::thread thread_;
  DWORD thread_id_ = 0;
  HWND window_ = nullptr;
};

}  // namespace win32_test
