// The configuration loader against the fake registry: defaults of an empty
// registry, stored-value edge cases, the tray icon, the startup lock, the
// taskbar, and CountTasks.
#include <gtest/gtest.h>

#include "support/program_fixture.h"

namespace {

using platform::ShowCommand;
using platform::TrayIconImage;

class GetConfigTest : public testing_support::ProgramTest {
 protected:
  std::vector<std::pair<std::string, bool>> Rows() {
    std::vector<std::pair<std::string, bool>> rows;
    rows.reserve(static_cast<std::size_t>(main.lstTasks.listCount()));
    for (int i = 0; i < main.lstTasks.listCount(); ++i)
      rows.emplace_back(main.lstTasks.list(i), main.lstTasks.selected(i));
    return rows;
  }
  using Rows_t = std::vector<std::pair<std::string, bool>>;
};

TEST_F(GetConfigTest, EmptyRegistryLoadsTheDefaults) {
  const auto taskbar = fakes.desktop.Open("", "Shell_TrayWnd", false);
  main.GetConfig();
  EXPECT_EQ(main.lstTasks.listCount(), 0);
  EXPECT_EQ(main.lstignore.listCount(), 0);
  EXPECT_EQ(main.lblTaskCount.caption(), "Tasks Locked: 0");
  EXPECT_EQ(g.accessPassword, "tavrolk");
  EXPECT_FALSE(g.userUnrestricted);
  EXPECT_EQ(g.ruleIE, 0);
  EXPECT_FALSE(g.ruleBrowsers || g.ruleExplorer || g.ruleTaskManager || g.ruleInstall || g.ruleRegistryTools);
  for (const ui::CheckBox* box : {&main.chkAdmin, &main.chkTray, &main.chkStartup, &main.chkHideSM,
                                  &main.chkLockIE2, &main.chkLock3Party, &main.chkLockEx1,
                                  &main.chkTaskManager1, &main.chklockinstall1, &main.chkDisableRegistry}) {
    EXPECT_FALSE(box->checked()) << box->name();
  }
  ASSERT_TRUE(fakes.shell.tray_icon());
  EXPECT_EQ(fakes.shell.tray_icon()->tip, "Kestrove Pro 2011 - Standard User");
  EXPECT_EQ(fakes.shell.tray_icon()->image, TrayIconImage::kProgram);
  EXPECT_EQ(fakes.shell.tray_icon()->id, 1U);
  EXPECT_EQ(fakes.shell.tray_icon()->flags, 7U);
  EXPECT_TRUE(fakes.desktop.IsVisible(taskbar)) << "taskbar shown";
  EXPECT_FALSE(program.frmPassword.loaded());
  EXPECT_TRUE(fakes.process.HiddenFromTaskList());
  EXPECT_FALSE(g.configLoading);
  EXPECT_FALSE(fakes.registry.KeyExists(config::kMachine, "Software\\KSV")) << "loading writes nothing";
}

TEST_F(GetConfigTest, TaskValuesSplitAtTheLastTwoCharacters) {
  PutTask(0, "A,1");
  PutTask(1, "B,0");
  PutTask(2, "C,x");
  PutTask(4, "a,b,1");  // Task3 missing: a gap
  PutTask(5, "");
  PutTask(6, "Z");   // one character: no entry, skipped
  PutTask(7, "x1");  // the second-to-last need not be a comma
  PutTask(999, "Last,1");
  PutTask(1000, "Never,1");
  main.GetConfig();
  EXPECT_EQ(Rows(),
            (Rows_t{{"A", true}, {"B", false}, {"C", false}, {"a,b", true}, {"", true}, {"Last", true}}));
  EXPECT_EQ(main.lstTasks.listIndex(), 0);
  EXPECT_EQ(main.lblTaskCount.caption(), "Tasks Locked: 4");
  EXPECT_EQ(main.taskCounter(), 4);
}

TEST_F(GetConfigTest, EveryLoadRebuildsTheListsFromScratch) {
  PutTask(0, "A,1");
  PutIgnore(0, "Setup");
  PutIgnore(2, "Install");
  main.GetConfig();
  main.GetConfig();
  EXPECT_EQ(Rows(), (Rows_t{{"A", true}}));
  ASSERT_EQ(main.lstignore.listCount(), 2);
  EXPECT_EQ(main.lstignore.list(1), "Install");
}

TEST_F(GetConfigTest, StoredValueEdgeCases) {
  fakes.registry.PutString(config::kMachine, config::kSettingsKey, config::kDisableRegistryTools, "1");
  fakes.registry.PutString(config::kUser, config::kSettingsKey, config::kCurrentUser, "enabled");
  PutSetting("pwd", "S3cRet");
  PutSetting("LockIE", "1");
  PutSetting("TaskManager", "true");
  PutSetting("LockEx", " 1");
  main.GetConfig();
  EXPECT_FALSE(g.ruleRegistryTools) << "a text \"1\" is not the number 1";
  EXPECT_FALSE(g.userUnrestricted) << "only \"Enabled\" exactly";
  EXPECT_EQ(g.accessPassword, "s3cret");
  EXPECT_EQ(g.ruleIE, 1);
  EXPECT_TRUE(main.chkLockIE2.checked());
  EXPECT_FALSE(g.ruleTaskManager);
  EXPECT_FALSE(g.ruleExplorer);

  fakes.registry.PutDword(config::kMachine, config::kSettingsKey, config::kDisableRegistryTools, 1);
  PutSetting("pwd", "");
  main.GetConfig();
  EXPECT_TRUE(g.ruleRegistryTools);
  EXPECT_TRUE(main.chkDisableRegistry.checked());
  EXPECT_EQ(g.accessPassword, "tavrolk");
}

TEST_F(GetConfigTest, RuleSwitchesFollowEachLoad) {
  for (const char* name : {"LockIE", "chkLock3Party", "LockEx", "TaskManager", "LockInstall"})
    PutSetting(name, "1");
  main.GetConfig();
  EXPECT_EQ(g.ruleIE, 1);
  EXPECT_TRUE(g.ruleBrowsers && g.ruleExplorer && g.ruleTaskManager && g.ruleInstall);
  EXPECT_TRUE(main.chkLock3Party.checked() && main.chkLockEx1.checked() && main.chkTaskManager1.checked() &&
              main.chklockinstall1.checked());
  for (const char* name : {"LockIE", "chkLock3Party", "LockEx", "TaskManager", "LockInstall"})
    PutSetting(name, "0");
  main.GetConfig();
  EXPECT_EQ(g.ruleIE, 0);
  EXPECT_FALSE(g.ruleBrowsers || g.ruleExplorer || g.ruleTaskManager || g.ruleInstall);
}

TEST_F(GetConfigTest, TrayIconFollowsTheSettingAndTheAccount) {
  main.GetConfig();
  ASSERT_TRUE(fakes.shell.tray_icon());
  const int adds = fakes.shell.tray_adds();

  fakes.registry.PutString(config::kUser, config::kSettingsKey, config::kCurrentUser, "Enabled");
  main.GetConfig();
  ASSERT_TRUE(fakes.shell.tray_icon());
  EXPECT_EQ(fakes.shell.tray_adds(), adds + 1) << "every load puts up a fresh icon";
  EXPECT_EQ(fakes.shell.tray_icon()->tip, "Kestrove Pro 2011 - Administrator");
  EXPECT_EQ(fakes.shell.tray_icon()->image, TrayIconImage::kUnlocked);
  EXPECT_TRUE(main.chkAdmin.checked());

  PutSetting("Tray", "1");
  main.GetConfig();
  EXPECT_FALSE(fakes.shell.tray_icon());
  EXPECT_TRUE(main.chkTray.checked());
  EXPECT_EQ(fakes.shell.tray_adds(), adds + 1);
}

TEST_F(GetConfigTest, StartupLockOnlyOnTheFirstLoadOfARun) {
  PutSetting("Startup", "1");
  main.GetConfig();
  EXPECT_TRUE(program.frmPassword.visible());
  EXPECT_FALSE(program.frmPassword.cmdCancelPWD.enabled()) << "the startup lock cannot be cancelled";
  EXPECT_EQ(g.lockReason, "app");
  EXPECT_EQ(g.lockedTaskEntry, "Microsoft Windows®");
  EXPECT_TRUE(g.startupLockDone);
  EXPECT_TRUE(main.chkStartup.checked());

  program.frmPassword.Unload();
  main.GetConfig();
  EXPECT_FALSE(program.frmPassword.loaded()) << "only the first load raises it";
  EXPECT_TRUE(main.chkStartup.checked()) << "a later load leaves the box checked";

  PutSetting("Startup", "yes");
  main.chkStartup.setChecked(false);
  main.GetConfig();
  EXPECT_FALSE(main.chkStartup.checked()) << "another text leaves the box as it was";
  PutSetting("Startup", "0");
  main.chkStartup.setChecked(true);
  main.GetConfig();
  EXPECT_FALSE(main.chkStartup.checked());
}

// After an earlier lock the setting stays on: ticked without a second lock,
// so that the next Apply does not switch it off.
TEST_F(GetConfigTest, StartupLockNotRaisedAfterAnEarlierLockButTheBoxStaysTicked) {
  PutSetting("Startup", "1");
  g.startupLockDone = true;
  main.GetConfig();
  EXPECT_FALSE(program.frmPassword.loaded());
  EXPECT_TRUE(main.chkStartup.checked());
  main.cmdok.click();
  EXPECT_EQ(fakes.registry.GetString(config::kMachine, config::kSettingsKey, "Startup"), "1");
}

TEST_F(GetConfigTest, StartupWithTheSettingOffAndOtherTexts) {
  PutSetting("Startup", "2");
  main.GetConfig();
  EXPECT_FALSE(g.startupLockDone) << "an unknown text neither raises nor settles the startup lock";
  EXPECT_FALSE(program.frmPassword.loaded());
}

TEST_F(GetConfigTest, TaskbarAndStartButtonHiddenOnEveryLoadUntilTheSettingChanges) {
  const auto taskbar = fakes.desktop.Open("", "Shell_TrayWnd");
  const auto start = fakes.desktop.Open("Start", "Button");
  PutSetting("HideSM", "1");
  main.GetConfig();
  EXPECT_FALSE(fakes.desktop.IsVisible(taskbar));
  EXPECT_FALSE(fakes.desktop.IsVisible(start));
  EXPECT_TRUE(main.chkHideSM.checked());
  fakes.desktop.ShowAsync(taskbar, ShowCommand::kShow);
  main.GetConfig();
  EXPECT_FALSE(fakes.desktop.IsVisible(taskbar));
  PutSetting("HideSM", "0");
  main.GetConfig();
  EXPECT_TRUE(fakes.desktop.IsVisible(taskbar));
  EXPECT_TRUE(fakes.desktop.IsVisible(start));
  EXPECT_FALSE(main.chkHideSM.checked());
}

TEST_F(GetConfigTest, CountTasksCountsCheckedRows) {
  main.lstTasks.addItem("A", true);
  main.lstTasks.addItem("B", false);
  main.lstTasks.addItem("C", true);
  main.CountTasks();
  EXPECT_EQ(main.lblTaskCount.caption(), "Tasks Locked: 2");
  main.lstTasks.clear();
  main.CountTasks();
  EXPECT_EQ(main.lblTaskCount.caption(), "Tasks Locked: 0");
  EXPECT_EQ(main.taskCounter(), 0);
}

}  // namespace
