// End to end: the watch and the unlock prompt over other programs' windows: a
// hung one, then Notepad (Cancel, then the password typed). The entry
// "Kestrove" matches the program's own windows, which are never locked.
#include "e2e/harness.h"

#include <commctrl.h>

namespace e2e {
namespace {

bool Locked(HWND window) {
  return WindowTitle(window) == "###" && !IsShown(window);
}

using Locks = Scenario;

TEST_F(Locks, OtherProgramsCannotDriveTheConfigurationAndNotepadStaysLockedUntilThePassword) {
  SetTaskList({"Kestrove,1", "Hung Ledger,1", "Notepad,1"});
  ASSERT_NE(StartToMainWindow(), nullptr);
  ASSERT_TRUE(CloseConfig());  // the watch runs from here on

  // Another program deletes Notepad's row with the keys and clicks each button
  // and sends it as a command: nothing acts, and Notepad still locks below.
  const HWND config = Config();
  const HWND tasks = FindChild(config, "SysListView32");
  ASSERT_NE(tasks, nullptr);
  ::PostMessageW(tasks, WM_KEYDOWN, VK_END, 0);
  ::PostMessageW(tasks, WM_KEYDOWN, VK_DELETE, 0);
  const HWND admin = FindChild(config, "Button", "Administrator (this user account will not be restricted)");
  for (const HWND button :
       {FindChild(config, "Button", "Remove"), admin, FindChild(config, "Button", "Set Tasks Password..."),
        FindChild(config, "Button", "End kstrv7.exe")}) {
    ASSERT_NE(button, nullptr);
    ::PostMessageW(button, BM_CLICK, 0, 0);
    ::PostMessageW(config, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
  }
  // Only the password prompt may come up, as the window's activation asks for it.
  const auto unchanged = [&] {
    for (const HWND window : FindWindows(OwnShown(""))) {
      const std::string title = WindowTitle(window);
      if (!title.empty() && (title != "Kestrove" || FindChild(window, "Static", "Enter new password:")))
        return false;
    }
    return kestrove_->Running() && Send(admin, BM_GETCHECK) == BST_UNCHECKED &&
           Send(tasks, LVM_GETITEMCOUNT) == 3 &&
           registry_.ReadString(platform::RegRoot::kCurrentUser, kSettingsKey, "CurrentUser").empty();
  };
  EXPECT_TRUE(
      HoldsFor(unchanged, kThreeTicks, "the hidden configuration window ignoring every click and command"));
  if (Prompt() != nullptr) {
    ASSERT_TRUE(ClickButton(Prompt(), "Cancel"));
  }
  ASSERT_TRUE(WaitUntil([&] { return Shown() == nullptr; }, "the password prompt cancelled"));

  // Renaming a window waits for its program, which never answers now.
  const HelperWindow hung = StartHelperWindow("KsHungWindow", "Hung Ledger", "--hang");
  ASSERT_TRUE(WaitUntil([&] { return hung.CountInLog("HUNG") == 1; }, "the helper window to hang"));
  ASSERT_NE(WaitForPrompt("over the hung window"), nullptr);
  const Process& notepad_process = StartProgram(L"notepad.exe");
  HWND notepad = WaitForWindow({.class_name = "Notepad", .process_id = notepad_process.Id()}, "Notepad");
  EXPECT_TRUE(WaitUntil([&] { return Locked(notepad); }, "Notepad renamed \"###\" and hidden"));
  ASSERT_TRUE(hung.process->End());
  // Cancel: Notepad, its document unchanged, closes on the close request without asking.
  ASSERT_TRUE(ClickButton(WaitForPrompt("over Notepad"), "Cancel"));
  EXPECT_TRUE(notepad_process.WaitForExit().has_value()) << "Notepad still runs";
  EXPECT_TRUE(WaitUntil([&] { return Shown() == nullptr; }, "the prompt and its cover to go"));

  notepad =
      WaitForWindow({.class_name = "Notepad", .process_id = StartProgram(L"notepad.exe").Id()}, "Notepad");
  ASSERT_TRUE(WaitUntil([&] { return Locked(notepad); }, "a new Notepad renamed \"###\" and hidden"));
  const HWND prompt = WaitForPrompt("over the new Notepad");
  // Shown again by another program, it is hidden again at once.
  ::ShowWindow(notepad, SW_SHOW);
  const bool shown = IsShown(notepad);  // before the program can react
  ::SetForegroundWindow(notepad);
  EXPECT_TRUE(shown) << "Notepad could not be shown again: this proves nothing";
  EXPECT_TRUE(WaitUntil([&] { return Locked(notepad); }, "Notepad hidden again", milliseconds(500)));
  Screenshot("notepad-locked");
  // Typed as a user types it and confirmed with Enter, the default button.
  const HWND box = FindChild(prompt, "Edit");
  ASSERT_TRUE(box != nullptr && TypeAndEnter(box, "TaVrOlK"));
  const auto notepad_back = [&] {
    return WindowTitle(notepad) == "Notepad" && IsShown(notepad) && Shown() == nullptr;
  };
  EXPECT_TRUE(WaitUntil(notepad_back, "Notepad shown under its entry's name, the prompt and cover gone"));
  // Allowed now: Notepad in the foreground is left alone tick after tick.
  ASSERT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == notepad; }, "Notepad in the foreground"));
  EXPECT_TRUE(HoldsFor(notepad_back, kThreeTicks, "the unlocked Notepad staying visible"));
}

}  // namespace
}  // namespace e2e
