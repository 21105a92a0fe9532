// The desktop service against real windows the test creates: titles and
// classes (Unicode, cut to 254 characters), asynchronous show and hide,
// finding, enumeration, topmost, the system menu's Close, WM_CLOSE, and
// windows that die between two calls.
#include <windows.h>

#include <algorithm>
#include <gtest/gtest.h>

#include "platform/win32/win32_desktop.h"
#include "win32/win32_test_support.h"

namespace {

using platform::kNoWindow;
using platform::ShowCommand;
using platform::win32::Win32Desktop;
using win32_test::PumpUntil;
using win32_test::TestWindow;

// Cyrillic and CJK: neither fits the ANSI code page of an English system.
constexpr char kUnicodeTitle[] = "Диспетчер задач — 任务管理器";
constexpr wchar_t kUnicodeTitleWide[] = L"Диспетчер задач — 任务管理器";

class DesktopTest : public ::testing::Test {
 protected:
  Win32Desktop desktop;
  TestWindow window{L"KSV Desktop Test"};
};

TEST_F(DesktopTest, TitleAndClassReadBack) {
  EXPECT_EQ(desktop.Title(window.id()), "KSV Desktop Test");
  EXPECT_EQ(desktop.ClassName(window.id()), "KSVTestWindow");
  EXPECT_TRUE(desktop.Exists(window.id()));
  EXPECT_TRUE(desktop.IsVisible(window.id()));
}

TEST_F(DesktopTest, TitlesOutsideTheAnsiCodePage) {
  ASSERT_TRUE(desktop.SetTitle(window.id(), kUnicodeTitle));
  // Stored as UTF-16 by the system, not squeezed through a code page.
  wchar_t stored[64] = {};
  ::GetWindowTextW(window.hwnd(), stored, 64);
  EXPECT_STREQ(stored, kUnicodeTitleWide);
  EXPECT_EQ(desktop.Title(window.id()), kUnicodeTitle);
  EXPECT_EQ(desktop.FindByTitle(kUnicodeTitle), window.id());
}

TEST_F(DesktopTest, LongTitlesAreCutTo254Characters) {
  ASSERT_TRUE(desktop.SetTitle(window.id(), std::string(300, 'x')));
  EXPECT_EQ(desktop.Title(window.id()), std::string(254, 'x'));
  // The cut goes through a surrogate pair (U+1F512 at units 254 and 255):
  // the half character is dropped, not turned into U+FFFD.
  ASSERT_TRUE(desktop.SetTitle(window.id(), std::string(253, 'a') + "\xF0\x9F\x94\x92"));
  EXPECT_EQ(desktop.Title(window.id()), std::string(253, 'a'));
}

TEST_F(DesktopTest, ShowAsyncHidesAndShowsAnotherProgramsWindow) {
  // The window's own thread carries the request out, as another program's would.
  const win32_test::OtherThreadWindow other(L"KSV Other Thread Test");
  ASSERT_TRUE(desktop.ShowAsync(other.id(), ShowCommand::kHide));
  EXPECT_TRUE(PumpUntil([&] { return !desktop.IsVisible(other.id()); }));
  ASSERT_TRUE(desktop.ShowAsync(other.id(), ShowCommand::kShowMinNoActive));
  EXPECT_TRUE(PumpUntil([&] { return desktop.IsVisible(other.id()) && ::IsIconic(other.hwnd()) != FALSE; }));
  ASSERT_TRUE(desktop.ShowAsync(other.id(), ShowCommand::kRestore));
  EXPECT_TRUE(PumpUntil([&] { return ::IsIconic(other.hwnd()) == FALSE; }));
}

// Renaming a window whose program has stopped answering gives up after about
// a second instead of stalling the program's one window thread.
TEST_F(DesktopTest, RenamingAHungWindowGivesUp) {
  const win32_test::OtherThreadWindow hung(L"KSV Hung Window", true);
  const DWORD start = ::GetTickCount();
  EXPECT_FALSE(desktop.SetTitle(hung.id(), "###"));
  const DWORD spent = ::GetTickCount() - start;
  EXPECT_LT(spent, 5000U) << "waited " << spent << " ms";
  EXPECT_TRUE(desktop.ShowAsync(hung.id(), ShowCommand::kHide)) << "asking to hide never waits";
}

TEST_F(DesktopTest, OwnWindowsAreTold) {
  EXPECT_TRUE(desktop.IsOwnWindow(window.id()));
  const win32_test::OtherThreadWindow other(L"KSV Other Thread Own");
  EXPECT_TRUE(desktop.IsOwnWindow(other.id())) << "any thread of this process";
  // The desktop window belongs to the system, not to this program.
  EXPECT_FALSE(desktop.IsOwnWindow(reinterpret_cast<std::uintptr_t>(::GetDesktopWindow())));
  EXPECT_FALSE(desktop.IsOwnWindow(kNoWindow));
}

TEST_F(DesktopTest, ShowAsyncOnTheProgramsOwnWindow) {
  // Whatever the window's state was before, the request succeeds.
  ASSERT_TRUE(desktop.ShowAsync(window.id(), ShowCommand::kHide));
  EXPECT_TRUE(PumpUntil([&] { return !desktop.IsVisible(window.id()); }));
  ASSERT_TRUE(desktop.ShowAsync(window.id(), ShowCommand::kHide));
  ASSERT_TRUE(desktop.ShowAsync(window.id(), ShowCommand::kShow));
  EXPECT_TRUE(PumpUntil([&] { return desktop.IsVisible(window.id()); }));
}

TEST_F(DesktopTest, FindsByClassAndByTitle) {
  EXPECT_EQ(desktop.FindByClass("KSVTestWindow"), window.id());
  // Whole title, letter case ignored, hidden windows included.
  ::ShowWindow(window.hwnd(), SW_HIDE);
  EXPECT_EQ(desktop.FindByTitle("ksv DESKTOP test"), window.id());
  EXPECT_EQ(desktop.FindByTitle("KSV Desktop"), kNoWindow);
  EXPECT_EQ(desktop.FindByClass("KSVNoSuchClass"), kNoWindow);
}

TEST_F(DesktopTest, TopLevelWindowsInZOrderWithTheirStyles) {
  const TestWindow owned(L"KSV Owned Tool", true, WS_EX_TOOLWINDOW, window.hwnd());
  auto windows = desktop.TopLevelWindows();
  const auto find = [&](platform::WindowId id) {
    return std::find_if(windows.begin(), windows.end(), [&](const auto& w) { return w.id == id; });
  };
  const auto owner_entry = find(window.id());
  const auto owned_entry = find(owned.id());
  ASSERT_NE(owner_entry, windows.end());
  ASSERT_NE(owned_entry, windows.end());
  EXPECT_EQ(owner_entry->title, "KSV Desktop Test");
  EXPECT_EQ(owner_entry->class_name, "KSVTestWindow");
  EXPECT_TRUE(owner_entry->visible);
  EXPECT_FALSE(owner_entry->owned);
  EXPECT_FALSE(owner_entry->tool_window);
  EXPECT_TRUE(owned_entry->owned);
  EXPECT_TRUE(owned_entry->tool_window);
  // An owned window always lies above its owner.
  EXPECT_LT(owned_entry - windows.begin(), owner_entry - windows.begin());

  ::ShowWindow(window.hwnd(), SW_HIDE);
  windows = desktop.TopLevelWindows();
  ASSERT_NE(find(window.id()), windows.end());
  EXPECT_FALSE(find(window.id())->visible);
}

TEST_F(DesktopTest, SetTopmostAndRemoveCloseCommand) {
  const auto ex_style = [&] { return ::GetWindowLongPtrW(window.hwnd(), GWL_EXSTYLE); };
  ASSERT_TRUE(desktop.SetTopmost(window.id(), true));
  EXPECT_NE(ex_style() & WS_EX_TOPMOST, 0);
  ASSERT_TRUE(desktop.SetTopmost(window.id(), false));
  EXPECT_EQ(ex_style() & WS_EX_TOPMOST, 0);

  // Only the Close command's state is checked: Wine's system menu has an
  // extra item, so counting items would tell nothing.
  const HMENU menu = ::GetSystemMenu(window.hwnd(), FALSE);
  ASSERT_NE(menu, nullptr);
  ASSERT_NE(::GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_TRUE(desktop.RemoveCloseCommand(window.id()));
  EXPECT_EQ(::GetMenuState(::GetSystemMenu(window.hwnd(), FALSE), SC_CLOSE, MF_BYCOMMAND),
            static_cast<UINT>(-1));
  EXPECT_NE(::GetMenuState(menu, SC_MINIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_TRUE(desktop.RemoveCloseCommand(window.id())) << "already removed is no failure";
}

TEST_F(DesktopTest, PostCloseDeliversWmClose) {
  ASSERT_TRUE(desktop.PostClose(window.id()));
  EXPECT_TRUE(PumpUntil([&] { return window.close_messages() == 1; }));
}

TEST_F(DesktopTest, NoWindowIsNeverSentAnything) {
  // A close for no window must not land in this thread's own queue.
  EXPECT_FALSE(desktop.PostClose(kNoWindow));
  EXPECT_FALSE(desktop.SetTitle(kNoWindow, "x"));
  MSG message;
  EXPECT_FALSE(::PeekMessageW(&message, reinterpret_cast<HWND>(-1), WM_CLOSE, WM_CLOSE, PM_NOREMOVE));
}

TEST_F(DesktopTest, ForegroundIsTheActivatedWindow) {
  ::SetForegroundWindow(window.hwnd());
  EXPECT_TRUE(PumpUntil([&] { return desktop.Foreground() == window.id(); }));
}

TEST_F(DesktopTest, AWindowThatDiedFailsQuietly) {
  const platform::WindowId id = window.id();
  window.Destroy();
  EXPECT_FALSE(desktop.Exists(id));
  EXPECT_FALSE(desktop.IsVisible(id));
  EXPECT_EQ(desktop.Title(id), "");
  EXPECT_EQ(desktop.ClassName(id), "");
  EXPECT_FALSE(desktop.SetTitle(id, "gone"));
  EXPECT_FALSE(desktop.ShowAsync(id, ShowCommand::kShow));
  EXPECT_FALSE(desktop.PostClose(id));
  EXPECT_FALSE(desktop.SetTopmost(id, true));
  EXPECT_FALSE(desktop.RemoveCloseCommand(id));
  EXPECT_FALSE(desktop.Exists(kNoWindow));
  const auto windows = desktop.TopLevelWindows();
  EXPECT_TRUE(std::none_of(windows.begin(), windows.end(), [&](const auto& w) { return w.id == id; }));
}

}  // namespace
