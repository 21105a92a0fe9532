// End to end: the ignore-list dialog and the Administrator box, driven as a
// user drives them. An ignore entry of the stored configuration spares
// Notepad until it is deleted in the dialog; ticking Administrator stops all
// locking at once, without Apply, and unticking brings it back.
#include <string>

#include "e2e/harness.h"

namespace e2e {
namespace {

constexpr int kSettingsTab = 2;
constexpr int kUsersTab = 3;
constexpr std::string_view kIgnoreListKey = "Software\\KSV\\IgnoreList";
constexpr std::string_view kAdministrator = "Administrator (this user account will not be restricted)";

std::string Ignored(std::string_view name) {
  return GetString(HKEY_LOCAL_MACHINE, kIgnoreListKey, name).value_or("(none)");
}

bool Locked(HWND window) {
  return !IsShown(window) && WindowTitle(window) == kHiddenTitle;
}

class IgnoreListAndUsers : public Scenario {};

TEST_F(IgnoreListAndUsers, DeletedIgnoreEntryAndTheAdministratorBox) {
  ASSERT_TRUE(SetTaskList({"Notepad,1"}));
  // As an imported configuration may leave it, with a gap in the numbering.
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kIgnoreListKey, "Task0", "Note"));
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kIgnoreListKey, "Task2", "Paint"));
  const HWND config = StartToMainWindow();
  ASSERT_NE(config, nullptr);
  const HWND open_list = FindChild(config, "Button", "Ignored Tasks List...");
  ASSERT_TRUE(ShowTab(config, kSettingsTab, open_list));

  // "Note" is found in the task entry "Notepad", so Notepad is left alone.
  const HWND notepad = OpenNotepad();
  ASSERT_TRUE(WaitUntil([&] { return IsShown(notepad); }, "Notepad on screen"));
  EXPECT_TRUE(HoldsFor([&] { return IsShown(notepad) && WindowTitle(notepad) != kHiddenTitle; }, kThreeTicks,
                       "Notepad left alone while \"Note\" is ignored"))
      << Describe(notepad);

  ASSERT_TRUE(ClickControl(open_list));
  const HWND dialog =
      WaitForWindow({.title = "Ignore List", .process_id = kestrove_->Id(), .visible_only = true},
                    "the ignore-list dialog");
  ASSERT_NE(dialog, nullptr);
  const HWND list = FindChild(dialog, "ListBox");
  ASSERT_TRUE(WaitUntil([&] { return Send(list, LB_GETCOUNT) == 2 && !::IsWindowEnabled(config); },
                        "Note and Paint listed, the main window disabled"))
      << "rows " << Send(list, LB_GETCOUNT).value_or(-1);
  Screenshot("ignore-list-dialog");

  // The keyboard: Tab from Close to the list, Home to its first row.
  ASSERT_TRUE(PressKey(dialog, VK_TAB));
  ASSERT_TRUE(PressKey(dialog, VK_HOME));
  ASSERT_TRUE(WaitUntil([&] { return Send(list, LB_GETCURSEL) == 0; }, "Note highlighted"));
  ASSERT_TRUE(ClickButton(dialog, "Delete"));
  EXPECT_TRUE(WaitUntil(
      [&] {
        return Ignored("Task0") == "Paint" && Ignored("Task2") == "(none)" && Send(list, LB_GETCOUNT) == 1;
      },
      "Paint alone stored, as Task0, and listed"))
      << "Task0 " << Ignored("Task0") << ", Task2 " << Ignored("Task2");
  Screenshot("ignore-list-after-delete");
  ASSERT_TRUE(PressKey(dialog, VK_ESCAPE));
  ASSERT_TRUE(WaitUntil([&] { return !Exists(dialog) && ::IsWindowEnabled(config); },
                        "Esc to close the dialog and give the main window back"));

  // Nothing spares Notepad any more.
  ::SetForegroundWindow(notepad);
  ASSERT_TRUE(WaitUntil([&] { return Locked(notepad); }, "Notepad locked once its ignore entry is gone"))
      << Describe(notepad);
  // Cancel closes it; the configuration window is then uncovered.
  ASSERT_TRUE(ClickButton(WaitForPrompt(kestrove_->Id(), "over Notepad"), "Cancel"));
  ASSERT_TRUE(WaitUntil([&] { return !Exists(notepad) && FindPrompt(kestrove_->Id()) == nullptr; },
                        "Cancel to close Notepad and the prompt"));

  // Administrator: stored for this account at once, and nothing locks.
  const HWND administrator = FindChild(config, "Button", kAdministrator);
  ASSERT_TRUE(ShowTab(config, kUsersTab, administrator));
  const auto stored = [] {
    return GetString(HKEY_CURRENT_USER, kSettingsKey, "CurrentUser").value_or("(none)");
  };
  ASSERT_TRUE(ClickControl(administrator));
  ASSERT_TRUE(
      WaitUntil([&] { return Send(administrator, BM_GETCHECK) == BST_CHECKED && stored() == "Enabled"; },
                "Administrator ticked and stored as \"Enabled\""))
      << "stored " << stored();
  Screenshot("users-tab-administrator");
  const HelperWindow ledger = StartHelperWindow({.class_name = "KsLedger", .title = "Ledger - Notepad"});
  EXPECT_TRUE(
      HoldsFor([&] { return IsShown(ledger.window) && WindowTitle(ledger.window) == "Ledger - Notepad"; },
               kThreeTicks, "a protected window left alone for the administrator"))
      << Describe(ledger.window);

  ASSERT_TRUE(ClickControl(administrator));
  ASSERT_TRUE(
      WaitUntil([&] { return Send(administrator, BM_GETCHECK) == BST_UNCHECKED && stored() == "Disabled"; },
                "Administrator cleared and stored as \"Disabled\""))
      << "stored " << stored();
  ::SetForegroundWindow(ledger.window);
  EXPECT_TRUE(WaitUntil([&] { return Locked(ledger.window); }, "the protected window locked again"))
      << Describe(ledger.window);
}

}  // namespace
}  // namespace e2e
