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

// ---- Opening files and the folder browser -------------------------------------------

#include <shlobj.h>

#include "platform/win32/wide_text.h"

namespace platform::win32 {

int Win32Shell::Open(WindowId owner, std::string_view file, std::string_view parameters,
                     std::string_view directory, ShowCommand show) {
  const std::wstring wide_file = ToWide(file);
  const std::wstring wide_parameters = ToWide(parameters);
  const std::wstring wide_directory = ToWide(directory);
  const HINSTANCE result =
      ::ShellExecuteW(reinterpret_cast<HWND>(owner), L"open", wide_file.c_str(),
                      wide_parameters.empty() ? nullptr : wide_parameters.c_str(),
                      wide_directory.empty() ? nullptr : wide_directory.c_str(), static_cast<int>(show));
  // ShellExecute's result is an integer in a handle's clothing.
  return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}

std::string Win32Shell::BrowseForFolder(WindowId owner, std::uint32_t flags,
                                        std::optional<std::string_view> title) {
  const std::wstring wide_title = title ? ToWide(*title) : std::wstring();
  BROWSEINFOW info{};
  info.hwndOwner = reinterpret_cast<HWND>(owner);
  info.lpszTitle = title ? wide_title.c_str() : nullptr;
  info.ulFlags = flags;
  PIDLIST_ABSOLUTE item = ::SHBrowseForFolderW(&info);
  if (item == nullptr) return {};
  // Long paths: SHGetPathFromIDListEx with a generous buffer.
  std::wstring path(32768, L'\0');
  const BOOL ok = ::SHGetPathFromIDListEx(item, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT);
  ::CoTaskMemFree(item);
  if (ok == FALSE) return {};
  path.resize(::wcslen(path.c_str()));
  return FromWide(path);
}

}  // namespace platform::win32
