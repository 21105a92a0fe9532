// The shell: the notification-area (tray) icon, opening files and programs,
// and the folder browser.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace platform {

// The private window message (WM_APP + 1) through which the tray icon reports
// mouse activity to the main window; the mouse message is in its lParam.
inline constexpr std::uint32_t kTrayCallbackMessage = 0x8000U + 1U;

// Which picture the tray icon shows.
enum class TrayIconImage {
  kProgram,   // the program's own icon (a restricted account)
  kUnlocked,  // the open padlock (an unrestricted account)
};

// The program's one tray icon, kept in one record and reused for every add
// and delete. The tip is at most 63 characters.
struct TrayIconRecord {
  WindowId window = kNoWindow;  // receives the callback message
  std::uint32_t id = 0;
  std::uint32_t flags = 0;  // 1 message, 2 icon, 4 tip
  std::uint32_t callback_message = 0;
  TrayIconImage image = TrayIconImage::kProgram;
  std::string tip;
};

class ShellService {
 public:
  virtual ~ShellService() = default;

  // Puts the icon up; false when the shell refused.
  virtual bool AddTrayIcon(const TrayIconRecord& icon) = 0;
  // Takes the icon (window and id of the record) down; false when none was up.
  virtual bool DeleteTrayIcon(const TrayIconRecord& icon) = 0;

  // Opens a file or program with the "Open" verb and returns at once. The
  // result is the shell's code: 32 or less is a failure (2 = file not found).
  virtual int Open(WindowId owner, std::string_view file, std::string_view parameters,
                   std::string_view directory, ShowCommand show) = 0;

  // Folder browser flags.
  static constexpr std::uint32_t kOnlyFileSystemFolders = 0x1;
  static constexpr std::uint32_t kIncludeFiles = 0x4000;
  // Shows the shell's modal folder browser (timers keep running). No title
  // shows the dialog without a title line. The chosen path, or "" when the
  // user cancels or the choice has no file-system path.
  virtual std::string BrowseForFolder(WindowId owner, std::uint32_t flags,
                                      std::optional<std::string_view> title) = 0;
};

}  // namespace platform
