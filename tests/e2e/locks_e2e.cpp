// End to end: the watch against other programs' windows and the unlock prompt
// over them. A hung program does not stop it; Cancel closes a locked Notepad
// after a wait; a wrong password keeps Notepad renamed "###" and hidden, the
// right one in any letter case gives it back under its entry's name; the
// built-in rules hide a browser frame opened in the background and the
// registry editor. The entry "Kestrove" matches the program's own windows,
// which are never locked.
#include "e2e/harness.h"

namespace e2e {
namespace {

bool Locked(HWND window) {
  return WindowTitle(window) == kHiddenTitle && !IsShown(window);
}

class Locks : public Scenario {
 protected:
  // Closed with Cancel: the watch cycle runs from then on.
  void StartPastGate() {
    const HWND config = StartToMainWindow();
    ASSERT_TRUE(config != nullptr && ClickButton(config, "Cancel"));
    ASSERT_TRUE(WaitUntil([&] { return !KestroveShowsAnyWindow(); }, "the configuration window to go"));
  }
  HWND OpenNotepad(Where where = Where::current()) {
    notepad_ = &StartProgram(L"notepad.exe", {}, where);
    return WaitForWindow({.class_name = "Notepad", .process_id = notepad_->Id()}, "Notepad's window", where);
  }

  Process* notepad_ = nullptr;
};

TEST_F(Locks, NotepadTheBrowserFrameAndTheRegistryEditorUntilThePassword) {
  ASSERT_TRUE(SetTaskList({"Kestrove,1", "Hung Ledger,1", "Notepad,1"}));
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kSettingsKey, "LockIE", "1"));
  ASSERT_TRUE(SetDword(HKEY_LOCAL_MACHINE, kSettingsKey, "DisableRegistryTools", 1));
  ASSERT_NO_FATAL_FAILURE(StartPastGate());

  // Renaming a window waits for its program, which never answers now.
  const HelperWindow hung =
      StartHelperWindow({.class_name = "KsHungWindow", .title = "Hung Ledger", .hang = true});
  ASSERT_TRUE(
      WaitUntil([&] { return hung.CountInLog("HUNG") == 1; }, "the helper window to hang once active"));
  ASSERT_NE(WaitForPrompt("over the hung window"), nullptr) << Describe(hung.window);
  HWND notepad = OpenNotepad();
  EXPECT_TRUE(
      WaitUntil([&] { return Locked(notepad); }, "Notepad renamed \"###\" and hidden after the hung window"))
      << "Notepad: " << Describe(notepad) << "; foreground: " << Describe(::GetForegroundWindow());
  ASSERT_TRUE(hung.process->End());
  // Cancel: while it reads "Wait..." and is disabled, Notepad is still there;
  // then Notepad, its document unchanged, closes on WM_CLOSE without asking.
  HWND prompt = WaitForPrompt("over Notepad");
  const HWND cancel = FindChild(prompt, "Button", "Cancel");
  ASSERT_TRUE(Click(cancel));
  bool running_before = false;
  ASSERT_TRUE(WaitUntil(
      [&] {
        running_before = notepad_->Running();
        return ControlText(cancel) == "Wait..." && !::IsWindowEnabled(cancel);
      },
      "Cancel to read \"Wait...\" and be disabled"));
  EXPECT_TRUE(running_before) << "Notepad closed before the wait was over";
  EXPECT_TRUE(notepad_->WaitForExit().has_value()) << "Notepad still runs: " << Describe(notepad);
  EXPECT_TRUE(WaitUntil([&] { return !KestroveShowsAnyWindow(); }, "the prompt and its cover to go"));

  notepad = OpenNotepad();
  ASSERT_TRUE(WaitUntil([&] { return Locked(notepad); }, "a new Notepad renamed \"###\" and hidden"));
  ASSERT_NE(prompt = WaitForPrompt("over the new Notepad"), nullptr);
  Screenshot("notepad-locked");
  // Typed as a user types it and confirmed with Enter (OK is the default
  // button); a click sent after typing could overtake the typed keys.
  const HWND box = FindChild(prompt, "Edit");
  ASSERT_TRUE(TypeText(box, "tavrolk2") && PressKey(box, VK_RETURN));
  EXPECT_TRUE(WaitUntil([&] { return FindChild(prompt, "Static", "Password is Invalid."); }, "its hint"));
  EXPECT_TRUE(HoldsFor([&] { return Locked(notepad) && Prompt() == prompt; }, kThreeTicks,
                       "Notepad staying hidden under the prompt after a wrong password"));
  ASSERT_TRUE(Send(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"")) && TypeText(box, "TaVrOlK"));
  ASSERT_TRUE(PressKey(box, VK_RETURN));
  const auto notepad_back = [&] {
    return WindowTitle(notepad) == "Notepad" && IsShown(notepad) && !Prompt();
  };
  EXPECT_TRUE(WaitUntil([&] { return notepad_back() && !KestroveShowsAnyWindow(); },
                        "Notepad shown again under its entry's name, the prompt and its cover gone"))
      << "Notepad: " << Describe(notepad);
  // Allowed now: Notepad in the foreground is left alone tick after tick.
  ASSERT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == notepad; }, "Notepad in the foreground"));
  EXPECT_TRUE(HoldsFor(notepad_back, kThreeTicks, "the unlocked Notepad staying visible"));

  // A browser frame opened behind Notepad is found without ever being active.
  const HelperWindow frame =
      StartHelperWindow({.class_name = "IEFrame", .title = "Home - Internet Explorer", .background = true});
  ASSERT_NE(prompt = WaitForPrompt("over the browser frame"), nullptr);
  EXPECT_TRUE(WaitUntil([&] { return !IsShown(frame.window); }, "the browser frame hidden"));
  EXPECT_EQ(frame.CountInLog("WM_ACTIVATE 1"), 0) << "activated: this proves nothing";
  ASSERT_TRUE(AnswerPrompt(prompt, kDefaultPassword));
  EXPECT_TRUE(
      WaitUntil([&] { return IsShown(frame.window) && !Prompt(); }, "the frame back, the prompt gone"));

  // The registry editor, switched off by a number in the settings.
  const HWND regedit =
      WaitForWindow({.class_name = "RegEdit_RegEdit", .process_id = StartProgram(L"regedit.exe").Id()},
                    "the registry editor");
  ASSERT_NE(prompt = WaitForPrompt("over the registry editor"), nullptr);
  EXPECT_TRUE(WaitUntil([&] { return !IsShown(regedit); }, "the registry editor hidden"))
      << Describe(regedit);
  Screenshot("registry-editor-locked");
  ASSERT_TRUE(AnswerPrompt(prompt, kDefaultPassword));
  EXPECT_TRUE(
      WaitUntil([&] { return IsShown(regedit) && !Prompt(); }, "the registry editor back, no prompt"));
  EXPECT_TRUE(kestrove_->Running());
}

}  // namespace
}  // namespace e2e
