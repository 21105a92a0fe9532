// The shell: the notification-area (tray) icon. Later features add opening
// files and the folder browser here.
#pragma once

#include <cstdint>
#include <string>

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
};

}  // namespace platform
