// End to end: a task chosen in the window browser, as a user chooses it
// (Browse... pressed, the title clicked in the list, Select pressed), is
// listed checked on the Tasks tab, stored by Apply and locks its window, for
// Notepad and for a title outside the ANSI code page alike.
#include "e2e/harness.h"

#include <commctrl.h>

#include <string>

#include "platform/win32/wide_text.h"

namespace e2e {
namespace {

using platform::win32::ToWide;
using std::chrono::milliseconds;

constexpr std::string_view kBrowserTitle = "Browse for Task";
constexpr std::string_view kNotepadTitle = "Untitled - Notepad";
constexpr std::string_view kUnicodeTitle = "Документ — 文档";
// An added task counts from the next look at the foreground on.
constexpr milliseconds kLockDeadline{2000};

class BrowseForTask : public Scenario {
 protected:
  // Clicks the row of the browser's list that reads `title`, once listed.
  static bool PickRow(HWND list, std::string_view title) {
    const std::wstring wide = ToWide(title);
    LRESULT row = LB_ERR;
    if (!WaitUntil(
            [&] {
              row = Send(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(wide.c_str()))
                        .value_or(LB_ERR);
              return row != LB_ERR;
            },
            std::string(title) + " listed in the browser")) {
      return false;
    }
    Send(list, LB_SETTOPINDEX, static_cast<WPARAM>(row));
    const auto height = static_cast<LONG>(Send(list, LB_GETITEMHEIGHT).value_or(0));
    const auto top = static_cast<LONG>(Send(list, LB_GETTOPINDEX).value_or(0));
    POINT point{8, static_cast<LONG>((row - top) * height + height / 2)};
    return ::ClientToScreen(list, &point) && ClickAt(point);
  }

  // Browse..., the title picked, Select: the browser gone and the main
  // window usable again.
  void ChooseTask(HWND config, std::string_view title, bool screenshot) {
    ASSERT_TRUE(ClickButton(config, "Browse..."));
    const HWND browser = WaitForWindow(
        {.title = kBrowserTitle, .process_id = kestrove_->Id(), .visible_only = true}, "the window browser");
    ASSERT_NE(browser, nullptr);
    EXPECT_FALSE(::IsWindowEnabled(config)) << "the main window is disabled while the browser is open";
    const HWND edit = FindChild(browser, "Edit");
    ASSERT_TRUE(PickRow(FindChild(browser, "ListBox"), title));
    ASSERT_TRUE(WaitUntil([&] { return ControlText(edit) == title; }, "the title in the Edit box"))
        << "Edit box: \"" << ControlText(edit) << "\"";
    if (screenshot) Screenshot("browse-for-task");
    ASSERT_TRUE(ClickButton(browser, "Select"));
    ASSERT_TRUE(WaitUntil([&] { return !Exists(browser) && ::IsWindowEnabled(config); },
                          "the browser closed and the main window enabled"));
  }

  bool Locked(HWND window) const { return WindowTitle(window) == kHiddenTitle && !IsShown(window); }
};

TEST_F(BrowseForTask, ChosenTitlesAreListedCheckedStoredAndLocked) {
  const HWND notepad = OpenNotepad();
  const HelperWindow document =
      StartHelperWindow({.class_name = "KSVDocument", .title = std::string(kUnicodeTitle)});
  const HWND config = StartToMainWindow();
  ASSERT_NE(config, nullptr);
  const HWND tasks = FindChild(config, "SysListView32");
  const HWND count = FindChild(config, "Static", "Tasks Locked: 0");
  ASSERT_NE(count, nullptr);

  ASSERT_NO_FATAL_FAILURE(ChooseTask(config, kNotepadTitle, true));
  EXPECT_TRUE(WaitUntil([&] { return ControlText(count) == "Tasks Locked: 1"; }, "\"Tasks Locked: 1\""));
  ASSERT_NO_FATAL_FAILURE(ChooseTask(config, kUnicodeTitle, false));
  EXPECT_TRUE(WaitUntil([&] { return ControlText(count) == "Tasks Locked: 2"; }, "\"Tasks Locked: 2\""));
  // Both rows carry a ticked box (state image 2).
  EXPECT_EQ(ListView_GetItemCount(tasks), 2);
  for (int row = 0; row < 2; ++row) EXPECT_EQ(ListView_GetCheckState(tasks, row), 1) << "row " << row;
  Screenshot("browse-tasks-tab");

  // The newest on top, as Apply stores the list.
  ASSERT_TRUE(ClickButton(config, "Apply"));
  EXPECT_TRUE(WaitUntil(
      [&] {
        return GetString(HKEY_LOCAL_MACHINE, "Software\\KSV\\Tasks", "Task0") ==
                   std::string(kUnicodeTitle) + ",1" &&
               GetString(HKEY_LOCAL_MACHINE, "Software\\KSV\\Tasks", "Task1") ==
                   std::string(kNotepadTitle) + ",1";
      },
      "both tasks stored, the newest first"));

  for (const HWND window : {notepad, document.window}) {
    ::SetForegroundWindow(window);
    EXPECT_TRUE(WaitUntil([&] { return Locked(window); }, kLockDeadline, "the window locked"))
        << Describe(window);
    const HWND prompt = WaitForPrompt(kestrove_->Id(), "over the locked window");
    ASSERT_TRUE(AnswerPrompt(prompt, kDefaultPassword));
    ASSERT_TRUE(WaitUntil([&] { return IsShown(window); }, "the window back after the password"));
  }
}

}  // namespace
}  // namespace e2e
