// Loads and saves while they yield: whatever runs in a yield (a click on
// Apply, a reload, the watch tick) never sees a list half loaded, never saves
// one, and never changes what a save writes. A standard user's load reads
// without asking for write access.
#include <gtest/gtest.h>

#include "support/program_fixture.h"

namespace {

using testing_support::Rows;

class LoadSaveYieldsTest : public testing_support::ProgramTest {
 protected:
  void SetUp() override {
    StartQuietly();
    OpenConfiguration();
    for (int n = 0; n < 3; ++n) PutTask(n, "T" + std::to_string(n) + ",1");
    PutIgnore(0, "old0");
    PutIgnore(1, "old1");
    main.GetConfig();
  }
  void TearDown() override { fakes.loop.ms_per_clock_read = 0; }
  // A load yields every few ms of its work: here each look at the clock
  // finds 1 ms gone by, so a load of the lists yields a few dozen times.
  void LetTimePass() { fakes.loop.ms_per_clock_read = 1; }
};

TEST_F(LoadSaveYieldsTest, TheListsAreWholeAtEveryYieldOfALoad) {
  PutTask(3, "T3,0");
  LetTimePass();
  std::vector<int> task_counts;
  std::vector<int> ignore_counts;
  fakes.loop.on_do_events = [&](int) {
    task_counts.push_back(main.lstTasks.listCount());
    ignore_counts.push_back(main.lstignore.listCount());
  };
  main.GetConfig();
  fakes.loop.on_do_events = nullptr;
  ASSERT_GE(task_counts.size(), 10U);
  for (const int count : task_counts) EXPECT_TRUE(count == 3 || count == 4) << count;
  for (const int count : ignore_counts) EXPECT_EQ(count, 2);
  EXPECT_EQ(main.lstTasks.listCount(), 4);
}

// Apply pressed during a load saves nothing from a list being loaded; a
// reload asked for meanwhile waits for the next tick and duplicates nothing.
TEST_F(LoadSaveYieldsTest, ApplyOrAReloadDuringALoadWritesAndDuplicatesNothing) {
  main.lstTasks.clear();  // an edit the load is about to replace
  const int writes = fakes.registry.writes();
  LetTimePass();
  AtYield(3, [&] {
    main.cmdok.click();
    program.RequestReload();
    Tick();
    main.GetConfig();
  });
  main.GetConfig();
  EXPECT_EQ(fakes.registry.writes(), writes) << "nothing saved from a list being loaded";
  EXPECT_TRUE(program.frmError.visible()) << "the user is told to press Apply again";
  EXPECT_EQ(Rows(main.lstTasks), (std::vector<std::string>{"T0", "T1", "T2"}));
  EXPECT_EQ(Rows(main.lstignore), (std::vector<std::string>{"old0", "old1"}));
  EXPECT_TRUE(program.reloadPending()) << "the next tick reloads";
  Tick();
  EXPECT_TRUE(!program.reloadPending() && main.lstTasks.listCount() == 3);
}

// The rows are taken before the first write: a reload or an edit in a yield
// of the ignore list's save cannot put other entries in place of the new
// ones, and a second Apply meanwhile writes nothing.
TEST_F(LoadSaveYieldsTest, NothingThatRunsDuringTheSaveChangesWhatIsWritten) {
  main.lstignore.clear();
  for (const char* row : {"new0", "new1", "new2"}) main.lstignore.addItem(row);
  main.lstTasks.removeItem(0);
  // The task values' deletes yield 998 times; the ignore list's writes come next.
  AtYield(999, [&] {
    main.lstignore.removeItem(0);
    main.cmdok.click();
    EXPECT_TRUE(program.frmError.visible()) << "the second press is refused, and said so";
    program.RequestReload();
    Tick();
  });
  main.cmdok.click();
  EXPECT_EQ(Stored(config::kIgnoreListKey), (std::vector<std::string>{"new0", "new1", "new2"}));
  EXPECT_EQ(Rows(main.lstignore), (std::vector<std::string>{"new0", "new1", "new2"}));
  EXPECT_EQ(Rows(main.lstTasks), (std::vector<std::string>{"T1", "T2"}));
  EXPECT_EQ(main.cmdcancel.caption(), "Close");
}

// "Administrator" ticked in a yield of Apply's save (the stale task values'
// deletes) and of its reload (the lists being read): no load starts in the
// middle of the save, and the tick, the lists and the switches are all kept.
TEST_F(LoadSaveYieldsTest, AdministratorTickedDuringApplyIsKeptWithEverythingSaved) {
  LetTimePass();
  for (const bool during_save : {true, false}) {
    SCOPED_TRACE(during_save ? "during the save" : "during the reload's reading");
    for (int n = 0; n < 3; ++n) PutTask(n, "T" + std::to_string(n) + ",1");
    PutSetting("TaskManager", "0");
    fakes.registry.PutString(config::kUser, config::kSettingsKey, config::kCurrentUser, "Disabled");
    main.GetConfig();
    main.lstTasks.removeItem(0);
    main.chkTaskManager1.setChecked(true);
    bool ticked = false;
    fakes.loop.on_do_events = [&](int) {
      const config::LoadSaveState& state = main.loadSave();
      const bool now = during_save ? state.saveRunning() : state.loadRunning() && !state.configLoading();
      if (ticked || !now) return;
      ticked = true;
      main.chkAdmin.click();
      EXPECT_EQ(Rows(main.lstTasks), (std::vector<std::string>{"T1", "T2"})) << "no list half saved";
    };
    main.cmdok.click();
    fakes.loop.on_do_events = nullptr;
    ASSERT_TRUE(ticked);
    Tick();
    EXPECT_EQ(fakes.registry.GetString(config::kUser, config::kSettingsKey, config::kCurrentUser), "Enabled");
    EXPECT_EQ(Stored(config::kTasksKey), (std::vector<std::string>{"T1,1", "T2,1"}));
    EXPECT_EQ(Stored(config::kIgnoreListKey), (std::vector<std::string>{"old0", "old1"}));
    EXPECT_EQ(Setting("TaskManager"), "1");
    EXPECT_TRUE(main.chkAdmin.checked() && g.userUnrestricted && g.ruleTaskManager);
    EXPECT_EQ(Rows(main.lstTasks), (std::vector<std::string>{"T1", "T2"}));
  }
}

TEST_F(LoadSaveYieldsTest, AStandardUserReadsWithoutAskingToWrite) {
  fakes.registry.read_only_root = config::kMachine;
  PutSetting("TaskManager", "1");
  main.GetConfig();
  EXPECT_EQ(fakes.registry.refused_opens(), 0);
  EXPECT_TRUE(main.lstTasks.listCount() == 3 && main.chkTaskManager1.checked());
}

}  // namespace
