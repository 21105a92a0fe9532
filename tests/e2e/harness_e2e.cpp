// End to end: the harness itself drives a real program as the scenarios need
// it to (set and read a control's text, type, press keys, close a window and
// answer the dialog it raises), so a scenario failing points at the product,
// not at the harness.
#include <string>

#include "e2e/harness.h"

namespace e2e {
namespace {

class Harness : public Scenario {};

TEST_F(Harness, DrivesNotepadLikeAUser) {
  Process& notepad = StartProgram("notepad.exe");
  const HWND window =
      WaitForWindow(WindowQuery().OfClass("Notepad").OfProcess(notepad.Id()), "Notepad's window");
  ASSERT_NE(window, nullptr);
  // The edit box is created a moment after the main window.
  HWND edit = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (edit = FindChild(window, "Edit")) != nullptr; }, "Notepad's edit box"));

  ASSERT_TRUE(SetControlText(edit, "hello"));
  EXPECT_EQ(ControlText(edit), "hello");

  // Typed keys go to the focused edit; Ctrl+End first, since WM_SETTEXT
  // leaves the caret at the start.
  ASSERT_TRUE(PressKeys(window, {VK_CONTROL, VK_END}));
  ASSERT_TRUE(TypeText(window, " w\xC3\xB6rld"));
  EXPECT_TRUE(WaitUntil([&] { return ControlText(edit) == "hello w\xC3\xB6rld"; }, "typed text in Notepad"))
      << "text \"" << ControlText(edit) << "\"";

  ASSERT_TRUE(PostKey(edit, VK_HOME));
  ASSERT_TRUE(PostChars(edit, ">"));
  EXPECT_TRUE(WaitUntil([&] { return ControlText(edit) == ">hello w\xC3\xB6rld"; }, "posted keys in Notepad"))
      << "text \"" << ControlText(edit) << "\"";

  // Closing a changed document asks whether to save it; "No" ("&No" on the
  // button) ends Notepad without saving.
  ASSERT_TRUE(PostClose(window));
  const HWND question = WaitForWindow(WindowQuery().OfClass("#32770").OfProcess(notepad.Id()).VisibleOnly(),
                                      "the save question");
  ASSERT_NE(question, nullptr);
  Screenshot("harness-notepad-save-question");
  ASSERT_TRUE(ClickButton(question, "No"));
  EXPECT_TRUE(notepad.WaitForExit().has_value()) << "Notepad still runs after \"No\"";
}

}  // namespace
}  // namespace e2e
