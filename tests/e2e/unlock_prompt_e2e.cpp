// End to end: the unlock prompt over a protected Notepad, renamed "###" and
// hidden: the right password in any letter case gives it back under its entry's
// name, a wrong one keeps it hidden and says so, Cancel closes it after a wait.
#include "e2e/harness.h"

namespace e2e {
namespace {

class UnlockPrompt : public Scenario {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(Scenario::SetUp());
    ASSERT_TRUE(SetTaskList({"Notepad,1"}));
    ASSERT_NO_FATAL_FAILURE(StartPastGate());
    notepad_window_ = OpenNotepad();
    ASSERT_TRUE(WaitUntil([&] { return NotepadLocked(); }, "Notepad to be renamed \"###\" and hidden"))
        << "Notepad: " << Describe(notepad_window_) << "; foreground: " << Describe(::GetForegroundWindow());
    ASSERT_NE(prompt_ = WaitForPrompt(kestrove_->Id(), "over the hidden Notepad"), nullptr);
  }

  bool NotepadLocked() const {
    return WindowTitle(notepad_window_) == kHiddenTitle && !IsShown(notepad_window_);
  }
  bool NotepadBack() const { return WindowTitle(notepad_window_) == "Notepad" && IsShown(notepad_window_); }

  HWND notepad_window_ = nullptr;
  HWND prompt_ = nullptr;
};

TEST_F(UnlockPrompt, RightPasswordInAnyCaseGivesNotepadBack) {
  // Typed as a user types it and confirmed with Enter (OK is the default
  // button); a click sent after typing could overtake the typed keys.
  ASSERT_TRUE(TypeText(FindChild(prompt_, "Edit"), "TaVrOlK"));
  ASSERT_TRUE(PressKey(prompt_, VK_RETURN));
  EXPECT_TRUE(WaitUntil([&] { return NotepadBack() && !KestroveShowsAnyWindow(); },
                        "Notepad shown again under its entry's name, the prompt and its cover gone"))
      << "Notepad: " << Describe(notepad_window_) << "; prompt hint \"" << PromptHint(prompt_) << "\"";
  // Allowed now: Notepad in the foreground is left alone tick after tick.
  ASSERT_TRUE(WaitUntil([&] { return IsForeground(notepad_window_); }, "Notepad in the foreground"));
  EXPECT_TRUE(HoldsFor([&] { return NotepadBack() && FindPrompt(kestrove_->Id()) == nullptr; }, kThreeTicks,
                       "the unlocked Notepad staying visible"));
}

TEST_F(UnlockPrompt, WrongPasswordKeepsNotepadHidden) {
  ASSERT_TRUE(AnswerPrompt(prompt_, "tavrolk2"));
  EXPECT_TRUE(WaitUntil([&] { return PromptHint(prompt_) == kInvalidPasswordHint; }, kInvalidPasswordHint))
      << "hint \"" << PromptHint(prompt_) << "\"";
  EXPECT_TRUE(HoldsFor([&] { return NotepadLocked() && FindPrompt(kestrove_->Id()) == prompt_; }, kThreeTicks,
                       "Notepad staying hidden under the prompt after a wrong password"))
      << Describe(notepad_window_);
  ASSERT_TRUE(AnswerPrompt(prompt_, "TAVROLK"));
  EXPECT_TRUE(WaitUntil([&] { return NotepadBack(); }, "Notepad shown again after the right password"));
}

TEST_F(UnlockPrompt, CancelClosesNotepadAfterAWait) {
  const HWND cancel = FindChild(prompt_, "Button", "Cancel");
  ASSERT_TRUE(ClickControl(cancel));
  // While the button reads "Wait..." and is disabled, Notepad is still there.
  bool running_before = false;
  ASSERT_TRUE(WaitUntil(
      [&] {
        running_before = notepad_->Running();
        return ControlText(cancel) == "Wait..." && !::IsWindowEnabled(cancel);
      },
      "Cancel to read \"Wait...\" and be disabled"));
  EXPECT_TRUE(running_before) << "Notepad closed before the wait was over";
  // An unchanged document: Notepad closes on WM_CLOSE without asking.
  EXPECT_TRUE(notepad_->WaitForExit().has_value()) << "Notepad still runs: " << Describe(notepad_window_);
  EXPECT_TRUE(WaitUntil([&] { return !KestroveShowsAnyWindow(); }, "the prompt and its cover to go away"));
  EXPECT_TRUE(kestrove_->Running());
}

}  // namespace
}  // namespace e2e
