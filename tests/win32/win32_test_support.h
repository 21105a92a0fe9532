// Helpers for the tests against the real Win32 implementation: waiting while
// pumping, several values in one comparison, window texts.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <sstream>
#include <string>

#include "platform/win32/wide_text.h"

namespace win32_test {

// Runs pump() until done(), 10 s at most.
inline bool PumpUntil(const std::function<bool()>& done, const std::function<void()>& pump) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (; !done(); pump()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
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

}  // namespace win32_test
