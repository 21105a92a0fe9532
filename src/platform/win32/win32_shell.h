// The shell over shell32: the notification-area (tray) icon, its pictures
// loaded from the executable's icon resources; opening files; the folder
// browser.
#pragma once

#include <windows.h>

#include "platform/shell_service.h"
#include "platform/win32/unique_handle.h"

namespace platform::win32 {

class Win32Shell : public ShellService {
 public:
  // instance: the module whose resources hold the tray icons.
  explicit Win32Shell(HINSTANCE instance = ::GetModuleHandleW(nullptr)) : instance_(instance) {}

  bool AddTrayIcon(const TrayIconRecord& icon) override;
  bool DeleteTrayIcon(const TrayIconRecord& icon) override;
  int Open(WindowId owner, std::string_view file, std::string_view parameters, std::string_view directory,
           ShowCommand show) override;
  std::string BrowseForFolder(WindowId owner, std::uint32_t flags,
                              std::optional<std::string_view> title) override;

  // The small icon shown for that picture; loaded at first use and kept for
  // the life of this object, so every add reuses the same handle.
  HICON TrayIcon(TrayIconImage image);

 private:
  struct LoadedIcon {
    UniqueIcon owned;        // loaded from the resources
    HICON shared = nullptr;  // the system's stand-in when the resource is missing
  };

  HINSTANCE instance_;
  LoadedIcon program_;
  LoadedIcon unlocked_;
};

}  // namespace platform::win32
