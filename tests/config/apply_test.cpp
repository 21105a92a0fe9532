// Apply against the fake registry: what it writes, the rule switches, the
// reload, failures, and lists that survive a kill at any point of the save.
#include <gtest/gtest.h>

#include <functional>

#include "support/program_fixture.h"
#include "ui/runtime_error.h"

namespace {

using platform::RegType;

class ApplyTest : public testing_support::ProgramTest {
 protected:
  void SetUp() override {
    StartQuietly();
    OpenConfiguration();
  }

  int StoredCount(std::string_view key) {
    return static_cast<int>(fakes.registry.ValueNames(config::kMachine, key).size());
  }
};

TEST_F(ApplyTest, ListsAreRewrittenWithoutATailAndAnEmptyIgnoreListLeavesNoKey) {
  for (int i = 0; i < 10; ++i) main.lstTasks.addItem("old" + std::to_string(i), i % 2 == 0);
  for (int i = 0; i < 5; ++i) main.lstignore.addItem("old" + std::to_string(i));
  main.cmdok.click();
  EXPECT_EQ(StoredCount(config::kTasksKey) + StoredCount(config::kIgnoreListKey), 15);
  main.lstTasks.clear();
  main.lstignore.clear();
  for (const char* row : {"a,b", "Untitled - Notepad", "x,"}) main.lstTasks.addItem(row, row[0] != 'U');
  for (const char* row : {"Setup", "Install"}) main.lstignore.addItem(row);
  main.cmdok.click();
  EXPECT_EQ(Stored(config::kTasksKey), (std::vector<std::string>{"a,b,1", "Untitled - Notepad,0", "x,,1"}));
  EXPECT_EQ(Stored(config::kIgnoreListKey), (std::vector<std::string>{"Setup", "Install"}));
  EXPECT_EQ(StoredCount(config::kTasksKey) + StoredCount(config::kIgnoreListKey), 5) << "no tail left";
  EXPECT_EQ(testing_support::Rows(main.lstTasks),
            (std::vector<std::string>{"a,b", "Untitled - Notepad", "x,"}))
      << "reloaded";
  EXPECT_FALSE(main.lstTasks.selected(1));
  EXPECT_EQ(main.lblTaskCount.caption(), "Tasks Locked: 2");

  main.lstTasks.clear();
  main.lstignore.clear();
  main.cmdok.click();
  EXPECT_EQ(StoredCount(config::kTasksKey), 0);
  EXPECT_TRUE(fakes.registry.KeyExists(config::kMachine, config::kTasksKey)) << "the tasks key stays";
  EXPECT_FALSE(fakes.registry.KeyExists(config::kMachine, config::kIgnoreListKey));
}

// Each option and rule switch: loaded from "1" and "0" (a number for the
// registry tools) into its check box and its rule, and saved back from the box.
struct SwitchCase {
  const char* name;
  ui::CheckBox app::FrmKestrove::*box;
  std::function<bool(const engine::Globals&)> rule;  // none for plain options
  bool dword = false;
};

class SwitchTest : public ApplyTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(SwitchTest, LoadedAndSavedAsOneOrZero) {
  const SwitchCase& c = GetParam();
  ui::CheckBox& box = main.*c.box;
  const auto stored = [&]() -> std::string {
    if (!c.dword) return Setting(c.name).value_or("missing");
    const auto value = fakes.registry.Get(config::kMachine, config::kSettingsKey, c.name);
    return value && value->type == RegType::kDword
               ? std::to_string(program.registry().ReadDword(config::kMachine, config::kSettingsKey, c.name))
               : "not a number";
  };
  // Loaded from one value, then saved as the other.
  for (const bool on : {true, false}) {
    c.dword ? fakes.registry.PutDword(config::kMachine, config::kSettingsKey, c.name, on ? 1 : 0)
            : PutSetting(c.name, on ? "1" : "0");
    main.GetConfig();
    EXPECT_TRUE(box.checked() == on && (!c.rule || c.rule(g) == on)) << "loaded " << on;
    box.setChecked(!on);
    main.cmdok.click();
    EXPECT_EQ(stored(), on ? "0" : "1");
    EXPECT_TRUE(!c.rule || c.rule(g) != on) << "saved " << !on;
  }
}

using F = app::FrmKestrove;
using G = const engine::Globals&;
const SwitchCase kSwitches[] = {
    {"Tray", &F::chkTray, nullptr},
    {"Startup", &F::chkStartup, nullptr},
    {"HideSM", &F::chkHideSM, nullptr},
    {"LockIE", &F::chkLockIE2, [](G g) { return g.ruleIE == 1; }},
    {"chkLock3Party", &F::chkLock3Party, [](G g) { return g.ruleBrowsers; }},
    {"LockEx", &F::chkLockEx1, [](G g) { return g.ruleExplorer; }},
    {"TaskManager", &F::chkTaskManager1, [](G g) { return g.ruleTaskManager; }},
    {"LockInstall", &F::chklockinstall1, [](G g) { return g.ruleInstall; }},
    {"DisableRegistryTools", &F::chkDisableRegistry, [](G g) { return g.ruleRegistryTools; }, true},
};
INSTANTIATE_TEST_SUITE_P(Options, SwitchTest, ::testing::ValuesIn(kSwitches),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ApplyTest, ARegistryThatRefusesWritesPutsEveryControlBack) {
  PutTask(0, "Kept,1");
  PutSetting("LockEx", "1");
  main.GetConfig();
  fakes.registry.FailWritesFrom(1);
  main.lstTasks.addItem("New", true);
  main.chkLockEx1.setChecked(false);
  main.chkTaskManager1.setChecked(true);
  main.cmdok.click();
  EXPECT_EQ(testing_support::Rows(main.lstTasks), std::vector<std::string>{"Kept"});
  EXPECT_TRUE(main.chkLockEx1.checked() && !main.chkTaskManager1.checked());
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
  for (const char* row : {"x", "y"}) main.lstignore.addItem(row);
  main.cmdok.click();
  fakes.loop.on_do_events = nullptr;
  EXPECT_EQ(g.messageText, "Invalid property array index0");
  EXPECT_TRUE(program.frmError.visible());
  EXPECT_EQ(main.cmdcancel.caption(), "Cancel");
  EXPECT_FALSE(fakes.registry.Get(config::kMachine, config::kSettingsKey, "Startup")) << "no further writes";
}

// A kill after any single write leaves the new values written so far, then
// the old ones: the old list, the new list or a mix of the two in that
// order, never an empty or shortened one.
bool Usable(const std::vector<std::string>& got, const std::vector<std::string>& before,
            const std::vector<std::string>& after) {
  std::size_t k = 0;
  while (k < got.size() && k < after.size() && got[k] == after[k]) ++k;
  for (std::size_t i = k; i < got.size(); ++i) {
    if (i >= before.size() || got[i] != before[i]) return false;
  }
  return got.size() >= (k < after.size() ? before.size() : after.size());
}

TEST_F(ApplyTest, AKillAtAnyPointLeavesAUsableList) {
  const std::vector<std::string> old_tasks{"o0,1", "o1,0", "o2,1", "o3,1", "o4,0"};
  const std::vector<std::string> old_ignore{"i0", "i1", "i2", "i3"};
  for (int n = 0; n < 5; ++n) PutTask(n, old_tasks[n]);
  for (int n = 0; n < 4; ++n) PutIgnore(n, old_ignore[n]);
  main.GetConfig();
  main.lstTasks.clear();
  main.lstignore.clear();
  for (const char* row : {"n0", "n1", "n2"}) main.lstTasks.addItem(row, row[1] != '2');
  for (const char* row : {"j0", "j1"}) main.lstignore.addItem(row);
  const std::vector<std::string> new_tasks{"n0,1", "n1,1", "n2,0"};
  const std::vector<std::string> new_ignore{"j0", "j1"};
  int writes = 0;
  fakes.registry.after_write = [&] {
    ++writes;
    EXPECT_TRUE(Usable(Stored(config::kTasksKey), old_tasks, new_tasks)) << "tasks after write " << writes;
    EXPECT_TRUE(Usable(Stored(config::kIgnoreListKey), old_ignore, new_ignore)) << "ignore list, " << writes;
  };
  main.cmdok.click();
  fakes.registry.after_write = nullptr;
  EXPECT_GT(writes, 10);
  EXPECT_EQ(Stored(config::kTasksKey), new_tasks);
  EXPECT_EQ(Stored(config::kIgnoreListKey), new_ignore);
}

}  // namespace
