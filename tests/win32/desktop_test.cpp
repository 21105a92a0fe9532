// The desktop service against real windows the test creates: titles (Unicode,
// cut to 254 characters), finding, a hung window, windows that die between two
// calls; the shell's tray icons (in Wine's system tray window). Other programs'
// windows shown, hidden and closed, finding by class: tests/e2e, the locks; the
// folder browser: tests/e2e, Export and Import.
#include <windows.h>
#include <shellapi.h>

#include <future>
#include <vector>
#include <gtest/gtest.h>

#include "platform/win32/win32_constants.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_shell.h"
#include "win32/win32_test_support.h"

namespace {

using platform::kNoWindow;
using platform::ShowCommand;
using platform::TrayIconImage;
using win32_test::Join;

class DesktopTest : public ::testing::Test {
 protected:
  platform::win32::Win32Desktop desktop;
  win32_test::TestWindow window{L"KSV Desktop Test"};
};

TEST_F(DesktopTest, TitlesAndFindingByTitle) {
  const std::pair<std::string, std::string> titles[] = {
      // Cyrillic and CJK: stored as UTF-16, not squeezed through a code page.
      {"Диспетчер задач — 任务管理器", "Диспетчер задач — 任务管理器"},
      {std::string(300, 'x'), std::string(254, 'x')},
      // The cut goes through a surrogate pair (U+1F512 at units 254 and 255):
      // the half character is dropped, not turned into U+FFFD.
      {std::string(253, 'a') + "\xF0\x9F\x94\x92", std::string(253, 'a')},
  };
  for (const auto& [set, read] : titles) {
    ASSERT_TRUE(desktop.SetTitle(window.id(), set));
    EXPECT_EQ(win32_test::WindowText(window.hwnd()), set) << "stored whole, as UTF-16";
    EXPECT_EQ(Join(desktop.Title(window.id()), desktop.FindByTitle(set) == window.id()), read + " 1");
  }
}

// Top-level windows from the top of the z-order down with their styles (an
// owned window lies above its owner), as the window browser lists them;
// finding by whole title, letter case ignored, takes hidden windows too.
TEST_F(DesktopTest, TopLevelWindowsInZOrderAndFinding) {
  const platform::win32::UniqueWindow owned(::CreateWindowExW(
      WS_EX_TOOLWINDOW, L"KSVTestWindow", L"KSV Owned Tool", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 99, 99,
      window.hwnd(), nullptr, ::GetModuleHandleW(nullptr), nullptr));
  ::ShowWindow(window.hwnd(), SW_HIDE);
  std::string both;
  for (const auto& w : desktop.TopLevelWindows()) {
    if (w.id != window.id() && w.id != reinterpret_cast<platform::WindowId>(owned.get())) continue;
    both += w.title + "/" + w.class_name + (w.visible ? "" : "/hidden") + (w.owned ? "/owned" : "") +
            (w.tool_window ? "/tool" : "") + (w.bordered ? "" : "/borderless") + " ";
  }
  EXPECT_EQ(both, "KSV Owned Tool/KSVTestWindow/owned/tool KSV Desktop Test/KSVTestWindow/hidden ");
  EXPECT_EQ(Join(desktop.FindByTitle("ksv DESKTOP test") == window.id(), desktop.FindByTitle("KSV Desktop")),
            "1 0");
}

// Renaming a window whose program has stopped answering gives up within about a
// second; on a thread of its own, a rename waiting for ever fails, not hangs.
TEST_F(DesktopTest, RenamingAHungWindowGivesUp) {
  std::promise<bool> renamed;
  std::jthread renaming;
  const win32_test::HungWindow hung(L"KSV Hung Window");
  renaming = std::jthread([&] { renamed.set_value(desktop.SetTitle(hung.id(), "###")); });
  std::future<bool> result = renamed.get_future();
  ASSERT_EQ(result.wait_for(std::chrono::seconds(5)), std::future_status::ready) << "a bound, not a timing";
  EXPECT_FALSE(result.get());
  EXPECT_TRUE(desktop.ShowAsync(hung.id(), ShowCommand::kHide)) << "asking to hide never waits";
}

// Each call in turn on a window that has gone, then on no window at all: a
// close or rename for no window must not land in this thread's own queue.
TEST_F(DesktopTest, AWindowThatDiedFailsQuietly) {
  const platform::WindowId id = window.id();
  window.Destroy();
  bool listed = false;
  for (const auto& w : desktop.TopLevelWindows()) listed = listed || w.id == id;
  for (const platform::WindowId gone : {id, kNoWindow}) {
    EXPECT_EQ((std::vector<bool>{desktop.Exists(gone), desktop.IsVisible(gone), !desktop.Title(gone).empty(),
                                 !desktop.ClassName(gone).empty(), desktop.SetTitle(gone, "gone"),
                                 desktop.ShowAsync(gone, ShowCommand::kShow), desktop.PostClose(gone),
                                 desktop.SetTopmost(gone, true), desktop.RemoveCloseCommand(gone), listed}),
              std::vector<bool>(10, false));
  }
  MSG message;
  EXPECT_FALSE(::PeekMessageW(&message, reinterpret_cast<HWND>(-1), 0, 0, PM_NOREMOVE));
}

// Each picture is a usable icon, loaded once and kept.
TEST(ShellTest, TrayIconsAddOnceAndDeleteOnceWithEitherPicture) {
  const win32_test::TestWindow window(L"KSV Tray Test", false);
  platform::win32::Win32Shell shell;
  // The unlocked picture's tip is 150 characters, with a surrogate pair
  // across the 127-character cut.
  const std::pair<TrayIconImage, std::string> icons[] = {
      {TrayIconImage::kProgram, "Kestrove Pro"},
      {TrayIconImage::kUnlocked, std::string(126, 'x') + "\xF0\x9F\x94\x93 Разблокировано 解锁"},
  };
  std::uint32_t id = 0;
  for (const auto& [image, tip] : icons) {
    const HICON picture = shell.TrayIcon(image);
    const HICON copy = ::CopyIcon(picture);
    EXPECT_TRUE(copy != nullptr && ::DestroyIcon(copy) != FALSE && shell.TrayIcon(image) == picture) << tip;
    const platform::TrayIconRecord icon{
        window.id(), ++id, NIF_MESSAGE | NIF_ICON | NIF_TIP, platform::win32::kWmTrayCallback, image, tip};
    std::string done;  // each call in turn: up once for a window and id, gone once
    for (const bool add : {true, true, false, false})
      done += add ? shell.AddTrayIcon(icon) ? "1" : "0" : shell.DeleteTrayIcon(icon) ? "1" : "0";
    EXPECT_EQ(done, "1010") << id;
  }
}

}  // namespace
