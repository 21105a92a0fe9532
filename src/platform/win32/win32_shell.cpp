// The tray icon over Shell_NotifyIconW.
#include "platform/win32/win32_shell.h"

#include <shellapi.h>

#include <algorithm>
#include <string>

#include "platform/win32/win32_constants.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/wide_text.h"

namespace platform::win32 {
namespace {

// The record's window and id: all NIM_DELETE needs.
NOTIFYICONDATAW IconData(const TrayIconRecord& icon) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = ToHwnd(icon.window);
  data.uID = icon.id;
  return data;
}

}  // namespace

HICON Win32Shell::TrayIcon(TrayIconImage image) {
  LoadedIcon& icon = image == TrayIconImage::kUnlocked ? unlocked_ : program_;
  if (icon.owned) return icon.owned.get();
  if (icon.shared != nullptr) return icon.shared;
  const int resource = image == TrayIconImage::kUnlocked ? kIdiUnlocked : kIdiProgram;
  icon.owned.reset(static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(resource), IMAGE_ICON,
                                                   ::GetSystemMetrics(SM_CXSMICON),
                                                   ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
  if (icon.owned) return icon.owned.get();
  // A build without the icon resources (the test programs) still shows an icon.
  icon.shared = ::LoadIconW(nullptr, IDI_APPLICATION);
  return icon.shared;
}

bool Win32Shell::AddTrayIcon(const TrayIconRecord& icon) {
  NOTIFYICONDATAW data = IconData(icon);
  data.uFlags = icon.flags;
  data.uCallbackMessage = icon.callback_message;
  data.hIcon = TrayIcon(icon.image);
  const std::wstring tip = ToWide(icon.tip);
  std::size_t length = std::min(tip.size(), std::size(data.szTip) - 1);
  // Never keep half of a surrogate pair the cut went through.
  if (length < tip.size() && length > 0 && tip[length - 1] >= 0xD800 && tip[length - 1] <= 0xDBFF) --length;
  std::copy_n(tip.begin(), length, data.szTip);
  data.szTip[length] = L'\0';
  return ::Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

bool Win32Shell::DeleteTrayIcon(const TrayIconRecord& icon) {
  NOTIFYICONDATAW data = IconData(icon);
  return ::Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
}

}  // namespace platform::win32
