// The desktop of top-level windows as the program sees it: the foreground
// window, titles, classes, visibility. Every call takes a window id that may
// have died since it was read; such a call fails quietly as documented.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace platform {

struct TopLevelWindow {
  WindowId id = kNoWindow;
  std::string title;
  std::string class_name;
  bool visible = false;
  bool owned = false;  // has an owner window
  bool tool_window = false;
  // Has a border line (WS_BORDER), as every window with a caption has.
  bool bordered = false;
};

class WindowService {
 public:
  virtual ~WindowService() = default;

  // The foreground window, or kNoWindow when nothing is active.
  virtual WindowId Foreground() = 0;
  // The whole title / class name of a window, however long; "" when the
  // window is gone or the text cannot be read. Reading a title sends the
  // window nothing, so it never waits on a hung program.
  virtual std::string Title(WindowId window) = 0;
  virtual std::string ClassName(WindowId window) = 0;
  // Replaces the title of a window of any process; false when it failed. A
  // program that does not answer within about a second is given up on, so a
  // hung program never stalls the caller.
  virtual bool SetTitle(WindowId window, std::string_view title) = 0;
  // Asks the window's own thread to show, hide, minimise or restore it and
  // returns at once; false when the request could not be made.
  virtual bool ShowAsync(WindowId window, ShowCommand command) = 0;
  // The first top-level window of that class (hidden ones included), or
  // kNoWindow.
  virtual WindowId FindByClass(std::string_view class_name) = 0;
  // The first top-level window with exactly that title (letter case ignored,
  // as Windows compares it), or kNoWindow.
  virtual WindowId FindByTitle(std::string_view title) = 0;
  // Posts a close request (WM_CLOSE, both parameters 0); false when it failed.
  virtual bool PostClose(WindowId window) = 0;
  // Whether the window belongs to this program's own process.
  virtual bool IsOwnWindow(WindowId window) = 0;
  // Whether the id still names a window, and whether that window is visible.
  virtual bool Exists(WindowId window) = 0;
  virtual bool IsVisible(WindowId window) = 0;
  virtual bool IsMinimized(WindowId window) = 0;
  // Every top-level window from the top of the z-order down.
  virtual std::vector<TopLevelWindow> TopLevelWindows() = 0;
  // Keeps a window above all others (or lets it go); false when it failed.
  virtual bool SetTopmost(WindowId window, bool topmost) = 0;
  // The rectangle around every monitor (the virtual screen).
  virtual ScreenRect VirtualScreen() = 0;
  // A window's outer rectangle on the screen; an empty one when it is gone.
  virtual ScreenRect WindowRect(WindowId window) = 0;
  // The visible top-level windows above `window` in the z-order, nearest
  // first; none when it is gone.
  virtual std::vector<WindowId> VisibleWindowsAbove(WindowId window) = 0;
  // Makes a window topmost and puts it at the very top of the z-order at
  // `rect`, without activating it; false when it failed.
  virtual bool PlaceOnTop(WindowId window, const ScreenRect& rect) = 0;
  // Takes Close out of a window's system menu, which also disables its close
  // box and Alt+F4; false when it failed.
  virtual bool RemoveCloseCommand(WindowId window) = 0;
};

}  // namespace platform
