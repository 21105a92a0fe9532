// The message dialog: its modes by caption, the 100 ms refresh, "Don't show
// again", and OK starting the updater.
#include <gtest/gtest.h>

#include "engine/failure_report.h"
#include "support/program_fixture.h"

namespace {

class MessageDialogTest : public testing_support::ProgramTest {
 protected:
  app::FrmError& dialog = program.frmError;
  void SetUp() override { g.appFolder = "C:\\Kestrove\\"; }
  // Shows the dialog as the program shows its two questions.
  void Present(const char* caption, const char* text) {
    g.messageText = text;
    dialog.Load();
    dialog.setCaption(caption);
    dialog.chkShowAgain.setVisible(std::string_view(caption) == "Kestrove Pro 2011 Update");
    dialog.Present();
  }
  void ShowReminder() {
    Present("Kestrove Pro 2011 Update", "An update may be available, would you like to check?");
  }
};

// "Don't show again" writes at once, and only on the reminder; an account
// that may not write the machine-wide key keeps the choice for itself, and a
// start honours the choice wherever it was kept.
TEST_F(MessageDialogTest, DontShowAgainWritesAtOnceOnlyForTheReminderAndHoldsForEveryAccount) {
  app::ShowMessage(program, "plain");
  dialog.chkShowAgain.setVisible(true);
  dialog.chkShowAgain.click();
  EXPECT_FALSE(Setting("DontShowUpdate"));
  dialog.cmdok.click();
  for (const bool machine_writable : {true, false}) {
    if (!machine_writable) {
      (void)fakes.registry.DeleteKey(config::kMachine, config::kSettingsKey);
      fakes.registry.read_only_root = config::kMachine;
    }
    ShowReminder();
    dialog.chkShowAgain.click();
    dialog.chkShowAgain.click();  // unchecking writes nothing
    EXPECT_EQ(
        Setting("DontShowUpdate").value_or("-") +
            fakes.registry.GetString(config::kUser, config::kSettingsKey, "DontShowUpdate").value_or("-"),
        machine_writable ? "1-" : "-1");
    fakes.registry.read_only_root.reset();
  }

  struct Case {
    std::optional<std::string> machine, user;
    bool shown;
  };
  for (const Case& c : {Case{std::nullopt, "1", false}, Case{"1", std::nullopt, false}, Case{"0", "0", true},
                        Case{std::nullopt, "yes", true}}) {
    for (const config::RegRoot root : {config::kMachine, config::kUser}) {
      const auto& value = root == config::kMachine ? c.machine : c.user;
      if (value) fakes.registry.PutString(root, config::kSettingsKey, "DontShowUpdate", *value);
      if (!value) (void)fakes.registry.DeleteKey(root, config::kSettingsKey);
    }
    dialog.Unload();
    ShowReminder();
    EXPECT_EQ(dialog.visible(), c.shown) << c.machine.value_or("-") << " / " << c.user.value_or("-");
  }
}

// OK on the reminder starts the updater and the program goes on. A message
// that comes while "Program In-use" or the reminder is up is a plain one: not
// swallowed by "Don't show again", and its OK starts nothing.
TEST_F(MessageDialogTest, OkStartsTheUpdaterOnlyFromTheReminder) {
  ShowReminder();
  dialog.cmdok.click();
  ASSERT_EQ(fakes.shell.opened().size(), 1U);
  EXPECT_EQ(fakes.shell.opened()[0].file, "C:\\Kestrove\\KsUpdate.exe");
  EXPECT_TRUE(!dialog.loaded() && g.messageText.empty() && !fakes.process.ended());
  // "Program In-use" (OK starts the updater and ends) has the update check's tests.
  for (const bool reminder : {false, true}) {
    reminder ? ShowReminder() : Present("Program In-use", "Kestrove Pro must shut-down before update!");
    dialog.chkShowAgain.click();
    app::ShowMessage(program, "Cannot lock self!");
    EXPECT_TRUE(dialog.visible() && dialog.caption() == "Message:") << reminder;
    EXPECT_FALSE(dialog.chkShowAgain.visible() || dialog.cmdCancel.visible()) << "the next use starts afresh";
    EXPECT_EQ(dialog.Label1.caption(), "Cannot lock self!");
    dialog.cmdok.click();
  }
  EXPECT_EQ(fakes.shell.opened().size(), 1U) << "a plain message's OK starts nothing";
}

TEST_F(MessageDialogTest, TheLabelFollowsTheTextWithinATenthOfASecond) {
  app::ShowMessage(program, "first");
  EXPECT_EQ(dialog.Label1.caption(), "first");
  g.messageText = "second";
  fakes.loop.Advance(100);
  EXPECT_EQ(dialog.Label1.caption(), "second");
  app::ShowMessage(program, engine::TickFailureText("Overflow"));
  fakes.loop.Advance(100);
  EXPECT_EQ(dialog.Label1.caption(), "Error: \"Overflow\".");
  dialog.cmdCancel.setVisible(true);
  dialog.cmdCancel.click();
  EXPECT_TRUE(g.messageText.empty() && !dialog.loaded());
}

}  // namespace
