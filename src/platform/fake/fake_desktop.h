// An in-memory desktop of top-level windows for host tests: handles, titles,
// classes, visibility, z-order and the foreground window. Tests arrange it
// directly and read back what the program did to it.
#pragma once

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/window_service.h"

namespace platform::fake {

struct FakeWindow {
  WindowId id = kNoWindow;
  std::string title;
  std::string class_name;
  bool visible = true;
  bool minimized = false;
  bool topmost = false;
  bool owned = false;
  bool tool_window = false;
  bool bordered = true;       // has a border line, as a captioned window does
  bool close_command = true;  // Close still in its system menu
  bool refuses_hide = false;  // ShowAsync(kHide) fails for it
  int close_requests = 0;     // WM_CLOSE messages posted to it
  bool own = false;           // a window of the program's own process
  ScreenRect rect{100, 100, 500, 400};
};

class FakeDesktop : public WindowService {
 public:
  // Opens a window on top of the z-order and returns its id.
  WindowId Open(std::string title, std::string class_name, bool visible = true);
  // Windows reuses the handles of windows that are gone: the next Open gets
  // this id.
  void ReuseIdForNextOpen(WindowId id) { reused_id_ = id; }
  // Destroys a window; its id stops naming anything.
  void Close(WindowId window);
  // Makes a window the foreground one (kNoWindow: nothing is active).
  void SetForeground(WindowId window) { foreground_ = window; }
  // The window's state, for assertions; throws when it does not exist.
  [[nodiscard]] const FakeWindow& Get(WindowId window) const;
  FakeWindow& Edit(WindowId window);
  // Brings a window to the top of its band, as activating it does: a topmost
  // one above everything, another just below the topmost ones.
  void Raise(WindowId window);
  // The screen around every monitor.
  ScreenRect screen{-1280, 0, 1920, 1080};
  // Every show command sent, in order.
  struct ShowCall {
    WindowId window;
    ShowCommand command;
  };
  [[nodiscard]] const std::vector<ShowCall>& show_calls() const { return show_calls_; }
  // How many times the program read a window's class (the watch scan reads
  // the foreground window's once).
  [[nodiscard]] int class_reads() const { return class_reads_; }
  // How many times the program asked for the foreground window (every look
  // at the desktop does once).
  [[nodiscard]] int foreground_reads() const { return foreground_reads_; }

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
  ScreenRect VirtualScreen() override { return screen; }
  ScreenRect WindowRect(WindowId window) override;
  std::vector<WindowId> VisibleWindowsAbove(WindowId window) override;
  bool PlaceOnTop(WindowId window, const ScreenRect& rect) override;

 private:
  FakeWindow* Find(WindowId window);
  WindowId next_id_ = 0x1000;
  WindowId reused_id_ = kNoWindow;
  WindowId foreground_ = kNoWindow;
  std::map<WindowId, FakeWindow> windows_;
  std::vector<WindowId> z_order_;                            // top first
  std::unordered_multimap<std::string, WindowId> by_class_;  // by lower-case class
  std::vector<ShowCall> show_calls_;
  int class_reads_ = 0;
  int foreground_reads_ = 0;
};

}  // namespace platform::fake
