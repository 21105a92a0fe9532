// The desktop service against windows the test creates, and the shell's tray icons.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <future>
#include <vector>
#include <gtest/gtest.h>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_constants.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_shell.h"
#include "win32/win32_test_support.h"

namespace {

using platform::ShowCommand;
using platform::win32::ToWindowId;
using platform::win32::UniqueWindow;
using win32_test::Join;

// A top-level window of the class "Static" on the calling thread.
UniqueWindow MakeWindow(const wchar_t* title, HWND owner = nullptr, DWORD ex_style = 0) {
  return UniqueWindow(::CreateWindowExW(ex_style, L"Static", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                        320, 200, owner, nullptr, nullptr, nullptr));
}

class DesktopTest : public ::testing::Test {
 protected:
  platform::win32::Win32Desktop desktop;
  UniqueWindow window = MakeWindow(L"KSV Desktop Test");
  const platform::WindowId id = ToWindowId(window.get());
};

// Top-level windows from the top of the z-order down with their styles; finding by
// whole title ignores case and takes hidden windows; titles read back whole, however
// long. A window gone, or none: every call fails, and nothing lands in this queue.
TEST_F(DesktopTest, ZOrderTitlesFindingAndAWindowThatDied) {
  const UniqueWindow owned = MakeWindow(L"KSV Owned Tool", window.get(), WS_EX_TOOLWINDOW);
  ::ShowWindow(window.get(), SW_HIDE);
  std::string both;
  for (const auto& w : desktop.TopLevelWindows()) {
    if (w.id != id && w.id != ToWindowId(owned.get())) continue;
    both += w.title + "/" + w.class_name + (w.visible ? "" : "/hidden") + (w.owned ? "/owned" : "") +
            (w.tool_window ? "/tool" : "") + (w.bordered ? "" : "/borderless") + " ";
  }
  EXPECT_EQ(both, "KSV Owned Tool/Static/owned/tool KSV Desktop Test/Static/hidden ");
  EXPECT_EQ(Join(desktop.FindByTitle("ksv DESKTOP test") == id, desktop.FindByTitle("KSV Desktop")), "1 0");
  const std::string titles[] = {
      "Диспетчер задач — 任务管理器", std::string(591, 'a') + " - Secret",  // 600 characters
      std::string(254, 'a') + "\xF0\x9F\x94\x92",                           // UTF-16 units 255 and 256
  };
  for (const std::string& title : titles) {
    ASSERT_TRUE(desktop.SetTitle(id, title));
    EXPECT_EQ(Join(desktop.Title(id), desktop.FindByTitle(title) == id), title + " 1");
  }
  bool listed_whole = false;
  for (const auto& w : desktop.TopLevelWindows()) listed_whole = listed_whole || w.title == titles[2];
  EXPECT_TRUE(listed_whole) << "the window browser's list holds the whole title";
  window.reset();
  bool listed = false;
  for (const auto& w : desktop.TopLevelWindows()) listed = listed || w.id == id;
  for (const platform::WindowId gone : {id, platform::kNoWindow}) {
    EXPECT_EQ((std::vector<bool>{desktop.Exists(gone), desktop.IsVisible(gone), !desktop.Title(gone).empty(),
                                 !desktop.ClassName(gone).empty(), desktop.SetTitle(gone, "gone"),
                                 desktop.ShowAsync(gone, ShowCommand::kShow), desktop.PostClose(gone),
                                 desktop.SetTopmost(gone, true), desktop.RemoveCloseCommand(gone), listed}),
              std::vector<bool>(10, false));
  }
  MSG message;
  EXPECT_FALSE(::PeekMessageW(&message, reinterpret_cast<HWND>(-1), 0, 0, PM_NOREMOVE));
}

// The cover's calls: the virtual screen, the windows above it, topmost over a rectangle.
TEST_F(DesktopTest, TheVirtualScreenRectanglesAndTheTopOfTheZOrder) {
  const platform::ScreenRect screen = desktop.VirtualScreen();
  EXPECT_EQ(Join(screen.right - screen.left, screen.bottom - screen.top),
            Join(::GetSystemMetrics(SM_CXVIRTUALSCREEN), ::GetSystemMetrics(SM_CYVIRTUALSCREEN)));
  EXPECT_EQ(desktop.WindowRect(id), (platform::ScreenRect{40, 40, 360, 240}));
  const UniqueWindow above = MakeWindow(L"KSV Above");
  const UniqueWindow hidden = MakeWindow(L"KSV Hidden Above");
  ::ShowWindow(hidden.get(), SW_HIDE);
  const auto listed = [&](platform::WindowId other) {
    const std::vector<platform::WindowId> windows = desktop.VisibleWindowsAbove(id);
    return std::ranges::find(windows, other) != windows.end();
  };
  EXPECT_EQ(Join(listed(ToWindowId(above.get())), listed(ToWindowId(hidden.get()))), "1 0");
  ASSERT_TRUE(desktop.PlaceOnTop(id, screen));
  EXPECT_TRUE(desktop.WindowRect(id) == screen && !listed(ToWindowId(above.get())));
  EXPECT_NE(::GetWindowLongW(window.get(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  window.reset();
  EXPECT_TRUE(desktop.WindowRect(id) == platform::ScreenRect{} && desktop.VisibleWindowsAbove(id).empty() &&
              !desktop.PlaceOnTop(id, screen));
}

// A hung window (this thread takes no message while it waits): reading, listing and
// hiding it never wait, renaming gives up within about a second.
TEST_F(DesktopTest, AHungWindowIsReadAndHiddenAtOnceAndRenamingGivesUp) {
  const std::string title = std::string(600, 'b') + " - Secret";
  ::SetWindowTextW(window.get(), platform::win32::ToWide(title).c_str());
  std::future<std::vector<bool>> done = std::async(std::launch::async, [&] {
    bool listed = false;
    for (const auto& w : desktop.TopLevelWindows()) listed = listed || w.title == title;
    return std::vector<bool>{desktop.Title(id) == title, listed, desktop.SetTitle(id, "###"),
                             desktop.ShowAsync(id, ShowCommand::kHide)};
  });
  const bool in_time = done.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  MSG message;  // lets a rename that still waits through, so that the test ends
  ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
  EXPECT_TRUE(in_time) << "a bound, not a timing";
  EXPECT_EQ(done.get(), (std::vector<bool>{true, true, false, true}));
}

// Either picture is loaded once; a tip of 150 characters has a surrogate pair across the cut.
TEST_F(DesktopTest, TrayIconsAddAndDeleteWithEitherPicture) {
  platform::win32::Win32Shell shell;
  for (const auto& [image, tip] :
       {std::pair(platform::TrayIconImage::kProgram, std::string("Kestrove Pro")),
        std::pair(platform::TrayIconImage::kUnlocked,
                  std::string(126, 'x') + "\xF0\x9F\x94\x93 Разблокировано 解锁")}) {
    const HICON picture = shell.TrayIcon(image);
    const HICON copy = ::CopyIcon(picture);
    EXPECT_TRUE(copy != nullptr && ::DestroyIcon(copy) != FALSE && shell.TrayIcon(image) == picture) << tip;
    const platform::TrayIconRecord icon{
        id, 1, NIF_MESSAGE | NIF_ICON | NIF_TIP, platform::win32::kWmTrayCallback, image, tip};
    EXPECT_TRUE(shell.AddTrayIcon(icon) && shell.DeleteTrayIcon(icon)) << tip;
  }
}

}  // namespace
