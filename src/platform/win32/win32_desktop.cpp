// The desktop of top-level windows over user32 (W entry points only, so
// titles outside the ANSI code page read back exactly).
#include "platform/win32/win32_desktop.h"

#include <algorithm>
#include <climits>
#include <unordered_set>

#include "platform/win32/wide_text.h"

namespace platform::win32 {
namespace {

// How long a call that waits on another program's window waits at most.
constexpr UINT kForeignWindowTimeoutMs = 1000;

// A buffer that comes back full may have been cut: read again into one twice
// as large, until the whole text fits. Starts with room for most titles.
constexpr int kFirstTextBuffer = 256;

template <typename Read>
std::string ReadWhole(Read read) {
  std::wstring text;
  for (int room = kFirstTextBuffer;; room *= 2) {
    text.assign(static_cast<std::size_t>(room), L'\0');
    const int length = read(text.data(), room);
    if (length <= 0) return {};
    if (length < room - 1 || room > (INT_MAX / 2)) {
      text.resize(static_cast<std::size_t>(std::min(length, room - 1)));
      return FromWide(text);
    }
  }
}

LONG_PTR StyleOf(HWND window, int index) {
  return ::GetWindowLongPtrW(window, index);
}

}  // namespace

WindowId Win32Desktop::Foreground() {
  return ToWindowId(::GetForegroundWindow());
}

std::string Win32Desktop::Title(WindowId window) {
  // InternalGetWindowText copies the text Windows keeps for the window and
  // sends nothing. GetWindowText sends WM_GETTEXT to a window of this process
  // (another thread's waits for that thread), and GetWindowTextLength sends
  // WM_GETTEXTLENGTH to any window, waiting for ever on a hung program: the
  // watch reads titles every tick and must never wait on anybody. Titles have
  // no length limit, and a title longer than a buffer would hide what its end
  // holds from the task match.
  const HWND hwnd = ToHwnd(window);
  return ReadWhole([hwnd](wchar_t* text, int room) { return ::InternalGetWindowText(hwnd, text, room); });
}

std::string Win32Desktop::ClassName(WindowId window) {
  const HWND hwnd = ToHwnd(window);
  return ReadWhole([hwnd](wchar_t* text, int room) { return ::GetClassNameW(hwnd, text, room); });
}

bool Win32Desktop::SetTitle(WindowId window, std::string_view title) {
  if (window == kNoWindow) return false;
  const HWND hwnd = ToHwnd(window);
  const std::wstring text = ToWide(title);
  if (::GetWindowThreadProcessId(hwnd, nullptr) == ::GetCurrentThreadId()) {
    return ::SetWindowTextW(hwnd, text.c_str()) != FALSE;
  }
  // SetWindowText waits for the other program to take WM_SETTEXT, for ever
  // if it has stopped answering: give up after a second (at once when
  // Windows already knows it is hung), and take no other program's message
  // meanwhile, so nothing runs in the middle of a watch tick.
  DWORD_PTR result = 0;
  return ::SendMessageTimeoutW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                               SMTO_BLOCK | SMTO_ABORTIFHUNG, kForeignWindowTimeoutMs, &result) != 0 &&
         result != FALSE;
}

bool Win32Desktop::ShowAsync(WindowId window, ShowCommand command) {
  const HWND hwnd = ToHwnd(window);
  if (::IsWindow(hwnd) == FALSE) return false;
  // For a window of this thread there is nobody to ask: ShowWindowAsync
  // then shows it at once and (in Wine) returns ShowWindow's result, the
  // window's previous visibility, which says nothing about success.
  if (::GetWindowThreadProcessId(hwnd, nullptr) == ::GetCurrentThreadId()) {
    ::ShowWindow(hwnd, static_cast<int>(command));
    return true;
  }
  return ::ShowWindowAsync(hwnd, static_cast<int>(command)) != FALSE;
}

WindowId Win32Desktop::FindByClass(std::string_view class_name) {
  return ToWindowId(::FindWindowW(ToWide(class_name).c_str(), nullptr));
}

WindowId Win32Desktop::FindByTitle(std::string_view title) {
  return ToWindowId(::FindWindowW(nullptr, ToWide(title).c_str()));
}

bool Win32Desktop::PostClose(WindowId window) {
  // PostMessage to no window would post to this thread's own queue.
  if (window == kNoWindow) return false;
  return ::PostMessageW(ToHwnd(window), WM_CLOSE, 0, 0) != FALSE;
}

bool Win32Desktop::IsMinimized(WindowId window) {
  return window != kNoWindow && ::IsIconic(ToHwnd(window)) != FALSE;
}

bool Win32Desktop::IsOwnWindow(WindowId window) {
  DWORD process = 0;
  return window != kNoWindow && ::GetWindowThreadProcessId(ToHwnd(window), &process) != 0 &&
         process == ::GetCurrentProcessId();
}

bool Win32Desktop::Exists(WindowId window) {
  return window != kNoWindow && ::IsWindow(ToHwnd(window)) != FALSE;
}

bool Win32Desktop::IsVisible(WindowId window) {
  return window != kNoWindow && ::IsWindowVisible(ToHwnd(window)) != FALSE;
}

std::vector<TopLevelWindow> Win32Desktop::TopLevelWindows() {
  std::vector<TopLevelWindow> windows;
  // Windows reorder while we walk; a window met twice means the walk went in
  // a circle, and a window that dies mid-walk ends it (GetWindow returns 0).
  std::unordered_set<HWND> seen;
  HWND window = ::GetWindow(::GetDesktopWindow(), GW_CHILD);
  if (window != nullptr) window = ::GetWindow(window, GW_HWNDFIRST);
  for (; window != nullptr && seen.insert(window).second; window = ::GetWindow(window, GW_HWNDNEXT)) {
    const WindowId id = ToWindowId(window);
    TopLevelWindow entry;
    entry.id = id;
    entry.title = Title(id);
    entry.class_name = ClassName(id);
    const auto style = StyleOf(window, GWL_STYLE);
    entry.visible = (style & WS_VISIBLE) != 0;
    entry.bordered = (style & WS_BORDER) != 0;
    entry.owned = ::GetWindow(window, GW_OWNER) != nullptr;
    entry.tool_window = (StyleOf(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0;
    windows.push_back(std::move(entry));
  }
  return windows;
}

bool Win32Desktop::SetTopmost(WindowId window, bool topmost) {
  return ::SetWindowPos(ToHwnd(window), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                        SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE) != FALSE;
}

ScreenRect Win32Desktop::VirtualScreen() {
  const int left = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
  return ScreenRect{left, top, left + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
                    top + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

ScreenRect Win32Desktop::WindowRect(WindowId window) {
  RECT rect{};
  if (window == kNoWindow || ::GetWindowRect(ToHwnd(window), &rect) == FALSE) return {};
  return ScreenRect{rect.left, rect.top, rect.right, rect.bottom};
}

std::vector<WindowId> Win32Desktop::VisibleWindowsAbove(WindowId window) {
  std::vector<WindowId> above;
  if (window == kNoWindow || ::IsWindow(ToHwnd(window)) == FALSE) return above;
  // As in TopLevelWindows: a window met twice means the walk went in a circle.
  std::unordered_set<HWND> seen;
  for (HWND other = ::GetWindow(ToHwnd(window), GW_HWNDPREV); other != nullptr && seen.insert(other).second;
       other = ::GetWindow(other, GW_HWNDPREV)) {
    if (::IsWindowVisible(other) != FALSE) above.push_back(ToWindowId(other));
  }
  return above;
}

bool Win32Desktop::PlaceOnTop(WindowId window, const ScreenRect& rect) {
  if (window == kNoWindow) return false;
  return ::SetWindowPos(ToHwnd(window), HWND_TOPMOST, rect.left, rect.top, rect.right - rect.left,
                        rect.bottom - rect.top, SWP_NOACTIVATE) != FALSE;
}

bool Win32Desktop::RemoveCloseCommand(WindowId window) {
  const HWND hwnd = ToHwnd(window);
  if (::IsWindow(hwnd) == FALSE) return false;
  const HMENU menu = ::GetSystemMenu(hwnd, FALSE);
  if (menu == nullptr) return false;
  // Removing it again is no failure: Close is gone either way.
  if (::RemoveMenu(menu, SC_CLOSE, MF_BYCOMMAND) == FALSE &&
      ::GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) != static_cast<UINT>(-1)) {
    return false;
  }
  ::DrawMenuBar(hwnd);
  return true;
}

}  // namespace platform::win32
