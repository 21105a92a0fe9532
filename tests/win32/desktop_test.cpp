// The desktop service against real windows the test creates: titles and
// classes (Unicode, cut to 254 characters), asynchronous show and hide on this
// thread and another, finding, enumeration, topmost, the system menu's Close,
// WM_CLOSE, and windows that die between two calls.
#include <windows.h>

#include <future>
#include <vector>
#include <gtest/gtest.h>

#include "platform/win32/win32_desktop.h"
#include "win32/win32_test_support.h"

namespace {

using platform::kNoWindow;
using platform::ShowCommand;
using platform::win32::Win32Desktop;
using win32_test::Join;
using win32_test::OtherThreadWindow;
using win32_test::PumpUntil;
using win32_test::TestWindow;

class DesktopTest : public ::testing::Test {
 protected:
  Win32Desktop desktop;
  TestWindow window{L"KSV Desktop Test"};
};

TEST_F(DesktopTest, TitlesAndFinding) {
  EXPECT_EQ(desktop.FindByClass("KSVTestWindow"), window.id());
  // Whole title, letter case ignored, hidden windows included.
  ::ShowWindow(window.hwnd(), SW_HIDE);
  EXPECT_EQ(desktop.FindByTitle("ksv DESKTOP test"), window.id());
  EXPECT_EQ(Join(desktop.FindByClass("KSVNoSuchClass"), desktop.FindByTitle("KSV Desktop")), "0 0");

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
    EXPECT_EQ(desktop.Title(window.id()), read);
    EXPECT_EQ(desktop.FindByTitle(set), window.id());
  }
}

// On another thread the window's own thread carries it out, as another
// program's would; on this one it is done at once, whatever the state before.
TEST_F(DesktopTest, ShowAsyncOnThisThreadAndAnother) {
  const OtherThreadWindow other(L"KSV Other Thread Test");
  EXPECT_FALSE(desktop.IsOwnWindow(reinterpret_cast<platform::WindowId>(::GetDesktopWindow())));
  for (const HWND hwnd : {window.hwnd(), other.hwnd()}) {
    const auto id = reinterpret_cast<platform::WindowId>(hwnd);
    SCOPED_TRACE(hwnd == window.hwnd() ? "this thread" : "another thread");
    EXPECT_TRUE(desktop.IsOwnWindow(id)) << "any thread of this process";
    ASSERT_TRUE(desktop.ShowAsync(id, ShowCommand::kHide));
    EXPECT_TRUE(PumpUntil([&] { return !desktop.IsVisible(id); }));
    EXPECT_TRUE(desktop.ShowAsync(id, ShowCommand::kHide)) << "hidden already";
    ASSERT_TRUE(desktop.ShowAsync(id, ShowCommand::kShowMinNoActive));
    EXPECT_TRUE(PumpUntil([&] { return desktop.IsVisible(id) && ::IsIconic(hwnd) != FALSE; }));
    ASSERT_TRUE(desktop.ShowAsync(id, ShowCommand::kRestore));
    EXPECT_TRUE(PumpUntil([&] { return ::IsIconic(hwnd) == FALSE; }));
  }
}

// Renaming a window whose program has stopped answering gives up within about a
// second. Run on a thread of its own, joined once the window answers again, a
// rename that waits for ever fails the test instead of hanging the run.
TEST_F(DesktopTest, RenamingAHungWindowGivesUp) {
  std::promise<bool> renamed;
  std::jthread renaming;
  const OtherThreadWindow hung(L"KSV Hung Window", true);
  renaming = std::jthread([&] { renamed.set_value(desktop.SetTitle(hung.id(), "###")); });
  std::future<bool> result = renamed.get_future();
  ASSERT_EQ(result.wait_for(std::chrono::seconds(5)), std::future_status::ready) << "a bound, not a timing";
  EXPECT_FALSE(result.get());
  EXPECT_TRUE(desktop.ShowAsync(hung.id(), ShowCommand::kHide)) << "asking to hide never waits";
}

// An owned window always lies above its owner.
TEST_F(DesktopTest, TopLevelWindowsInZOrderWithTheirStyles) {
  const TestWindow owned(L"KSV Owned Tool", true, WS_EX_TOOLWINDOW, window.hwnd());
  const auto listed = [&] {
    std::string both;
    for (const auto& w : desktop.TopLevelWindows()) {
      if (w.id != window.id() && w.id != owned.id()) continue;
      both += w.title + "/" + w.class_name + (w.visible ? "" : "/hidden") + (w.owned ? "/owned" : "") +
              (w.tool_window ? "/tool" : "") + (w.bordered ? "" : "/borderless") + " ";
    }
    return both;
  };
  EXPECT_EQ(listed(), "KSV Owned Tool/KSVTestWindow/owned/tool KSV Desktop Test/KSVTestWindow ");
  ::ShowWindow(window.hwnd(), SW_HIDE);
  EXPECT_EQ(listed(), "KSV Owned Tool/KSVTestWindow/owned/tool KSV Desktop Test/KSVTestWindow/hidden ");
}

TEST_F(DesktopTest, ForegroundTopmostCloseCommandAndWmClose) {
  ::SetForegroundWindow(window.hwnd());
  EXPECT_TRUE(PumpUntil([&] { return desktop.Foreground() == window.id(); }));
  for (const bool topmost : {true, false}) {
    ASSERT_TRUE(desktop.SetTopmost(window.id(), topmost));
    EXPECT_EQ((::GetWindowLongPtrW(window.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, topmost);
  }

  // Only the Close command's state is checked: Wine's system menu has an
  // extra item, so counting items would tell nothing.
  const auto has = [&](UINT command) {
    return ::GetMenuState(::GetSystemMenu(window.hwnd(), FALSE), command, MF_BYCOMMAND) != UINT(-1);
  };
  ASSERT_TRUE(has(SC_CLOSE));
  EXPECT_TRUE(desktop.RemoveCloseCommand(window.id()));
  EXPECT_EQ(Join(has(SC_CLOSE), has(SC_MINIMIZE)), "0 1");
  EXPECT_TRUE(desktop.RemoveCloseCommand(window.id())) << "already removed is no failure";

  ASSERT_TRUE(desktop.PostClose(window.id()));
  EXPECT_TRUE(PumpUntil([&] { return window.close_messages() == 1; }));
  // A close for no window must not land in this thread's own queue.
  EXPECT_FALSE(desktop.PostClose(kNoWindow));
  EXPECT_FALSE(desktop.SetTitle(kNoWindow, "x"));
  MSG message;
  EXPECT_FALSE(::PeekMessageW(&message, reinterpret_cast<HWND>(-1), WM_CLOSE, WM_CLOSE, PM_NOREMOVE));
}

TEST_F(DesktopTest, AWindowThatDiedFailsQuietly) {
  const platform::WindowId id = window.id();
  EXPECT_TRUE(desktop.Exists(id));
  window.Destroy();
  bool listed = false;
  for (const auto& w : desktop.TopLevelWindows()) listed = listed || w.id == id;
  // Each call in turn, then the same for no window at all.
  EXPECT_EQ((std::vector<bool>{desktop.Exists(id), desktop.IsVisible(id), !desktop.Title(id).empty(),
                               !desktop.ClassName(id).empty(), desktop.SetTitle(id, "gone"),
                               desktop.ShowAsync(id, ShowCommand::kShow), desktop.PostClose(id),
                               desktop.SetTopmost(id, true), desktop.RemoveCloseCommand(id), listed,
                               desktop.Exists(kNoWindow)}),
            std::vector<bool>(11, false));
}

}  // namespace
