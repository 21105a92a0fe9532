// End to end: a task chosen in the window browser as a user chooses it
// (Browse... pressed, the title clicked in the list, Select pressed) is
// listed checked on the Tasks tab, stored by Apply and locks its window, for
// Notepad and for a title outside the ANSI code page alike.
#include "e2e/harness.h"

#include <commctrl.h>

#include <string>

#include "platform/win32/wide_text.h"

namespace e2e {
namespace {

class BrowseForTask : public Scenario {};

TEST_F(BrowseForTask, ChosenTitlesAreListedCheckedStoredAndLocked) {
  const std::string titles[] = {"Untitled - Notepad", "Документ — 文档"};
  const HWND windows[] = {OpenNotepad(),
                          StartHelperWindow({.class_name = "KSVDocument", .title = titles[1]}).window};
  const HWND config = StartToMainWindow();
  ASSERT_NE(config, nullptr);
  const HWND count = FindChild(config, "Static", "Tasks Locked: 0");
  for (int n = 0; n < 2; ++n) {
    ASSERT_TRUE(ClickButton(config, "Browse..."));
    const HWND browser = WaitForWindow(
        {.title = "Browse for Task", .process_id = kestrove_->Id(), .visible_only = true}, "the browser");
    ASSERT_NE(browser, nullptr);
    EXPECT_FALSE(::IsWindowEnabled(config)) << "the main window waits for the browser";
    // The row's place in the list: a click in its middle picks it.
    const HWND list = FindChild(browser, "ListBox");
    const std::wstring wide = platform::win32::ToWide(titles[n]);
    const auto row = Send(list, LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(wide.c_str()));
    ASSERT_GE(row.value_or(LB_ERR), 0) << titles[n] << " not listed";
    Send(list, LB_SETTOPINDEX, static_cast<WPARAM>(*row));
    const auto height = Send(list, LB_GETITEMHEIGHT).value_or(0);
    POINT point{8, static_cast<LONG>((*row - Send(list, LB_GETTOPINDEX).value_or(0)) * height + height / 2)};
    ASSERT_TRUE(::ClientToScreen(list, &point) && ClickAt(point));
    const HWND edit = FindChild(browser, "Edit");
    ASSERT_TRUE(WaitUntil([&] { return ControlText(edit) == titles[n]; }, "the title in the Edit box"));
    if (n == 0) Screenshot("browse-for-task");
    ASSERT_TRUE(ClickButton(browser, "Select"));
    EXPECT_TRUE(WaitUntil(
        [&] {
          return !Exists(browser) && ::IsWindowEnabled(config) &&
                 ControlText(count) == "Tasks Locked: " + std::to_string(n + 1);
        },
        "the browser gone, the main window enabled and the count up"))
        << ControlText(count);
  }
  const HWND tasks = FindChild(config, "SysListView32");
  EXPECT_EQ(ListView_GetItemCount(tasks), 2);
  EXPECT_TRUE(ListView_GetCheckState(tasks, 0) == 1 && ListView_GetCheckState(tasks, 1) == 1);
  Screenshot("browse-tasks-tab");

  ASSERT_TRUE(ClickButton(config, "Apply"));
  const auto stored = [](const char* name) {
    return GetString(HKEY_LOCAL_MACHINE, "Software\\KSV\\Tasks", name);
  };
  EXPECT_TRUE(
      WaitUntil([&] { return stored("Task0") == titles[1] + ",1" && stored("Task1") == titles[0] + ",1"; },
                "both stored, the newest first"));
  for (const HWND window : windows) {
    ::SetForegroundWindow(window);
    EXPECT_TRUE(WaitUntil([&] { return WindowTitle(window) == kHiddenTitle && !IsShown(window); },
                          std::chrono::milliseconds(2000), "the window locked"))
        << Describe(window);
    ASSERT_TRUE(AnswerPrompt(WaitForPrompt(kestrove_->Id(), "over the locked window"), kDefaultPassword));
    ASSERT_TRUE(WaitUntil([&] { return IsShown(window); }, "the window back after the password"));
  }
}

}  // namespace
}  // namespace e2e
