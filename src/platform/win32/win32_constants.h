// Names the win32 layers share: window classes of the program's own windows,
// its private window messages and the resource ids of its icons. The
// resource script (res/kstrv7.rc) uses the same icon ids.
#pragma once

#include <windows.h>

namespace platform::win32 {

// ---- Window classes of the program's own windows ---------------------------------

// The event loop's hidden message-only window (timers).
inline constexpr wchar_t kEventLoopWindowClass[] = L"KestroveEventLoop";
// The hidden window that owns every form, keeping the forms off the taskbar.
inline constexpr wchar_t kOwnerWindowClass[] = L"KestroveOwner";
// The forms themselves.
inline constexpr wchar_t kFormWindowClass[] = L"KestroveForm";

// ---- Private window messages --------------------------------------------------------

// The tray icon's callback: lParam carries the mouse message (WM_LBUTTONDBLCLK...).
inline constexpr UINT kWmTrayCallback = WM_APP + 1;
// To the event loop's window: workers' callbacks are queued for the window thread.
inline constexpr UINT kWmWorkerPosts = WM_APP + 2;
// To the event loop's window: another program's window came forward, was
// shown or was renamed (one message for a burst of such events).
inline constexpr UINT kWmWindowEvent = WM_APP + 3;

// ---- Named objects -----------------------------------------------------------------

// Exists while a running copy has had the access password for the uninstaller;
// installer/kestrove.nsi looks for the same name before it ends the program.
inline constexpr wchar_t kUninstallAllowedEvent[] = L"Local\\KestroveProUninstallAllowed";

// ---- Resource ids -------------------------------------------------------------------

// The program's own icon, also the tray icon of a restricted account.
inline constexpr int kIdiProgram = 101;
// The open padlock, the tray icon of an unrestricted account.
inline constexpr int kIdiUnlocked = 102;
// The picture of the About tab's "Update Check" button.
inline constexpr int kIdiUpdate = 103;

}  // namespace platform::win32
