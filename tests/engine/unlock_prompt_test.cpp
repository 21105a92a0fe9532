// The unlock prompt through its models: each lock reason's answer to the
// right and the wrong password, Cancel with its one-second wait, the hint,
// Keep Password, the set-password dialogue and the prompt's life cycle.
#include <gtest/gtest.h>

#include "config/password.h"
#include "support/program_fixture.h"

namespace {

using platform::ShowCommand;
using platform::WindowId;

class UnlockPromptTest : public testing_support::ProgramTest {
 protected:
  engine::FrmPassword& prompt = program.frmPassword;

  void SetUp() override { StartQuietly(); }

  // A window hidden by a lock of the given reason, with the prompt up.
  WindowId Lock(std::string_view reason, std::string entry = "Notepad") {
    locked = fakes.desktop.Open("###", "Notepad", false);
    g.lockedWindow = locked;
    g.lockedWindowClass = "Notepad";
    g.lockedTaskEntry = std::move(entry);
    g.lockReason = std::string(reason);
    program.ShowUnlockPrompt();
    return locked;
  }
  void Type(std::string text) {
    prompt.txtPass.setText(std::move(text));
    prompt.cmdOK.click();
  }
  std::vector<ShowCommand> ShowsOf(WindowId id) {
    std::vector<ShowCommand> commands;
    for (const auto& call : fakes.desktop.show_calls()) {
      if (call.window == id) commands.push_back(call.command);
    }
    return commands;
  }
  bool PromptGone() { return !prompt.loaded() && !program.frmblank.loaded() && g.lockReason.empty(); }

  WindowId locked = platform::kNoWindow;
};

TEST_F(UnlockPromptTest, TaskLockRightPasswordBringsTheWindowBackUnderItsEntry) {
  Lock("app", "Notepad");
  EXPECT_TRUE(program.frmblank.visible()) << "the black cover is up";
  EXPECT_TRUE(fakes.desktop.Get(prompt.window()).topmost);
  EXPECT_FALSE(fakes.desktop.Get(prompt.window()).close_command) << "Close is gone from the system menu";
  Type("TaVrOlK");
  const auto& w = fakes.desktop.Get(locked);
  EXPECT_EQ(w.title, "Notepad");
  EXPECT_TRUE(w.visible);
  EXPECT_EQ(ShowsOf(locked), (std::vector<ShowCommand>{ShowCommand::kShow, ShowCommand::kRestore}));
  ASSERT_EQ(main.lstAllow.listCount(), 1);
  EXPECT_EQ(main.lstAllow.list(0), "Notepad");
  EXPECT_EQ(g.lockedWindow, platform::kNoWindow);
  EXPECT_TRUE(PromptGone());
}

TEST_F(UnlockPromptTest, WrongPasswordKeepsThePromptAndTheLock) {
  Lock("app");
  g.keptPassword = "old";
  Type("WRONG");
  EXPECT_EQ(prompt.lblDefaultPass.caption(), "Password is Invalid.");
  EXPECT_EQ(prompt.txtPass.text(), "wrong") << "the typed text stays, in lower case";
  EXPECT_TRUE(g.keptPassword.empty());
  EXPECT_TRUE(prompt.visible());
  EXPECT_FALSE(fakes.desktop.Get(locked).visible);
  EXPECT_EQ(g.lockReason, "app");
}

struct RuleCase {
  const char* reason;
  std::function<bool(const engine::Globals&)> switched_off;
};

class RuleUnlockTest : public UnlockPromptTest, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(RuleUnlockTest, RightPasswordSwitchesTheRuleOffAndRestoresTheWindow) {
  g.ruleIE = 1;
  g.ruleBrowsers = g.ruleExplorer = g.ruleTaskManager = g.ruleRegistryTools = true;
  Lock(GetParam().reason);
  Type("wrong");
  EXPECT_FALSE(GetParam().switched_off(g)) << "a wrong password changes nothing";
  Type("tavrolk");
  EXPECT_TRUE(GetParam().switched_off(g));
  EXPECT_EQ(ShowsOf(locked), std::vector<ShowCommand>{ShowCommand::kRestore});
  EXPECT_EQ(g.lockedWindow, locked) << "only the task unlock forgets the window";
  EXPECT_TRUE(PromptGone());
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RuleUnlockTest,
    ::testing::Values(RuleCase{"reg", [](const engine::Globals& g) { return !g.ruleRegistryTools; }},
                      RuleCase{"ie", [](const engine::Globals& g) { return g.ruleIE == 2; }},
                      RuleCase{"ff", [](const engine::Globals& g) { return !g.ruleBrowsers; }},
                      RuleCase{"ex", [](const engine::Globals& g) { return !g.ruleExplorer; }},
                      RuleCase{"tm", [](const engine::Globals& g) { return !g.ruleTaskManager; }}),
    [](const auto& info) { return std::string(info.param.reason); });

TEST_F(UnlockPromptTest, ConfigurationAndUninstallUnlocks) {
  Lock("cfg");
  Type("tavrolk");
  EXPECT_TRUE(g.configAuthorised);
  EXPECT_TRUE(main.visible());
  EXPECT_TRUE(PromptGone());

  Lock("un");
  Type("tavrolk");
  EXPECT_TRUE(g.uninstallAllowed);
  EXPECT_TRUE(fakes.desktop.Get(locked).close_requests == 0);
  EXPECT_TRUE(PromptGone());
}

TEST_F(UnlockPromptTest, InstallerUnlockPermitsInstallsAndRunsTheCancelSequence) {
  g.ruleInstall = true;
  Lock("ins", "Installation Program");
  EXPECT_TRUE(program.frmDummy.visible());
  ASSERT_EQ(fakes.shell.opened().size(), 1U);
  EXPECT_EQ(fakes.shell.opened()[0].file, "\"C:\\Program Files\\Kestrove Pro\\zarmex.scf\"");
  Type("tavrolk");
  EXPECT_FALSE(g.ruleInstall);
  EXPECT_EQ(g.messageText, "All Software Installations are permitted until you Log-Off or Restart Windows.");
  EXPECT_EQ(fakes.shell.opened().size(), 2U) << "the desktop is shown again by Cancel";
  EXPECT_EQ(fakes.desktop.Get(locked).close_requests, 2);
  EXPECT_FALSE(program.frmDummy.loaded());
  EXPECT_TRUE(PromptGone());
}

TEST_F(UnlockPromptTest, OnlyRegistryAndInstallerLocksShowTheDesktop) {
  Lock("app");
  EXPECT_TRUE(fakes.shell.opened().empty());
  EXPECT_FALSE(program.frmDummy.loaded());
}

TEST_F(UnlockPromptTest, CancelWaitsASecondThenAsksTheProgramToCloseTwice) {
  Lock("app");
  int ticks_during_wait = 0;
  main.timerKestrove.on_timer = [&] { ++ticks_during_wait; };
  const auto start = fakes.loop.NowMs();
  prompt.cmdCancelPWD.click();
  EXPECT_GE(fakes.loop.NowMs() - start, 1U) << "the delay lets time pass";
  EXPECT_LE(fakes.loop.NowMs() - start, 1000U);
  EXPECT_EQ(fakes.desktop.Get(locked).close_requests, 2);
  EXPECT_FALSE(fakes.desktop.Get(locked).visible) << "a program that refuses to close stays hidden";
  EXPECT_EQ(fakes.desktop.Get(locked).title, "###");
  EXPECT_TRUE(PromptGone());
  EXPECT_LE(ticks_during_wait, 1);
}

TEST_F(UnlockPromptTest, CancelWithNoRecordedWindowOnlyClosesThePrompt) {
  g.lockedWindow = platform::kNoWindow;
  g.lockReason = "cfg";
  program.ShowUnlockPrompt();
  prompt.cmdCancelPWD.click();
  EXPECT_TRUE(PromptGone());
  EXPECT_FALSE(main.visible());
}

TEST_F(UnlockPromptTest, TheRightPasswordDuringTheCancelWaitIsNotUndoneByTheCancel) {
  Lock("app");
  int yields = 0;
  fakes.loop.on_do_events = [&](int) {
    if (++yields == 1 && prompt.loaded()) {
      EXPECT_EQ(prompt.cmdCancelPWD.caption(), "Wait...");
      EXPECT_FALSE(prompt.cmdCancelPWD.enabled());
      Type("tavrolk");
    }
  };
  prompt.cmdCancelPWD.click();
  fakes.loop.on_do_events = nullptr;
  EXPECT_EQ(fakes.desktop.Get(locked).close_requests, 0);
  EXPECT_TRUE(fakes.desktop.Get(locked).visible);
  EXPECT_TRUE(PromptGone());
}

TEST_F(UnlockPromptTest, StartupAndExpiredLocksCannotBeCancelled) {
  PutSetting("Startup", "1");
  g.startupLockDone = false;
  main.GetConfig();
  ASSERT_TRUE(prompt.visible());
  prompt.cmdCancelPWD.click();
  EXPECT_TRUE(prompt.visible());
  EXPECT_EQ(g.lockReason, "app");
  Type("tavrolk");
  EXPECT_TRUE(PromptGone());
}

TEST_F(UnlockPromptTest, DefaultPasswordHint) {
  Lock("cfg");
  EXPECT_EQ(prompt.lblDefaultPass.caption(), "The default password is TAVROLK.");
  prompt.Unload();
  Lock("reg");
  EXPECT_EQ(prompt.lblDefaultPass.caption(),
            "Enter a password to continue, or, contact your network administrator.");
  prompt.Unload();
  g.accessPassword = config::HashPassword(fakes.crypto, fakes.text, "secret");
  Lock("app");
  EXPECT_NE(prompt.lblDefaultPass.caption(), "The default password is TAVROLK.");
  prompt.Unload();
  g.accessPassword = config::HashPassword(fakes.crypto, fakes.text, "Tavrolk");
  Lock("app");
  EXPECT_EQ(prompt.lblDefaultPass.caption(), "The default password is TAVROLK.")
      << "the default, even hashed";
}

TEST_F(UnlockPromptTest, KeepPasswordFillsTheNextPromptUntilAWrongAttempt) {
  Lock("app");
  prompt.chkKeep.click();
  Type("TAVROLK");
  EXPECT_EQ(g.keptPassword, "tavrolk");
  Lock("app");
  EXPECT_TRUE(prompt.chkKeep.checked());
  EXPECT_EQ(prompt.txtPass.text(), "tavrolk");
  prompt.cmdOK.click();
  EXPECT_TRUE(PromptGone()) << "Enter alone unlocks";

  Lock("app");
  Type("nope");
  EXPECT_TRUE(g.keptPassword.empty());
  prompt.chkKeep.click();
  Type("tavrolk");
  Lock("app");
  EXPECT_FALSE(prompt.chkKeep.checked());
  EXPECT_EQ(prompt.txtPass.text(), "");
}

TEST_F(UnlockPromptTest, SetPasswordStoresTheNewPasswordHashed) {
  g.lockReason = "pwd";
  program.ShowUnlockPrompt();
  EXPECT_EQ(prompt.lblDefaultPass.caption(), "Enter new password:");
  EXPECT_EQ(prompt.Label3.caption(), "New Access Control Password:");
  EXPECT_FALSE(prompt.chkKeep.visible());
  EXPECT_FALSE(fakes.desktop.Get(prompt.window()).topmost);
  Type("");
  EXPECT_TRUE(prompt.firstNewPassword.empty()) << "an empty entry is ignored";
  Type("NewPass");
  EXPECT_EQ(prompt.lblDefaultPass.caption(), "Confirm new password:");
  EXPECT_EQ(prompt.txtPass.text(), "");
  Type("");
  EXPECT_TRUE(prompt.visible()) << "an empty second entry keeps the dialogue waiting";
  Type("NEWPASS");
  ASSERT_EQ(fakes.dialogs.boxes().size(), 1U);
  EXPECT_EQ(fakes.dialogs.boxes()[0].text, "Password set successfully.");
  EXPECT_EQ(fakes.dialogs.boxes()[0].style, 0x1040U);
  EXPECT_TRUE(PromptGone());

  const auto stored = fakes.registry.GetString(config::kMachine, config::kSettingsKey, "pwd");
  ASSERT_TRUE(stored);
  EXPECT_TRUE(config::IsHashedPassword(*stored));
  EXPECT_EQ(stored->find("newpass"), std::string::npos);
  main.GetConfig();
  Lock("app");
  Type("tavrolk");
  EXPECT_EQ(prompt.lblDefaultPass.caption(), "Password is Invalid.");
  Type("NewPass");
  EXPECT_TRUE(PromptGone());
}

TEST_F(UnlockPromptTest, SetPasswordMismatchEndsTheDialogueAndKeepsThePassword) {
  g.lockReason = "pwd";
  program.ShowUnlockPrompt();
  Type("one");
  Type("two");
  ASSERT_EQ(fakes.dialogs.boxes().size(), 1U);
  EXPECT_EQ(fakes.dialogs.boxes()[0].text, "Password's did not match!");
  EXPECT_EQ(fakes.dialogs.boxes()[0].style, 0x1030U);
  EXPECT_TRUE(PromptGone());
  EXPECT_TRUE(prompt.firstNewPassword.empty());
  EXPECT_EQ(g.accessPassword, "tavrolk");
  EXPECT_FALSE(fakes.registry.Get(config::kMachine, config::kSettingsKey, "pwd"));
}

TEST_F(UnlockPromptTest, ALockRaisedWhileThePromptIsOpenReplacesTheRecord) {
  const WindowId first = Lock("reg");
  const WindowId second = fakes.desktop.Open("###", "SciCalc", false);
  g.lockedWindow = second;
  g.lockedWindowClass = "SciCalc";
  g.lockedTaskEntry = "Calculator";
  g.lockReason = "app";
  program.ShowUnlockPrompt();
  EXPECT_EQ(fakes.shell.opened().size(), 1U) << "the load steps are not repeated";
  Type("tavrolk");
  EXPECT_EQ(fakes.desktop.Get(second).title, "Calculator");
  EXPECT_FALSE(fakes.desktop.Get(first).visible);
  EXPECT_TRUE(PromptGone());
}

TEST_F(UnlockPromptTest, EveryNewPromptStartsFromItsDesignState) {
  Lock("app");
  prompt.cmdCancelPWD.setEnabled(false);
  Type("wrong");
  Type("tavrolk");
  Lock("app");
  EXPECT_TRUE(prompt.cmdCancelPWD.enabled());
  EXPECT_EQ(prompt.cmdCancelPWD.caption(), "Cance&l");
  EXPECT_EQ(prompt.Label3.caption(), "Password:");
  EXPECT_EQ(prompt.txtPass.text(), "");
}

TEST_F(UnlockPromptTest, APasswordLongerThanSixteenCharactersCannotBeTyped) {
  Lock("app");
  prompt.txtPass.type("abcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(prompt.txtPass.text(), "abcdefghijklmnop");
}

}  // namespace
