// Apply against the fake registry: what it writes, the rule switches, the
// reload, failures, and lists that survive a kill at any point of the save.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "support/program_fixture.h"
#include "ui/runtime_error.h"

namespace {

using platform::RegType;

class ApplyTest : public testing_support::ProgramTest {
 protected:
  void SetUp() override { StartQuietly(); }

  // The values as the loader reads them: every number, gaps skipped.
  std::vector<std::string> Stored(std::string_view key) {
    std::vector<std::string> values;
    for (int n = 0; n < 1000; ++n) {
      if (auto v = fakes.registry.GetString(config::kMachine, key, "Task" + std::to_string(n));
          v && !v->empty()) {
        values.push_back(*v);
      }
    }
    return values;
  }
  // The same from the values that exist, ordered by number: cheap enough to
  // run after every single write.
  std::vector<std::string> Listed(std::string_view key) {
    std::map<int, std::string> by_number;
    for (const std::string& name : fakes.registry.ValueNames(config::kMachine, key)) {
      const auto value = fakes.registry.GetString(config::kMachine, key, name);
      if (name.size() > 4 && value && !value->empty()) by_number[std::stoi(name.substr(4))] = *value;
    }
    std::vector<std::string> values;
    values.reserve(by_number.size());
    for (auto& [number, value] : by_number) values.push_back(value);
    return values;
  }
  int StoredCount(std::string_view key) {
    return static_cast<int>(fakes.registry.ValueNames(config::kMachine, key).size());
  }
  void Rows(int count, const std::string& prefix) {
    main.lstTasks.clear();
    for (int i = 0; i < count; ++i) main.lstTasks.addItem(prefix + std::to_string(i), i % 2 == 0);
  }
};

TEST_F(ApplyTest, TasksWithCommasRoundTripAndShorterListsLeaveNoTail) {
  Rows(10, "old");
  main.cmdok.click();
  EXPECT_EQ(StoredCount(config::kTasksKey), 10);
  main.lstTasks.clear();
  main.lstTasks.addItem("a,b", true);
  main.lstTasks.addItem("Untitled - Notepad", false);
  main.lstTasks.addItem("x,", true);
  main.cmdok.click();
  EXPECT_EQ(Stored(config::kTasksKey), (std::vector<std::string>{"a,b,1", "Untitled - Notepad,0", "x,,1"}));
  EXPECT_EQ(StoredCount(config::kTasksKey), 3);
  ASSERT_EQ(main.lstTasks.listCount(), 3) << "reloaded";
  EXPECT_EQ(main.lstTasks.list(0), "a,b");
  EXPECT_EQ(main.lstTasks.list(2), "x,");
  EXPECT_FALSE(main.lstTasks.selected(1));
  EXPECT_EQ(main.lblTaskCount.caption(), "Tasks Locked: 2");

  main.lstTasks.clear();
  main.cmdok.click();
  EXPECT_EQ(StoredCount(config::kTasksKey), 0);
  EXPECT_TRUE(fakes.registry.KeyExists(config::kMachine, config::kTasksKey)) << "the key itself stays";
}

TEST_F(ApplyTest, IgnoreListIsRewrittenAndAnEmptyOneLeavesNoKey) {
  for (int n = 0; n < 5; ++n) PutIgnore(n, "old" + std::to_string(n));
  main.lstignore.clear();
  main.lstignore.addItem("Setup");
  main.lstignore.addItem("Install");
  main.cmdok.click();
  EXPECT_EQ(Stored(config::kIgnoreListKey), (std::vector<std::string>{"Setup", "Install"}));
  EXPECT_EQ(StoredCount(config::kIgnoreListKey), 2);
  main.lstignore.clear();
  main.cmdok.click();
  EXPECT_FALSE(fakes.registry.KeyExists(config::kMachine, config::kIgnoreListKey));
}

TEST_F(ApplyTest, OptionsSessionLimitAndRuleSwitches) {
  main.chkTray.setChecked(true);
  main.chkStartup.setChecked(true);
  main.chkTaskManager1.setChecked(true);
  main.chkLockIE2.setChecked(true);
  main.chkDisableRegistry.setChecked(true);
  main.txtrelock.setText("15");
  g.ruleIE = 0;
  main.cmdok.click();
  EXPECT_EQ(fakes.registry.GetString(config::kMachine, config::kSettingsKey, "Tray"), "1");
  EXPECT_EQ(fakes.registry.GetString(config::kMachine, config::kSettingsKey, "Startup"), "1");
  EXPECT_EQ(fakes.registry.GetString(config::kMachine, config::kSettingsKey, "TaskManager"), "1");
  EXPECT_EQ(fakes.registry.GetString(config::kMachine, config::kSettingsKey, "LockIE"), "1");
  EXPECT_EQ(fakes.registry.GetString(config::kMachine, config::kSettingsKey, "HideSM"), "0");
  EXPECT_EQ(fakes.registry.GetString(config::kMachine, config::kSettingsKey, "chkLock3Party"), "0");
  const auto dword = fakes.registry.Get(config::kMachine, config::kSettingsKey, "DisableRegistryTools");
  ASSERT_TRUE(dword);
  EXPECT_EQ(dword->type, RegType::kDword);
  EXPECT_EQ(program.settings.GetSetting("kestrove", "setting", "timer"), "15");
  EXPECT_EQ(g.ruleIE, 1);
  EXPECT_TRUE(g.ruleTaskManager && g.ruleRegistryTools);
  EXPECT_FALSE(fakes.shell.tray_icon()) << "the reload applied No Tray Icon";
  EXPECT_EQ(main.cmdcancel.caption(), "Close");

  main.chkDisableRegistry.setChecked(false);
  for (const char* minutes : {"", "0"}) {
    main.txtrelock.setText(minutes);
    main.cmdok.click();
    EXPECT_EQ(program.settings.GetSetting("kestrove", "setting", "timer"), "0") << minutes;
  }
  EXPECT_EQ(fakes.registry.Get(config::kMachine, config::kSettingsKey, "DisableRegistryTools")->type,
            RegType::kDword);
  EXPECT_FALSE(g.ruleRegistryTools);
}

TEST_F(ApplyTest, ARegistryThatRefusesWritesPutsEveryControlBack) {
  PutTask(0, "Kept,1");
  PutSetting("LockEx", "1");
  main.GetConfig();
  fakes.registry.FailWritesFrom(1);
  main.lstTasks.addItem("New", true);
  main.chkLockEx1.setChecked(false);
  main.chkTaskManager1.setChecked(true);
  main.cmdok.click();
  EXPECT_EQ(main.lstTasks.listCount(), 1);
  EXPECT_EQ(main.lstTasks.list(0), "Kept");
  EXPECT_TRUE(main.chkLockEx1.checked());
  EXPECT_FALSE(main.chkTaskManager1.checked());
  EXPECT_FALSE(program.frmError.loaded()) << "no message";
}

TEST_F(ApplyTest, AFailingControlAbandonsApplyAndReportsTheDescriptionWithAZero) {
  main.lstTasks.addItem("A", true);
  main.cmdcancel.setCaption("Cancel");
  // A failure in an event handled while Apply yields in the ignore list's
  // loop, after the 999 yields of the task values.
  int yields = 0;
  fakes.loop.on_do_events = [&](int) {
    if (++yields == 1000) throw ui::RuntimeError("Invalid property array index");
  };
  main.lstignore.addItem("x");
  main.lstignore.addItem("y");
  main.cmdok.click();
  fakes.loop.on_do_events = nullptr;
  EXPECT_EQ(g.messageText, "Invalid property array index0");
  EXPECT_TRUE(program.frmError.visible());
  EXPECT_EQ(main.cmdcancel.caption(), "Cancel");
  EXPECT_FALSE(fakes.registry.Get(config::kMachine, config::kSettingsKey, "Startup")) << "no further writes";
}

// A kill after any single write leaves the new values written so far
// followed by the old ones (the old list, the new list, or a mix of the two
// in that order, the tail being removed from the top down): never an empty
// or shortened list.
TEST_F(ApplyTest, AKillAtAnyPointLeavesAUsableList) {
  const auto old_tasks = std::vector<std::string>{"o0,1", "o1,0", "o2,1", "o3,1", "o4,0"};
  const auto new_tasks = std::vector<std::string>{"n0,1", "n1,1", "n2,0"};
  const auto old_ignore = std::vector<std::string>{"i0", "i1", "i2", "i3"};
  const auto new_ignore = std::vector<std::string>{"j0", "j1"};
  const auto acceptable = [](const std::vector<std::string>& got, const std::vector<std::string>& before,
                             const std::vector<std::string>& after) {
    for (std::size_t k = 0; k <= after.size(); ++k) {
      const bool writing = k < after.size();
      const std::size_t longest = std::max(before.size(), k);
      if (writing ? got.size() != longest : (got.size() < after.size() || got.size() > longest)) continue;
      bool same = true;
      for (std::size_t i = 0; i < got.size() && same; ++i) same = got[i] == (i < k ? after[i] : before[i]);
      if (same) return true;
    }
    return false;
  };
  for (std::size_t n = 0; n < old_tasks.size(); ++n) PutTask(static_cast<int>(n), old_tasks[n]);
  for (std::size_t n = 0; n < old_ignore.size(); ++n) PutIgnore(static_cast<int>(n), old_ignore[n]);
  main.GetConfig();
  main.lstTasks.clear();
  main.lstTasks.addItem("n0", true);
  main.lstTasks.addItem("n1", true);
  main.lstTasks.addItem("n2", false);
  main.lstignore.clear();
  main.lstignore.addItem("j0");
  main.lstignore.addItem("j1");
  // What a kill right after each write would leave behind.
  int checked = 0;
  fakes.registry.after_write = [&] {
    ++checked;
    EXPECT_TRUE(acceptable(Listed(config::kTasksKey), old_tasks, new_tasks))
        << "tasks after write " << checked;
    EXPECT_TRUE(acceptable(Listed(config::kIgnoreListKey), old_ignore, new_ignore))
        << "ignore list after write " << checked;
  };
  main.cmdok.click();
  fakes.registry.after_write = nullptr;
  EXPECT_GT(checked, 10);
  EXPECT_EQ(Stored(config::kTasksKey), new_tasks);
  EXPECT_EQ(Stored(config::kIgnoreListKey), new_ignore);
}

TEST_F(ApplyTest, AReloadWhileApplyYieldsNeverSeesAnEmptyIgnoreList) {
  PutIgnore(0, "old0");
  PutIgnore(1, "old1");
  main.GetConfig();
  main.lstignore.clear();
  main.lstignore.addItem("new0");
  main.lstignore.addItem("new1");
  main.lstignore.addItem("new2");
  int empty_seen = 0;
  fakes.loop.on_do_events = [&](int) {
    if (!fakes.registry.GetString(config::kMachine, config::kIgnoreListKey, "Task0")) ++empty_seen;
  };
  main.cmdok.click();
  fakes.loop.on_do_events = nullptr;
  EXPECT_EQ(empty_seen, 0);
  EXPECT_EQ(Stored(config::kIgnoreListKey), (std::vector<std::string>{"new0", "new1", "new2"}));
}

}  // namespace
