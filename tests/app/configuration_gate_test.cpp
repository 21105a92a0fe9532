// The configuration window and the dialogs it opens act on input only while
// the configuration is open after the password: every other program can send
// the hidden window the clicks, keys and commands a user's input makes.
#include <gtest/gtest.h>

#include <string>

#include "support/program_fixture.h"

namespace {

using platform::ShowCommand;

struct GateCase {
  const char* name;
  void (*act)(app::Program&);
};

class ConfigurationGateTest : public testing_support::ProgramTest,
                              public ::testing::WithParamInterface<GateCase> {
 protected:
  void SetUp() override {
    PutTask(0, "Notepad,1");
    PutIgnore(0, "Note");
    StartQuietly();
    main.lstTasks.setListIndex(0);
    fakes.dialogs.answers = {platform::box::kAnswerCancel, platform::box::kAnswerCancel};
  }
  // Everything the cases can change, as one text.
  std::string State() {
    std::string state = std::to_string(fakes.registry.writes()) + "|" + record.lockReason + "|" +
                        g.PendingTask + "|" + std::to_string(fakes.dialogs.boxes().size()) + "|" +
                        std::to_string(main.SmartTab1.selectedTab()) + main.txtrelock.text() + "|" +
                        (main.chkAdmin.checked() ? "admin" : "") + (g.userUnrestricted ? "free" : "");
    for (int row = 0; row < main.lstTasks.listCount(); ++row)
      state += "|" + main.lstTasks.list(row) + (main.lstTasks.selected(row) ? "+" : "-");
    return state;
  }
  void ExpectIgnored(const char* when) {
    const std::string before = State();
    GetParam().act(program);
    EXPECT_EQ(State(), before) << GetParam().name << ", " << when;
  }
};

TEST_P(ConfigurationGateTest, InputChangesNothingUnlessTheConfigurationIsOpenAfterThePassword) {
  ExpectIgnored("the window hidden, as after every start");
  fakes.desktop.ShowAsync(main.window(), ShowCommand::kShow);
  ExpectIgnored("the hidden window shown by another program");
  g.configAuthorised = true;
  main.Show();
  g.configAuthorised = false;
  ExpectIgnored("the window on screen while the password is not in force");
  main.Hide();
  program.frmignore.Unload();
  program.frmLock.Unload();

  OpenConfiguration();
  fakes.desktop.ShowAsync(main.window(), ShowCommand::kMinimize);
  // The dialogs have windows of their own, which stay on screen.
  if (std::string(GetParam().name).find("Dialog") == std::string::npos) {
    ExpectIgnored("open, but minimised by another program");
  }
  fakes.desktop.ShowAsync(main.window(), ShowCommand::kRestore);
  const std::string before = State();
  GetParam().act(program);
  EXPECT_NE(State(), before) << GetParam().name << " acts once the configuration is open";
}

INSTANTIATE_TEST_SUITE_P(
    EveryPath, ConfigurationGateTest,
    ::testing::Values(
        GateCase{"Remove", [](app::Program& p) { p.frmkestrove.cmddel.click(); }},
        GateCase{"DeleteKey", [](app::Program& p) { p.frmkestrove.lstTasks.keyDown(ui::kKeyDelete); }},
        GateCase{"TaskCheckBox", [](app::Program& p) { p.frmkestrove.lstTasks.tick(0, false); }},
        GateCase{"Administrator", [](app::Program& p) { p.frmkestrove.chkAdmin.click(); }},
        GateCase{"SetTasksPassword", [](app::Program& p) { p.frmkestrove.cmdsetpassword.click(); }},
        GateCase{"EndProgram", [](app::Program& p) { p.frmkestrove.cmdExit.click(); }},
        GateCase{"Apply", [](app::Program& p) { p.frmkestrove.cmdok.click(); }},
        GateCase{"TypedLimit", [](app::Program& p) { (void)p.frmkestrove.txtrelock.type("5"); }},
        GateCase{"Tab", [](app::Program& p) { (void)p.frmkestrove.SmartTab1.pick(3); }},
        GateCase{"IgnoreListDialogDelete",
                 [](app::Program& p) {
                   p.frmignore.Open();
                   p.frmignore.List1.click(0);
                   p.frmignore.CancelButton.click();
                 }},
        GateCase{"WindowBrowserDialogSelect",
                 [](app::Program& p) {
                   p.frmLock.ShowCentredOn(p.frmkestrove);
                   (void)p.frmLock.txtTask.type("Secret");
                   p.frmLock.cmdSelect.click();
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

// Code keeps driving the window whatever the gate says: the loader fills the
// boxes (the tray icon's prompt has the start-up tests).
TEST_F(ConfigurationGateTest, CodeStillDrivesTheClosedWindow) {
  PutSetting("LockIE", "1");
  main.GetConfig();
  EXPECT_TRUE(main.chkLockIE2.checked());
}

}  // namespace
