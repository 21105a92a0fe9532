// The desktop of top-level windows over user32: every call takes a window id
// that may have died since it was read and then fails quietly.
#pragma once

#include <windows.h>

#include "platform/window_service.h"

namespace platform::win32 {

// A WindowId is the window's HWND, as a number.
inline HWND ToHwnd(WindowId window) {
  return reinterpret_cast<HWND>(window);
}
inline WindowId ToWindowId(HWND window) {
  return reinterpret_cast<WindowId>(window);
}

class Win32Desktop : public WindowService {
 public:
  WindowId Foreground() override;
  std::string Title(WindowId window) override;
  std::string ClassName(WindowId window) override;
  bool SetTitle(WindowId window, std::string_view title) override;
  bool ShowAsync(WindowId window, ShowCommand command) override;
  WindowId FindByClass(std::string_view class_name) override;
  WindowId FindByTitle(std::string_view title) override;
  bool PostClose(WindowId window) override;
  bool IsOwnWindow(WindowId window) override;
  bool IsMinimized(WindowId window) override;
  bool Exists(WindowId window) override;
  bool IsVisible(WindowId window) override;
  std::vector<TopLevelWindow> TopLevelWindows() override;
  bool SetTopmost(WindowId window, bool topmost) override;
  bool RemoveCloseCommand(WindowId window) override;
  ScreenRect VirtualScreen() override;
  ScreenRect WindowRect(WindowId window) override;
  std::vector<WindowId> VisibleWindowsAbove(WindowId window) override;
  bool PlaceOnTop(WindowId window, const ScreenRect& rect) override;
};

}  // namespace platform::win32
