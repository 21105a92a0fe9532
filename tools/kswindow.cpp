// kswindow.exe: a test helper that opens one top-level window of a given class
// and title, for end-to-end scenarios that need windows of other programs
// (a browser frame, an installer, the uninstaller) that Wine does not have.
//
//   kswindow.exe --class <name> --title <text> [--refuse-close] [--background] [--hang]
//                [--log <file>]
//
// --refuse-close  WM_CLOSE is counted but does not close the window.
// --background    the window is shown without being activated, so the
//                 program that has the focus keeps it.
// --hang          once the window is shown and active, its thread stops
//                 handling messages for good, as a hung program's does:
//                 messages sent to it (WM_SETTEXT) are never answered.
// --log <file>    one UTF-8 line per message of interest, written through at
//                 once so that another process can follow it:
//                   WM_CREATE | WM_SHOWWINDOW 1|0 | WM_ACTIVATE 1|0 |
//                   WM_SETTEXT <title> | WM_CLOSE <count> | WM_DESTROY |
//                   HUNG (the thread stops from here on)
// Exits 0 when the window closed, 2 on a bad command line, 3 when the window
// could not be created.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/wide_text.h"

namespace {

struct Options {
  std::wstring class_name;
  std::wstring title;
  std::wstring log_path;
  bool refuse_close = false;
  bool background = false;
  bool hang = false;
};

// Posted to the window by itself once it is active, so that it hangs after
// the activation has been handled in full.
constexpr UINT kHangMessage = WM_APP + 1;

// The state of the one window, tied to it at WM_NCCREATE.
struct HelperWindow {
  HANDLE log = INVALID_HANDLE_VALUE;
  bool refuse_close = false;
  bool hang = false;
  int close_count = 0;

  void Log(std::string_view line) const {
    if (log == INVALID_HANDLE_VALUE) return;
    std::string text(line);
    text += "\r\n";
    DWORD written = 0;
    ::WriteFile(log, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
};

bool ParseOptions(const std::vector<std::wstring>& arguments, Options& options) {
  // arguments[0] is the program itself.
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::wstring& name = arguments[i];
    const bool has_value = i + 1 < arguments.size();
    if (name == L"--class" && has_value) {
      options.class_name = arguments[++i];
    } else if (name == L"--title" && has_value) {
      options.title = arguments[++i];
    } else if (name == L"--log" && has_value) {
      options.log_path = arguments[++i];
    } else if (name == L"--refuse-close") {
      options.refuse_close = true;
    } else if (name == L"--background") {
      options.background = true;
    } else if (name == L"--hang") {
      options.hang = true;
    } else {
      return false;
    }
  }
  return !options.class_name.empty();
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* state = reinterpret_cast<HelperWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (state == nullptr) return ::DefWindowProcW(window, message, wparam, lparam);

  switch (message) {
    case WM_CREATE:
      state->Log("WM_CREATE");
      break;
    case WM_SHOWWINDOW:
      state->Log(wparam ? "WM_SHOWWINDOW 1" : "WM_SHOWWINDOW 0");
      break;
    case WM_ACTIVATE:
      state->Log(LOWORD(wparam) != WA_INACTIVE ? "WM_ACTIVATE 1" : "WM_ACTIVATE 0");
      if (state->hang && LOWORD(wparam) != WA_INACTIVE) ::PostMessageW(window, kHangMessage, 0, 0);
      break;
    case kHangMessage:
      state->Log("HUNG");
      for (;;) ::Sleep(INFINITE);
    case WM_SETTEXT:
      state->Log("WM_SETTEXT " + platform::win32::FromWide(reinterpret_cast<const wchar_t*>(lparam)));
      break;
    case WM_CLOSE:
      state->Log("WM_CLOSE " + std::to_string(++state->close_count));
      if (state->refuse_close) return 0;
      break;
    case WM_PAINT: {
      // The class name and title, so a screenshot shows which helper it is.
      PAINTSTRUCT paint;
      const HDC dc = ::BeginPaint(window, &paint);
      wchar_t title[256] = {};
      ::GetWindowTextW(window, title, 256);
      wchar_t class_name[256] = {};
      ::GetClassNameW(window, class_name, 256);
      std::wstring text = L"[" + std::wstring(class_name) + L"] " + title;
      RECT client;
      ::GetClientRect(window, &client);
      ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
      ::SetBkMode(dc, TRANSPARENT);
      ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &client,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      ::EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      state->Log("WM_DESTROY");
      ::PostQuitMessage(0);
      break;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*ansi_command_line*/, int show) {
  // Split as the C runtime splits a command line.
  int count = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  Options options;
  const bool parsed = argv != nullptr && ParseOptions({argv, argv + count}, options);
  ::LocalFree(argv);
  if (!parsed) return 2;

  HelperWindow state;
  state.refuse_close = options.refuse_close;
  state.hang = options.hang;
  if (!options.log_path.empty()) {
    // Shared for reading so that the test can follow the log while it grows.
    state.log = ::CreateFileW(options.log_path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  }

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = options.class_name.c_str();
  if (::RegisterClassExW(&window_class) == 0) return 3;

  const HWND window =
      ::CreateWindowExW(0, options.class_name.c_str(), options.title.c_str(), WS_OVERLAPPEDWINDOW,
                        CW_USEDEFAULT, CW_USEDEFAULT, 480, 240, nullptr, nullptr, instance, &state);
  if (window == nullptr) return 3;
  ::ShowWindow(window, options.background ? SW_SHOWNOACTIVATE : show);
  ::UpdateWindow(window);

  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  if (state.log != INVALID_HANDLE_VALUE) ::CloseHandle(state.log);
  return 0;
}
