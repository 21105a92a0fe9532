// The unlock prompt through its models: each lock reason's answer to the
// wrong and the right password, Cancel with its one-second wait, the hint,
// Keep Password and the set-password dialogue.
#include <gtest/gtest.h>

#include "config/password.h"
#include "support/program_fixture.h"

namespace {

using platform::ShowCommand;
using platform::WindowId;
using testing_support::Rows;

class UnlockPromptTest : public testing_support::StartedProgramTest {
 protected:
  // A Notepad window hidden by a lock of the given reason, with the prompt up.
  WindowId Lock(std::string_view reason) {
    locked = fakes.desktop.Open("###", "Notepad", false);
    program.RaiseLock({.reason = reason, .entry = "Editor", .window = locked, .window_class = "Notepad"});
    return locked;
  }

  WindowId locked = platform::kNoWindow;
};

struct AnswerCase {
  const char* name;
  const char* reason;
  std::vector<ShowCommand> shows;  // sent to the hidden window by the right password
  int closes;                      // WM_CLOSE posted to it
  std::size_t desktops;            // the desktop shown behind the prompt, and again by Cancel
  std::function<bool(const app::Program&)> answered;
};

class AnswerTest : public UnlockPromptTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(AnswerTest, AWrongPasswordChangesNothingAndTheRightOneAnswersTheLock) {
  const AnswerCase& c = GetParam();
  const bool task_lock = std::string_view(c.reason) == "app";
  g.ruleRegistryTools = g.ruleInstall = true;
  Lock(c.reason);
  EXPECT_TRUE(program.frmblank().visible() && fakes.desktop.Get(prompt.window()).topmost &&
              !fakes.desktop.Get(prompt.window()).close_command)
      << "the black cover up, the prompt on top, Close gone from its system menu";
  EXPECT_EQ(program.frmDummy().visible(), c.desktops > 0);
  EXPECT_EQ(fakes.shell.opened().size(), c.desktops > 0 ? 1U : 0U);
  for (const auto& open : fakes.shell.opened()) {
    EXPECT_EQ(open.file, "\"C:\\Program Files\\Kestrove Pro\\zarmex.scf\"");
  }

  Type("WRONGWRONGWRONGWRONG");
  EXPECT_EQ(prompt.lblDefaultPass.caption(), "Password is Invalid.");
  EXPECT_EQ(prompt.txtPass.text(), "wrongwrongwrongw") << "sixteen characters at most, in lower case";
  EXPECT_TRUE(!c.answered(program) && prompt.visible() && ShowsOf(locked).empty());
  EXPECT_EQ(record.lockReason, c.reason);

  Type("TaVrOlK");
  EXPECT_TRUE(c.answered(program));
  EXPECT_EQ(ShowsOf(locked), c.shows);
  EXPECT_EQ(fakes.desktop.Get(locked).close_requests, c.closes);
  EXPECT_EQ(fakes.shell.opened().size(), c.desktops);
  EXPECT_EQ(fakes.desktop.Get(locked).title, task_lock ? "Editor" : "###") << "the title back from the entry";
  EXPECT_EQ(Rows(main.lstAllow), task_lock ? std::vector<std::string>{"Notepad"} : std::vector<std::string>{})
      << "a task's class passes from now on";
  EXPECT_EQ(record.lockedWindow, task_lock ? platform::kNoWindow : locked)
      << "only a task's unlock forgets it";
  EXPECT_TRUE(PromptGone());
}

using P = const app::Program&;
const std::vector<ShowCommand> kShowAndRestore{ShowCommand::kShow, ShowCommand::kRestore};
const std::vector<ShowCommand> kRestoreOnly{ShowCommand::kRestore};

const AnswerCase kAnswers[] = {
    {"TaskLock", "app", kShowAndRestore, 0, 0,
     [](P p) { return p.lockRecord().lockedWindow == platform::kNoWindow; }},
    // Installs are permitted, then Cancel's sequence runs: the desktop again
    // and two requests to close.
    {"Installer", "ins", kShowAndRestore, 2, 2,
     [](P p) {
       return !p.globals().ruleInstall && !p.frmDummy().loaded() &&
              p.globals().messageText ==
                  "All Software Installations are permitted until you Log-Off or Restart Windows.";
     }},
    // A built-in rule switches itself off (each is followed through a tick
    // in the rules' tests); the window stays recorded.
    {"RegistryEditor", "reg", kRestoreOnly, 0, 1, [](P p) { return !p.globals().ruleRegistryTools; }},
};
INSTANTIATE_TEST_SUITE_P(Reasons, AnswerTest, ::testing::ValuesIn(kAnswers),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UnlockPromptTest, CancelWaitsASecondThenAsksTheProgramToCloseTwice) {
  Lock("reg");
  prompt.cmdCancelPWD.click();
  EXPECT_TRUE(PromptGone()) << "the placeholder shown with the desktop goes with the prompt";

  Lock("app");
  int ticks_during_wait = 0;
  main.timerKestrove.on_timer = [&] { ++ticks_during_wait; };
  const auto start = fakes.loop.NowMs();
  prompt.cmdCancelPWD.click();
  const auto waited = fakes.loop.NowMs() - start;
  EXPECT_TRUE(waited >= 1 && waited <= 1000 && ticks_during_wait <= 1) << "a second, the watch going on";
  EXPECT_EQ(fakes.desktop.Get(locked).close_requests, 2);
  EXPECT_TRUE(Hidden(locked) && fakes.desktop.Get(locked).title == "###")
      << "a program that refuses to close stays hidden";
  EXPECT_TRUE(PromptGone());
}

// The default password is named for a task or configuration lock only while
// no password is stored, even when the stored one is the default's hash.
TEST_F(UnlockPromptTest, DefaultPasswordHint) {
  const std::string named = "The default password is TAVROLK.";
  const std::string design = "Enter a password to continue, or, contact your network administrator.";
  for (const auto& [reason, stored, hint] : std::vector<std::tuple<const char*, std::string, std::string>>{
           {"cfg", "", named},
           {"app", "", named},
           {"reg", "", design},
           {"app", "secret", design},
           {"app", config::HashPassword(fakes.crypto, fakes.text, "Tavrolk"), design}}) {
    PutSetting("pwd", stored);
    main.GetConfig();
    Lock(reason);
    EXPECT_EQ(prompt.lblDefaultPass.caption(), hint) << reason << " " << stored;
    prompt.Unload();
  }
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
  FinishCheck();
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

// Two entries that differ end the dialogue and change nothing; two that
// match store the new password hashed; without a random salt for it
// nothing is stored (not even readable) and the password stays.
TEST_F(UnlockPromptTest, SetPasswordAsksTwiceAndStoresTheNewPasswordHashed) {
  program.RaiseLock({.reason = "pwd"});
  Type("one");
  Type("two");
  ASSERT_EQ(fakes.dialogs.boxes().size(), 1U);
  EXPECT_EQ(fakes.dialogs.boxes()[0].text, "Password's did not match!");
  EXPECT_EQ(fakes.dialogs.boxes()[0].style, 0x1030U);
  EXPECT_TRUE(PromptGone());
  EXPECT_TRUE(prompt.firstNewPassword.empty());
  EXPECT_EQ(g.accessPassword, "tavrolk");
  EXPECT_FALSE(Setting("pwd"));

  program.RaiseLock({.reason = "pwd"});
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
  ASSERT_EQ(fakes.dialogs.boxes().size(), 2U);
  EXPECT_EQ(fakes.dialogs.boxes()[1].text, "Password set successfully.");
  EXPECT_EQ(fakes.dialogs.boxes()[1].style, 0x1040U);
  EXPECT_TRUE(PromptGone());
  EXPECT_TRUE(config::IsHashedPassword(Setting("pwd").value_or("")));
  main.GetConfig();
  const std::optional<std::string> stored = Setting("pwd");
  fakes.crypto.random_fails = true;
  program.RaiseLock({.reason = "pwd"});
  Type("other");
  Type("other");
  EXPECT_EQ(fakes.dialogs.boxes().back().text,
            "The new password could not be stored. The password is unchanged.");
  EXPECT_EQ(Setting("pwd"), stored);
  Lock("app");
  Type("tavrolk");
  EXPECT_EQ(prompt.lblDefaultPass.caption(), "Password is Invalid.");
  Type("NewPass");
  EXPECT_TRUE(PromptGone());
}

}  // namespace
