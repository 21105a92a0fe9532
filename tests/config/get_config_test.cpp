// The configuration loader against the fake registry: defaults of an empty
// registry, stored-value edge cases, the tray icon, the start-up lock, the
// taskbar, and CountTasks.
#include <gtest/gtest.h>

#include "support/program_fixture.h"

namespace {

using platform::ShowCommand;
using platform::TrayIconImage;

class GetConfigTest : public testing_support::ProgramTest {
 protected:
  using Rows_t = std::vector<std::pair<std::string, bool>>;
  Rows_t Rows() {
    Rows_t rows;
    for (int i = 0; i < main.lstTasks.listCount(); ++i)
      rows.emplace_back(main.lstTasks.list(i), main.lstTasks.selected(i));
    return rows;
  }
};

TEST_F(GetConfigTest, EmptyRegistryLoadsTheDefaults) {
  const auto taskbar = fakes.desktop.Open("", "Shell_TrayWnd", false);
  main.GetConfig();
  EXPECT_EQ(main.lstTasks.listCount() + main.lstignore.listCount(), 0);
  EXPECT_EQ(main.lblTaskCount.caption(), "Tasks Locked: 0");
  EXPECT_EQ(g.accessPassword, "tavrolk");
  EXPECT_FALSE(g.userUnrestricted || g.ruleIE != 0 || g.ruleBrowsers || g.ruleExplorer || g.ruleTaskManager ||
               g.ruleInstall || g.ruleRegistryTools);
  for (const ui::CheckBox* box : {&main.chkAdmin, &main.chkTray, &main.chkStartup, &main.chkHideSM,
                                  &main.chkLockIE2, &main.chkLock3Party, &main.chkLockEx1,
                                  &main.chkTaskManager1, &main.chklockinstall1, &main.chkDisableRegistry}) {
    EXPECT_FALSE(box->checked()) << box->name();
  }
  ASSERT_TRUE(fakes.shell.tray_icon());
  const auto& icon = *fakes.shell.tray_icon();
  EXPECT_EQ(icon.tip, "Kestrove Pro 2011 - Standard User");
  EXPECT_TRUE(icon.image == TrayIconImage::kProgram && icon.id == 1U && icon.flags == 7U);
  EXPECT_TRUE(fakes.desktop.IsVisible(taskbar)) << "taskbar shown";
  EXPECT_TRUE(!prompt.loaded() && !main.loadSave().configLoading() && fakes.process.HiddenFromTaskList());
  EXPECT_FALSE(fakes.registry.KeyExists(config::kMachine, "Software\\KSV")) << "loading writes nothing";
}

// Task3 is missing (a gap), "Z" is too short to hold an entry, the
// second-to-last character of "x1" need not be a comma, Task1000 is beyond
// the last value read.
TEST_F(GetConfigTest, TaskValuesSplitAtTheLastTwoCharacters) {
  const std::pair<int, const char*> values[] = {{0, "A,1"},   {1, "B,0"},      {2, "C,x"},
                                                {4, "a,b,1"}, {5, ""},         {6, "Z"},
                                                {7, "x1"},    {999, "Last,1"}, {1000, "Never,1"}};
  for (const auto& [n, value] : values) PutTask(n, value);
  main.GetConfig();
  EXPECT_EQ(Rows(),
            (Rows_t{{"A", true}, {"B", false}, {"C", false}, {"a,b", true}, {"", true}, {"Last", true}}));
  EXPECT_EQ(main.lstTasks.listIndex(), 0);
  EXPECT_EQ(main.lblTaskCount.caption(), "Tasks Locked: 4");
  EXPECT_EQ(main.taskCounter(), 4);
}

// A list is read until every value its key holds has been read (a short
// list costs a few reads, not a thousand), and every load starts afresh.
TEST_F(GetConfigTest, AListIsReadOnlyUntilEveryValueIsFoundAndEveryLoadRebuildsIt) {
  PutTask(0, "A,1");
  PutTask(7, "B,0");
  PutIgnore(1, "Setup");
  PutIgnore(2, "Install");
  main.GetConfig();
  const int before = fakes.registry.queries();
  main.GetConfig();
  EXPECT_LT(fakes.registry.queries() - before, 100);
  EXPECT_EQ(Rows(), (Rows_t{{"A", true}, {"B", false}}));
  EXPECT_EQ(testing_support::Rows(main.lstignore), (std::vector<std::string>{"Setup", "Install"}));
  EXPECT_EQ(main.taskCounter(), 1);
}

TEST_F(GetConfigTest, StoredValueEdgeCases) {
  fakes.registry.PutString(config::kUser, config::kSettingsKey, config::kCurrentUser, "enabled");
  PutSetting("pwd", "S3cRet");
  PutSetting("TaskManager", "true");
  PutSetting("LockEx", " 1");
  main.GetConfig();
  EXPECT_FALSE(g.userUnrestricted) << "only \"Enabled\" exactly";
  EXPECT_FALSE(g.ruleTaskManager || g.ruleExplorer) << "only \"1\" exactly";
  EXPECT_EQ(g.accessPassword, "s3cret");
  PutSetting("pwd", "");
  main.GetConfig();
  EXPECT_EQ(g.accessPassword, "tavrolk");
}

TEST_F(GetConfigTest, EveryLoadPutsUpTheTrayIconUnlessSwitchedOff) {
  main.GetConfig();
  ASSERT_TRUE(fakes.shell.tray_icon());
  const int adds = fakes.shell.tray_adds();

  main.GetConfig();
  EXPECT_EQ(fakes.shell.tray_adds(), adds + 1) << "every load puts up a fresh icon";

  PutSetting("Tray", "1");
  main.GetConfig();
  EXPECT_FALSE(fakes.shell.tray_icon());
  EXPECT_EQ(fakes.shell.tray_adds(), adds + 1);
}

// Windows at start-up is locked on the first load of a run only; a text other
// than "1", "0" or "" neither raises nor settles it and leaves the box alone.
struct StartupCase {
  const char* name;
  const char* text;
  bool done_before;  // an earlier load or lock dealt with it
  bool box_before;
  bool locks;
  bool box_after;
  bool done_after;
};

class StartupLockTest : public GetConfigTest, public ::testing::WithParamInterface<StartupCase> {};

TEST_P(StartupLockTest, OnlyTheFirstLoadOfARunLocks) {
  const StartupCase& c = GetParam();
  PutSetting("Startup", c.text);
  g.startupLockDone = c.done_before;
  main.chkStartup.setChecked(c.box_before);
  main.GetConfig();
  EXPECT_EQ(prompt.visible(), c.locks);
  EXPECT_EQ(main.chkStartup.checked(), c.box_after);
  EXPECT_EQ(g.startupLockDone, c.done_after);
  if (!c.locks) return;
  EXPECT_FALSE(prompt.cmdCancelPWD.enabled()) << "the start-up lock cannot be cancelled";
  EXPECT_EQ(record.lockReason, "app");
  EXPECT_EQ(record.lockedTaskEntry, "Microsoft Windows®");
  prompt.Unload();
  main.GetConfig();
  EXPECT_FALSE(prompt.loaded()) << "not again on a later load";
  EXPECT_TRUE(main.chkStartup.checked());
}

const StartupCase kStartupCases[] = {
    {"OnAtTheFirstLoad", "1", false, false, true, true, true},
    {"OnAfterAnEarlierLock", "1", true, false, false, true, true},
    {"Off", "0", false, true, false, false, true},
    {"Missing", "", false, true, false, false, true},
    {"OtherTextKeepsATick", "yes", false, true, false, true, false},
    {"OtherTextKeepsNoTick", "yes", false, false, false, false, false},
};
INSTANTIATE_TEST_SUITE_P(Texts, StartupLockTest, ::testing::ValuesIn(kStartupCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GetConfigTest, TaskbarAndStartButtonHiddenOnEveryLoadUntilTheSettingChanges) {
  const auto taskbar = fakes.desktop.Open("", "Shell_TrayWnd");
  const auto start = fakes.desktop.Open("Start", "Button");
  PutSetting("HideSM", "1");
  main.GetConfig();
  EXPECT_FALSE(fakes.desktop.IsVisible(taskbar) || fakes.desktop.IsVisible(start));
  fakes.desktop.ShowAsync(taskbar, ShowCommand::kShow);
  main.GetConfig();
  EXPECT_FALSE(fakes.desktop.IsVisible(taskbar));
  PutSetting("HideSM", "0");
  main.GetConfig();
  EXPECT_TRUE(fakes.desktop.IsVisible(taskbar) && fakes.desktop.IsVisible(start));
}

}  // namespace
