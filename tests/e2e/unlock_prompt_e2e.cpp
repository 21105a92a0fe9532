// End to end: the unlock prompt over a protected program. With Notepad on the
// protected task list, the program hides Notepad and asks for the password:
// the right one in any letter case gives Notepad back under its task entry's
// name, a wrong or empty one keeps it hidden and says so, and Cancel closes
// Notepad after a short wait. Driven from outside, as a user would.
#include <chrono>
#include <string>

#include "e2e/prompt_steps.h"

namespace e2e {
namespace {

using std::chrono::duration_cast;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

class UnlockPrompt : public PromptScenario {
 protected:
  // Starts the program with Notepad protected, gets past the start-up gate,
  // opens Notepad and waits until it is hidden and the prompt is up.
  void LockNotepad() {
    ASSERT_TRUE(SetTaskList({"Notepad,1"}));
    ASSERT_NO_FATAL_FAILURE(StartPastGate());
    window_ = OpenNotepad();
    ASSERT_NE(window_, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return NotepadLocked(); }, "Notepad to be renamed \"###\" and hidden"))
        << "Notepad: " << Describe(window_) << "; foreground: " << Describe(::GetForegroundWindow());
    prompt_ = WaitForPrompt(kestrove_->Id(), "over the hidden Notepad");
    ASSERT_NE(prompt_, nullptr);
  }

  bool NotepadLocked() const { return WindowTitle(window_) == kHiddenTitle && !IsShown(window_); }

  // Notepad's main window, and the prompt that locks it.
  HWND window_ = nullptr;
  HWND prompt_ = nullptr;
};

TEST_F(UnlockPrompt, RightPasswordInAnyCaseGivesNotepadBack) {
  ASSERT_NO_FATAL_FAILURE(LockNotepad());
  EXPECT_EQ(PromptHint(prompt_), kDefaultPasswordHint);
  EXPECT_TRUE(IsForeground(prompt_)) << "foreground: " << Describe(::GetForegroundWindow());
  Screenshot("unlock-prompt");

  // Typed as a user types it, in mixed case, and confirmed with Enter (OK is
  // the default button). Keys and a click travel separately: a click sent
  // after typing could overtake the typed keys.
  const HWND edit = FindChild(prompt_, "Edit");
  ASSERT_NE(edit, nullptr);
  ASSERT_TRUE(TypeText(edit, "TaVrOlK"));
  ASSERT_TRUE(PressKeys(prompt_, {VK_RETURN}));

  EXPECT_TRUE(WaitUntil([&] { return IsShown(window_) && WindowTitle(window_) == "Notepad"; },
                        "Notepad to be shown again, titled with its task entry \"Notepad\""))
      << "Notepad: " << Describe(window_) << "; prompt hint \"" << PromptHint(prompt_) << "\"";
  EXPECT_TRUE(WaitUntil([&] { return !KestroveShowsAnyWindow(); }, "the prompt and its cover to go away"));
  // Allowed now: Notepad in the foreground, its title still holding the task
  // entry, is left alone tick after tick.
  ASSERT_TRUE(WaitUntil([&] { return IsForeground(window_); }, "Notepad to be in the foreground"))
      << "foreground: " << Describe(::GetForegroundWindow());
  EXPECT_TRUE(HoldsFor([&] { return IsShown(window_) && WindowTitle(window_) == "Notepad"; }, kThreeTicks,
                       "the unlocked Notepad staying visible"))
      << "Notepad: " << Describe(window_);
  EXPECT_EQ(FindPrompt(kestrove_->Id()), nullptr);
  EXPECT_TRUE(kestrove_->Running());
}

TEST_F(UnlockPrompt, WrongOrEmptyPasswordKeepsNotepadHidden) {
  ASSERT_NO_FATAL_FAILURE(LockNotepad());

  ASSERT_TRUE(AnswerPrompt(prompt_, ""));
  EXPECT_TRUE(WaitUntil([&] { return PromptHint(prompt_) == kInvalidPasswordHint; },
                        "\"Password is Invalid.\" after an empty password"))
      << "hint \"" << PromptHint(prompt_) << "\"";

  ASSERT_TRUE(AnswerPrompt(prompt_, "tavrolk2"));
  EXPECT_TRUE(HoldsFor([&] { return NotepadLocked() && FindPrompt(kestrove_->Id()) == prompt_; }, kThreeTicks,
                       "Notepad staying hidden under the prompt after a wrong password"))
      << "Notepad: " << Describe(window_) << "; prompt: " << Describe(prompt_);
  EXPECT_EQ(PromptHint(prompt_), kInvalidPasswordHint);

  // The right password still works after wrong ones.
  ASSERT_TRUE(AnswerPrompt(prompt_, "TAVROLK"));
  EXPECT_TRUE(WaitUntil([&] { return IsShown(window_) && WindowTitle(window_) == "Notepad"; },
                        "Notepad to be shown again after the right password"))
      << "Notepad: " << Describe(window_);
}

TEST_F(UnlockPrompt, CancelClosesNotepadAfterAWait) {
  ASSERT_NO_FATAL_FAILURE(LockNotepad());
  const HWND cancel = FindChild(prompt_, "Button", "Cancel");
  ASSERT_NE(cancel, nullptr);

  const auto clicked = steady_clock::now();
  ASSERT_TRUE(ClickControl(cancel));
  // While the button reads "Wait..." and is disabled the program has not yet
  // asked Notepad to close; Notepad must still be there.
  bool running_before = false;
  ASSERT_TRUE(WaitUntil(
      [&] {
        running_before = notepad_->Running();
        return ControlText(cancel) == "Wait..." && !::IsWindowEnabled(cancel);
      },
      "Cancel to read \"Wait...\" and be disabled"))
      << "Cancel: " << Describe(cancel) << " \"" << ControlText(cancel) << "\"";
  EXPECT_TRUE(running_before) << "Notepad closed before the wait was over";

  // An unchanged document: Notepad closes on WM_CLOSE without asking.
  EXPECT_TRUE(notepad_->WaitForExit().has_value()) << "Notepad still runs; its window: " << Describe(window_);
  RecordProperty("notepad_closed_after_ms",
                 static_cast<int>(duration_cast<milliseconds>(steady_clock::now() - clicked).count()));
  EXPECT_TRUE(WaitUntil([&] { return !KestroveShowsAnyWindow(); }, "the prompt and its cover to go away"));
  EXPECT_TRUE(kestrove_->Running());
}

}  // namespace
}  // namespace e2e
