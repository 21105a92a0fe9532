// In-memory shell for host tests.
#include "platform/fake/fake_shell.h"

namespace platform::fake {

bool FakeShell::AddTrayIcon(const TrayIconRecord& icon) {
  ++adds_;
  // The shell refuses a second icon with the same window and id.
  if (tray_icon_ && tray_icon_->window == icon.window && tray_icon_->id == icon.id) return false;
  tray_icon_ = icon;
  return true;
}

bool FakeShell::DeleteTrayIcon(const TrayIconRecord& icon) {
  ++deletes_;
  if (!tray_icon_ || tray_icon_->window != icon.window || tray_icon_->id != icon.id) return false;
  tray_icon_.reset();
  return true;
}

}  // namespace platform::fake
