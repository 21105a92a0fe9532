// End to end: Apply on the configuration window's Advanced tab, driven as a
// user drives it (the tab clicked with the mouse, boxes ticked, Apply
// pressed): the settings are stored and the browser lock is in force at once.
#include "e2e/harness.h"

namespace e2e {
namespace {

std::string Setting(std::string_view name) {
  return GetString(HKEY_LOCAL_MACHINE, kSettingsKey, name).value_or("(none)");
}

class ApplyAdvanced : public Scenario {};

TEST_F(ApplyAdvanced, TickedLocksAreSavedAndLockTheBrowserFrame) {
  const auto is_checked = [](HWND box) { return Send(box, BM_GETCHECK) == BST_CHECKED; };
  const HWND config = StartToMainWindow();
  ASSERT_NE(config, nullptr);
  const HWND task_manager = FindChild(config, "Button", "Task Manager");
  const HWND browser = FindChild(config, "Button", "Internet Explorer");
  const HWND cancel = FindChild(config, "Button", "Cancel");
  ASSERT_TRUE(ShowTab(config, 4, task_manager));
  for (const HWND box : {task_manager, browser}) {
    ASSERT_FALSE(is_checked(box)) << ControlText(box) << " ticked before the click";
    ASSERT_TRUE(ClickControl(box));
    ASSERT_TRUE(WaitUntil([&] { return is_checked(box); }, ControlText(box) + " to be ticked"));
  }
  EXPECT_NE(Setting("TaskManager"), "1") << "saved before Apply";
  Screenshot("apply-advanced-tab");

  ASSERT_TRUE(ClickButton(config, "Apply"));
  EXPECT_TRUE(WaitUntil(
      [&] {
        return Setting("TaskManager") == "1" && Setting("LockIE") == "1" && ControlText(cancel) == "Close";
      },
      "TaskManager and LockIE stored as \"1\" and Cancel reading \"Close\""));
  // The reload after Apply keeps what was stored on screen.
  EXPECT_TRUE(is_checked(task_manager) && is_checked(browser));

  const HelperWindow frame = StartHelperWindow(
      {.class_name = "IEFrame", .title = "Start Page - Internet Explorer", .background = true});
  EXPECT_TRUE(WaitUntil(
      [&] {
        return !IsShown(frame.window) && frame.CountInLog("WM_SHOWWINDOW 0") > 0 &&
               FindPrompt(kestrove_->Id()) != nullptr;
      },
      "the browser frame hidden and the unlock prompt up"))
      << "frame: " << Describe(frame.window) << "; prompt: " << Describe(FindPrompt(kestrove_->Id()));
}

}  // namespace
}  // namespace e2e
