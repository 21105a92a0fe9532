// End to end: the watch cycle renames and hides the foreground window whose
// title holds an active entry of the protected task list, and leaves windows
// of inactive entries alone. Driven against Wine's real Notepad.
#include <chrono>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "e2e/prompt_steps.h"

namespace e2e {
namespace {

using std::chrono::milliseconds;

constexpr const char* kNotepadClass = "Notepad";
constexpr const char* kNotepadTitle = "Untitled - Notepad";
// The program looks at the foreground window once a second, so a protected
// window is caught within two seconds of appearing.
constexpr milliseconds kWithinTwoSeconds{2000};

class WatchCycle : public PromptScenario {
 protected:
  // Starts the program with this protected task list and gets past the
  // password gate it raises at start, as its user does.
  void StartWithTasks(const std::vector<std::string>& tasks) {
    ASSERT_TRUE(SetTaskList(tasks));
    ASSERT_NO_FATAL_FAILURE(StartPastGate());
  }
};

TEST_F(WatchCycle, HidesProtectedWindowWithinTwoSeconds) {
  ASSERT_NO_FATAL_FAILURE(StartWithTasks({"Notepad,1"}));
  const HWND notepad = OpenNotepad();
  ASSERT_NE(notepad, nullptr);

  const auto seen = std::chrono::steady_clock::now();
  EXPECT_TRUE(WaitUntil([&] { return WindowTitle(notepad) == kHiddenTitle && !IsShown(notepad); },
                        kWithinTwoSeconds, "Notepad's window to be renamed \"###\" and hidden"))
      << "Notepad: " << Describe(notepad) << "; foreground: " << Describe(::GetForegroundWindow());
  RecordProperty(
      "hidden_after_ms",
      static_cast<int>(
          std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - seen).count()));
  EXPECT_TRUE(kestrove_->Running());
  Screenshot("watch-cycle-notepad-hidden");
}

TEST_F(WatchCycle, LeavesWindowOfInactiveEntryAlone) {
  ASSERT_NO_FATAL_FAILURE(StartWithTasks({"Notepad,0"}));
  const HWND notepad = OpenNotepad();
  ASSERT_NE(notepad, nullptr);
  // Only the foreground window is looked at: make sure Notepad is it before
  // counting the ticks.
  ASSERT_TRUE(WaitUntil([&] { return IsForeground(notepad); }, "Notepad to come to the foreground"));

  EXPECT_TRUE(HoldsFor([&] { return WindowTitle(notepad) == kNotepadTitle && IsShown(notepad); }, kThreeTicks,
                       "Notepad's window keeping its title and staying visible"))
      << "Notepad: " << Describe(notepad) << "; foreground: " << Describe(::GetForegroundWindow());
  EXPECT_TRUE(kestrove_->Running()) << "the program ended, so nothing was watched";
  Screenshot("watch-cycle-notepad-inactive-entry");
}

TEST_F(WatchCycle, ActiveEntryAfterInactiveOnesStillProtects) {
  ASSERT_NO_FATAL_FAILURE(StartWithTasks({"Registry Editor,0", "Calculator,0", "Notepad,1"}));
  const HWND notepad = OpenNotepad();
  ASSERT_NE(notepad, nullptr);

  EXPECT_TRUE(WaitUntil([&] { return WindowTitle(notepad) == kHiddenTitle && !IsShown(notepad); },
                        kWithinTwoSeconds, "Notepad's window to be renamed \"###\" and hidden"))
      << "Notepad: " << Describe(notepad) << "; foreground: " << Describe(::GetForegroundWindow());
}

}  // namespace
}  // namespace e2e
