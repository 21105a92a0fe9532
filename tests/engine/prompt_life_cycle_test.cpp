// The unlock prompt's life cycle as someone trying to get past it would test
// it: closes from outside, the program's own windows, a lock that arrives
// while Cancel waits or a message box is up, an interrupted set-password
// dialogue, stale records, the program's end, and guessing: the wait after
// wrong answers and the check that runs beside the window thread.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "config/password.h"
#include "support/program_fixture.h"

namespace {

using platform::WindowId;

class PromptLifeCycleTest : public testing_support::StartedProgramTest {
 protected:
  // A foreground window whose title holds the checked task entry "Notepad".
  WindowId OpenNotepad() {
    SetTasks({{"Notepad", true}});
    return Foreground("Untitled - Notepad");
  }
};

// Closes from outside, Cancel, hiding or minimising leave an uncancellable
// lock in sight; only the password ends it, here one stored before every
// letter was folded and typed as it was set.
TEST_F(PromptLifeCycleTest, OnlyThePasswordClosesAnUncancellableLock) {
  testing_support::AsciiOnlyText old_folding;
  g.accessPassword = config::HashPassword(fakes.crypto, old_folding, "ÄPFEL");
  program.RaiseLock(engine::StartupLock());
  for (ui::Form* form : std::initializer_list<ui::Form*>{&prompt, &program.frmblank()}) {
    EXPECT_FALSE(form->RequestClose(ui::UnloadReason::kUserClose)) << form->name();
    EXPECT_TRUE(form->visible()) << form->name() << " after a close from outside";
  }
  prompt.cmdCancelPWD.click();
  EXPECT_TRUE(prompt.visible()) << "Cancel and Esc do nothing";
  fakes.desktop.ShowAsync(prompt.window(), platform::ShowCommand::kHide);
  fakes.desktop.ShowAsync(program.frmblank().window(), platform::ShowCommand::kMinimize);
  Tick();
  EXPECT_TRUE(fakes.desktop.IsVisible(prompt.window()) &&
              fakes.desktop.IsVisible(program.frmblank().window()));
  EXPECT_FALSE(fakes.desktop.IsMinimized(program.frmblank().window()));
  EXPECT_EQ(fakes.desktop.Foreground(), prompt.window());
  Type("ÄPFEL");
  EXPECT_FALSE(prompt.loaded() || program.frmblank().loaded());
}

// The installer rule over a lock that cannot be cancelled: the right password
// still closes the prompt.
TEST_F(PromptLifeCycleTest, AnInstallerLockOverAnUncancellableOneClosesWithThePassword) {
  program.RaiseLock(engine::ExpiredSessionLock());
  g.ruleInstall = true;
  fakes.desktop.SetForeground(fakes.desktop.Open("Product Setup", "Installer"));
  Tick();
  ASSERT_EQ(record.lockReason, "ins");
  Type("tavrolk");
  EXPECT_FALSE(prompt.loaded());
}

TEST_F(PromptLifeCycleTest, TheProgramNeverLocksItsOwnWindows) {
  SetTasks({{"Kestrove", true}, {"", true}});  // "" is found in every title
  g.ruleInstall = true;
  program.RaiseLock({.reason = "cfg"});
  for (int tick = 0; tick < 3; ++tick) Tick();
  EXPECT_EQ(fakes.desktop.Get(prompt.window()).title, "Kestrove");
  EXPECT_TRUE(prompt.visible() && record.lockReason == "cfg");

  Type("tavrolk");
  ASSERT_TRUE(main.visible());
  for (int tick = 0; tick < 3; ++tick) Tick();
  EXPECT_TRUE(main.visible() && !prompt.loaded());
  EXPECT_EQ(fakes.desktop.Get(main.window()).title, "Kestrove Pro Configuration Tool");
}

// Cancel waits a second; whatever replaces its lock meanwhile stops it.
enum class Interruption { kExpiredSession, kAnotherTaskLock, kAnsweredThenLockedAgain };

class CancelInterruptedTest : public PromptLifeCycleTest,
                              public ::testing::WithParamInterface<Interruption> {};

TEST_P(CancelInterruptedTest, CancelActsOnlyOnTheLockItWasPressedFor) {
  const WindowId notepad = OpenNotepad();
  Tick();
  ASSERT_TRUE(Hidden(notepad));
  const WindowId other = fakes.desktop.Open("Calculator", "SciCalc");
  AtYield(1, [&] {
    EXPECT_EQ(prompt.cmdCancelPWD.caption(), "Wait...");
    EXPECT_FALSE(prompt.cmdCancelPWD.enabled()) << "while it waits";
    switch (GetParam()) {
      case Interruption::kExpiredSession:
        program.RaiseLock(engine::ExpiredSessionLock());
        break;
      case Interruption::kAnotherTaskLock:
        main.lstTasks.addItem("Calculator", true);
        fakes.desktop.SetForeground(other);
        Tick();
        break;
      case Interruption::kAnsweredThenLockedAgain:
        Type("tavrolk");
        program.RaiseLock(
            {.reason = "app", .entry = "Calculator", .window = other, .window_class = "SciCalc"});
        break;
    }
  });
  prompt.cmdCancelPWD.click();
  EXPECT_EQ(fakes.desktop.Get(notepad).close_requests + fakes.desktop.Get(other).close_requests, 0);
  EXPECT_TRUE(prompt.visible()) << "the prompt answers the newer lock";
  EXPECT_EQ(prompt.cmdCancelPWD.enabled(), GetParam() != Interruption::kExpiredSession)
      << "a lock that must not be cancelled never is";
  EXPECT_NE(prompt.cmdCancelPWD.caption(), "Wait...");
}

const char* const kInterruptionNames[] = {"ExpiredSession", "AnotherTaskLock", "AnsweredThenLockedAgain"};
INSTANTIATE_TEST_SUITE_P(Locks, CancelInterruptedTest,
                         ::testing::Values(Interruption::kExpiredSession, Interruption::kAnotherTaskLock,
                                           Interruption::kAnsweredThenLockedAgain),
                         [](const auto& info) {
                           return std::string(kInterruptionNames[static_cast<int>(info.param)]);
                         });

TEST_F(PromptLifeCycleTest, ALockRaisedWhileTheSetPasswordBoxIsUpSurvivesIt) {
  program.RaiseLock({.reason = "pwd"});
  Type("new");
  const WindowId notepad = OpenNotepad();
  fakes.dialogs.while_shown = [&] { Tick(); };
  Type("new");
  fakes.dialogs.while_shown = nullptr;
  ASSERT_EQ(fakes.dialogs.boxes().size(), 1U);
  EXPECT_EQ(fakes.dialogs.boxes()[0].text, "Password set successfully.");
  EXPECT_TRUE(Hidden(notepad));
  ASSERT_TRUE(prompt.visible() && record.lockReason == "app") << "the lock still asks for the password";
  EXPECT_TRUE(prompt.chkKeep.visible()) << "loaded afresh for the lock";
  Type("new");
  EXPECT_FALSE(Hidden(notepad));
  EXPECT_EQ(fakes.desktop.Get(notepad).title, "Notepad");
}

TEST_F(PromptLifeCycleTest, AnInterruptedSetPasswordDialogueStartsAgainFromItsFirstEntry) {
  program.RaiseLock({.reason = "pwd"});
  Type("first");
  program.RaiseLock({.reason = "cfg"});  // the dialogue gives way
  Type("tavrolk");
  program.RaiseLock({.reason = "pwd"});
  Type("second");
  EXPECT_TRUE(fakes.dialogs.boxes().empty()) << "\"first\" is not taken as the confirmation";
  EXPECT_EQ(prompt.lblDefaultPass.caption(), "Confirm new password:");
}

TEST_F(PromptLifeCycleTest, StartupAndExpiredLocksForgetAnEarlierLocksWindow) {
  const WindowId notepad = OpenNotepad();
  Tick();
  Type("tavrolk");  // unlocked: the class is allowed from now on
  // A rule's unlock leaves its window and class in the record.
  program.RaiseLock({.reason = engine::reason::kTaskManager, .window = notepad, .window_class = "Notepad"});
  Type("tavrolk");
  ASSERT_EQ(record.lockedWindow, notepad);
  main.lstAllow.clear();
  fakes.desktop.Edit(notepad).visible = false;
  fakes.desktop.SetTitle(notepad, "###");
  g.sessionMinutesLeft = 1;
  main.tmrTimer.setTimerEnabled(true);
  fakes.loop.Advance(60000);
  ASSERT_EQ(record.lockedTaskEntry, "Expired Windows® Session");
  Type("tavrolk");
  EXPECT_TRUE(Hidden(notepad)) << "no window of an earlier lock is shown";
  EXPECT_EQ(fakes.desktop.Get(notepad).title, "###");
  EXPECT_EQ(main.lstAllow.listCount(), 0) << "and no class allowed";
}

TEST_F(PromptLifeCycleTest, TheConfigurationPromptsCancelClosesNoWindowOfAnEarlierLock) {
  const WindowId browser = fakes.desktop.Open("Home", "IEFrame");
  g.ruleIE = 1;
  Tick();
  Type("tavrolk");  // the browser stays usable; the record still holds it
  ASSERT_EQ(record.lockedWindow, browser);
  main.on_message(platform::kTrayCallbackMessage, 0, 0x203);
  prompt.cmdCancelPWD.click();
  EXPECT_EQ(fakes.desktop.Get(browser).close_requests, 0);
  EXPECT_TRUE(PromptGone() && !main.visible()) << "Cancel only closes the prompt";
}

// Three wrong answers in a row are free, the third even when its lock was
// replaced before its answer came; after them each answer waits 1, 2, 4 ...
// at most 30 s, counted down on the prompt with OK disabled, for a click that
// does not come through the button too, and in a prompt opened afresh. The
// right answer starts afresh.
TEST_F(PromptLifeCycleTest, WrongAnswersInARowMakeEachNextOneWaitLonger) {
  program.RaiseLock(engine::ConfigLock("Configuration"));
  Type("wrong");
  Type("wrong");
  prompt.txtPass.type("wrong");
  prompt.cmdOK.click();
  program.RaiseLock(engine::ConfigLock(app::kRunningTitle));
  FinishCheck();
  for (const std::uint64_t wait : {1000, 2000, 4000, 8000, 16000, 30000, 30000}) {
    SCOPED_TRACE(wait);
    const std::string seconds = std::to_string(wait / 1000) + (wait == 1000 ? " second." : " seconds.");
    EXPECT_EQ(prompt.lblDefaultPass.caption(), "Too many wrong passwords. Try again in " + seconds);
    prompt.txtPass.setText("tavrolk");
    prompt.cmdOK.on_click();  // as another program's click on the disabled button
    FinishCheck();
    fakes.loop.Advance(wait - 1);
    EXPECT_TRUE(prompt.visible() && !prompt.cmdOK.enabled()) << "nothing checked while it waits";
    fakes.loop.Advance(1);
    EXPECT_TRUE(prompt.cmdOK.enabled());
    EXPECT_EQ(prompt.lblDefaultPass.caption(), "Password is Invalid.");
    Type("wrong");
  }
  prompt.cmdCancelPWD.click();
  program.RaiseLock(engine::ConfigLock("Configuration"));
  EXPECT_FALSE(prompt.cmdOK.enabled()) << "the wait goes on in a new prompt";
  fakes.loop.Advance(30000);
  Type("tavrolk");
  EXPECT_TRUE(main.visible());
  program.RaiseLock(engine::ConfigLock("Configuration"));
  Type("wrong");
  Type("wrong");
  EXPECT_TRUE(prompt.cmdOK.enabled()) << "free again after the right answer";
}

// An answer is checked beside the window thread, OK disabled meanwhile: the
// watch goes on and locks another window; the right answer then opens
// nothing, since the newer lock takes an answer of its own.
TEST_F(PromptLifeCycleTest, AnAnswerIsCheckedBesideTheWatchAndAnswersOnlyItsOwnLock) {
  std::promise<void> release;
  const std::shared_future<void> released = release.get_future().share();
  const std::thread::id window_thread = std::this_thread::get_id();
  std::atomic<bool> derived_on_window_thread{false};
  fakes.crypto.on_derive = [&] {
    if (std::this_thread::get_id() == window_thread) derived_on_window_thread = true;
    if (!derived_on_window_thread) released.wait();
  };
  program.RaiseLock(engine::ConfigLock("Configuration"));
  prompt.txtPass.type("tavrolk");
  prompt.cmdOK.click();
  EXPECT_FALSE(prompt.cmdOK.enabled()) << "one answer at a time";
  const WindowId notepad = OpenNotepad();
  Tick();
  EXPECT_TRUE(Hidden(notepad) && record.lockReason == "app") << "the watch goes on during the check";
  release.set_value();
  FinishCheck();
  EXPECT_FALSE(derived_on_window_thread);
  EXPECT_TRUE(prompt.visible() && prompt.cmdOK.enabled() && Hidden(notepad) && !main.visible());
  Type("tavrolk");
  EXPECT_FALSE(Hidden(notepad));
}

}  // namespace
