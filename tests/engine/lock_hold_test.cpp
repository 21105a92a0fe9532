// A lock holds against other programs between watch ticks: what it hid stays
// hidden until its lock is answered, and the prompt with its cover keeps the
// whole screen, at every quick look at the foreground.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "support/program_fixture.h"

namespace {

using platform::ShowCommand;
using platform::WindowId;

class LockHoldTest : public testing_support::ProgramTest {
 protected:
  // One quick look at the foreground (tmrForeground).
  void Look() { fakes.loop.Advance(50); }
  // Another program shows the window and brings it forward.
  void ShowFromOutside(WindowId window) {
    fakes.desktop.ShowAsync(window, ShowCommand::kRestore);
    fakes.desktop.Raise(window);
    fakes.desktop.SetForeground(window);
  }
  void StartWatching() {
    PutTask(0, "Notepad,1");
    StartQuietly();
    main.tmrForeground.setTimerEnabled(true);
  }
  bool OnTop(WindowId window) {
    const auto above = fakes.desktop.VisibleWindowsAbove(window);
    return std::ranges::all_of(above, [&](WindowId other) { return fakes.desktop.Get(other).own; });
  }
};

// ---- What a lock hid stays hidden ------------------------------------------

TEST_F(LockHoldTest, ALockedWindowShownAgainIsHiddenAtTheNextLookUntilItsLockIsAnswered) {
  StartWatching();
  const WindowId first = Foreground("Untitled - Notepad");
  Look();
  ASSERT_TRUE(Hidden(first) && prompt.visible());
  ShowFromOutside(first);
  Look();
  EXPECT_TRUE(Hidden(first)) << "shown by another program";
  EXPECT_EQ(fakes.desktop.Get(first).title, "###");

  // A second match overwrites the record: the first window is hidden for good.
  const WindowId second = Foreground("Notes - Notepad");
  Look();
  ASSERT_EQ(record.lockedWindow, second);
  Type("tavrolk");
  Look();
  EXPECT_FALSE(Hidden(second)) << "answered: shown and left alone";
  ShowFromOutside(first);
  Look();
  EXPECT_TRUE(Hidden(first)) << "its lock was never answered";
}

TEST_F(LockHoldTest, AWindowThatRefusesIsMinimisedAgainAndOneThatClosedIsForgotten) {
  StartWatching();
  const WindowId notepad = Foreground("Untitled - Notepad");
  fakes.desktop.Edit(notepad).refuses_hide = true;
  Look();
  ASSERT_TRUE(fakes.desktop.Get(notepad).minimized);
  ShowFromOutside(notepad);
  Look();
  EXPECT_TRUE(fakes.desktop.Get(notepad).minimized);

  // Cancel asks it to close; while it lives it stays out of sight.
  fakes.desktop.Edit(notepad).refuses_hide = false;
  prompt.cmdCancelPWD.click();
  ASSERT_TRUE(PromptGone());
  ShowFromOutside(notepad);
  Look();
  EXPECT_TRUE(Hidden(notepad)) << "it refused to close";
  fakes.desktop.Close(notepad);
  Look();
  fakes.desktop.ReuseIdForNextOpen(notepad);
  ASSERT_EQ(fakes.desktop.Open("Calculator", "SciCalc"), notepad);
  Look();
  EXPECT_FALSE(Hidden(notepad)) << "another window under the handle of one that closed";
}

// ---- The prompt and its cover hold the screen ----------------------------

class LockScreenTest : public LockHoldTest {
 protected:
  void SetUp() override {
    PutSetting("DontShowUpdate", "1");
    PutSetting("Startup", "1");
    program.Start();
    ASSERT_TRUE(prompt.visible() && !prompt.cmdCancelPWD.enabled());
    cover = program.frmblank().window();
    prompt_rect = fakes.desktop.WindowRect(prompt.window());
  }
  void ExpectHeld(const char* what) {
    EXPECT_EQ(fakes.desktop.WindowRect(cover), fakes.desktop.screen) << what;
    EXPECT_TRUE(OnTop(cover)) << what << ": no other program's window over the cover";
    const auto above_cover = fakes.desktop.VisibleWindowsAbove(cover);
    EXPECT_NE(std::ranges::find(above_cover, prompt.window()), above_cover.end()) << what;
    EXPECT_EQ(fakes.desktop.WindowRect(prompt.window()), prompt_rect) << what;
  }
  WindowId cover = platform::kNoWindow;
  platform::ScreenRect prompt_rect;
};

TEST_F(LockScreenTest, AnotherProgramsWindowMovesAndResizesAreUndoneAtTheNextLook) {
  ExpectHeld("at once");
  const struct {
    const char* what;
    std::function<void()> act;
  } cases[] = {
      {"a window brought to the front",
       [this] { ShowFromOutside(fakes.desktop.Open("Untitled - WordPad", "WordPad")); }},
      {"a topmost window of another program",
       [this] {
         const WindowId w = fakes.desktop.Open("Always on top", "Sticky");
         fakes.desktop.SetTopmost(w, true);
         fakes.desktop.SetForeground(w);
       }},
      {"the cover shrunk",
       [this] {
         fakes.desktop.Edit(cover).rect = {0, 0, 10, 10};
       }},
      {"the prompt moved off screen",
       [this] {
         fakes.desktop.Edit(prompt.window()).rect = {5000, 5000, 5300, 5200};
       }},
      {"the cover hidden", [this] { fakes.desktop.ShowAsync(cover, ShowCommand::kHide); }},
  };
  for (const auto& c : cases) {
    c.act();
    Look();
    ExpectHeld(c.what);
    EXPECT_EQ(fakes.desktop.Foreground(), prompt.window()) << c.what;
  }
}

TEST_F(LockScreenTest, TheProgramsOwnMessageStaysUsableOverTheCover) {
  program.ShowMessage("Error: \"Out of memory\".");
  const WindowId message = program.frmError.window();
  ShowFromOutside(fakes.desktop.Open("Untitled - WordPad", "WordPad"));
  Look();
  ExpectHeld("with a message up");
  EXPECT_TRUE(OnTop(message) && fakes.desktop.IsVisible(message));
  const auto above_cover = fakes.desktop.VisibleWindowsAbove(cover);
  EXPECT_NE(std::ranges::find(above_cover, message), above_cover.end());
  fakes.desktop.SetForeground(message);
  Look();
  EXPECT_EQ(fakes.desktop.Foreground(), message) << "the prompt does not take the front from it";
}

}  // namespace
