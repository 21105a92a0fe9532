// End to end: the lock holds against other programs. The start-up lock cannot be
// closed from outside, the program never locks its own windows, a hung program
// does not stop the watch, and a closed main window leaves one fresh copy.
#include "e2e/harness.h"
#include "platform/win32/wide_text.h"

namespace e2e {
namespace {

class LockIntegrity : public Scenario {};

TEST_F(LockIntegrity, StartupLockOutlastsCloseRequestsFromOtherPrograms) {
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kSettingsKey, "Startup", "1"));
  const DWORD id = StartKestrove().Id();
  const HWND prompt = WaitForPrompt(id, "for the start-up lock");
  ASSERT_NE(prompt, nullptr);
  const HWND cancel = FindChild(prompt, "Button", "Cancel");
  HWND cover = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] { return Exists(cancel) && !::IsWindowEnabled(cancel) && (cover = FindCover(id)) != nullptr; },
      "Cancel disabled and the black cover behind the prompt"));

  ASSERT_TRUE(PostClose(prompt));
  ASSERT_TRUE(::PostMessageW(prompt, WM_SYSCOMMAND, SC_CLOSE, 0));
  ASSERT_TRUE(PostClose(cover));
  ASSERT_TRUE(HoldsFor([&] { return IsShown(prompt) && IsShown(cover); }, kThreeTicks,
                       "the start-up prompt and its cover staying up after WM_CLOSE and SC_CLOSE"));

  EXPECT_TRUE(WaitUntil(
      [&] {
        if (const HWND asking = FindPrompt(id)) AnswerPrompt(asking, kDefaultPassword);
        return FindPrompt(id) == nullptr && !IsShown(cover) && IsShown(FindConfig(id));
      },
      "the configuration window alone after the right password"));
}

TEST_F(LockIntegrity, NeverLocksItsOwnWindows) {
  ASSERT_TRUE(SetTaskList({"Kestrove,1"}));  // in the prompt's title and the configuration window's
  const HWND prompt = WaitForPrompt(StartKestrove().Id(), "at start");
  ASSERT_NE(prompt, nullptr);
  ASSERT_TRUE(HoldsFor([&] { return IsShown(prompt) && WindowTitle(prompt) == kPromptTitle; }, kThreeTicks,
                       "the prompt staying visible and titled \"Kestrove\""));
  // The watch cycle looked at it all along.
  EXPECT_TRUE(IsForeground(prompt)) << "foreground: " << Describe(::GetForegroundWindow());

  ASSERT_TRUE(AnswerPrompt(prompt, kDefaultPassword));
  HWND config = nullptr;
  ASSERT_TRUE(
      WaitUntil([&] { return IsShown(config = FindConfig(kestrove_->Id())); }, "the configuration window"));
  EXPECT_TRUE(HoldsFor([&] { return IsShown(config) && WindowTitle(config) == kConfigTitle; }, kThreeTicks,
                       "the configuration window staying visible under its own title"));
  EXPECT_TRUE(IsForeground(config)) << "foreground: " << Describe(::GetForegroundWindow());
}

TEST_F(LockIntegrity, HungProgramDoesNotStopTheWatch) {
  ASSERT_TRUE(SetTaskList({"Hung Ledger,1", "Notepad,1"}));
  ASSERT_NO_FATAL_FAILURE(StartPastGate());
  // Renaming a window waits for its program, which never answers now.
  const HelperWindow hung =
      StartHelperWindow({.class_name = "KsHungWindow", .title = "Hung Ledger", .hang = true});
  ASSERT_TRUE(
      WaitUntil([&] { return hung.CountInLog("HUNG") == 1; }, "the helper window to hang once active"));
  ASSERT_NE(WaitForPrompt(kestrove_->Id(), "over the hung window"), nullptr) << Describe(hung.window);

  const HWND notepad = OpenNotepad();
  EXPECT_TRUE(WaitUntil([&] { return WindowTitle(notepad) == kHiddenTitle && !IsShown(notepad); },
                        "Notepad to be renamed \"###\" and hidden after the hung window"))
      << "Notepad: " << Describe(notepad) << "; foreground: " << Describe(::GetForegroundWindow());
}

TEST_F(LockIntegrity, ClosedCopyIsReplacedByOneFreshCopy) {
  // Started as Windows starts its Run entry at log-on: through the shell, by
  // a program that ends at once, so the copy's parent is gone and the copy
  // is no process of this harness.
  const std::string command =
      "cmd.exe /c start \"\" \"" + platform::win32::FromWide(BinDir()) + "\\kstrv7.exe\"";
  const std::unique_ptr<Process> launcher = StartProcess(command, BinDir());
  ASSERT_TRUE(launcher != nullptr && launcher->WaitForExit().has_value()) << command << " did not run";
  std::vector<DWORD> copies;
  ASSERT_TRUE(WaitUntil([&] { return (copies = ProcessIdsByImage(kImage)).size() == 1; },
                        "one kstrv7.exe started through the shell"))
      << copies.size() << " copies";
  const DWORD old_id = copies.front();
  ASSERT_NE(WaitForPrompt(old_id, "for the configuration at start"), nullptr);
  ASSERT_TRUE(WaitUntil([&] { return FindCover(old_id) != nullptr; }, "the black cover behind the prompt"));

  ASSERT_TRUE(PostClose(FindConfig(old_id)));
  const auto one_fresh_copy = [&] {
    copies = ProcessIdsByImage(kImage);
    return copies.size() == 1 && copies.front() != old_id && FindConfig(copies.front()) != nullptr;
  };
  // Up within five seconds of the close; a slow CI machine gets more.
  ASSERT_TRUE(WaitUntil(one_fresh_copy, std::chrono::seconds(20),
                        "exactly one kstrv7.exe, not the closed one, owning the configuration window"))
      << copies.size() << " copies";
  const DWORD fresh_id = copies.front();
  // The fresh copy gets through its own start-up: the closed copy was gone
  // before it looked for another one running.
  EXPECT_NE(WaitForPrompt(fresh_id, "of the fresh copy"), nullptr);
  EXPECT_TRUE(HoldsFor([&] { return one_fresh_copy() && copies.front() == fresh_id; },
                       std::chrono::seconds(5), "the fresh copy staying the only kstrv7.exe"))
      << copies.size() << " copies";
}

}  // namespace
}  // namespace e2e
