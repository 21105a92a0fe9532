// The watch tick through the main window's models and the fake desktop:
// matching, allow and ignore lists, the lock record, hiding, maintenance.
#include <gtest/gtest.h>

#include "support/program_fixture.h"

namespace {

using platform::ShowCommand;
using platform::WindowId;

class WatchCycleTest : public testing_support::ProgramTest {
 protected:
  void SetUp() override { StartQuietly(); }

  // Replaces the task list with the given rows.
  void Tasks(std::initializer_list<std::pair<std::string, bool>> rows) {
    main.lstTasks.clear();
    for (const auto& [entry, checked] : rows) main.lstTasks.addItem(entry, checked);
  }
  WindowId Foreground(std::string title, std::string class_name = "Notepad") {
    const WindowId id = fakes.desktop.Open(std::move(title), std::move(class_name));
    fakes.desktop.SetForeground(id);
    return id;
  }
  bool Locked(WindowId id) {
    const auto& w = fakes.desktop.Get(id);
    return w.title == "###" && !w.visible;
  }
};

struct MatchCase {
  const char* what;
  std::string entry;
  bool checked;
  std::string title;
  std::vector<std::string> allow;
  std::vector<std::string> ignore;
  bool locks;
};

class WatchMatchTest : public WatchCycleTest, public ::testing::WithParamInterface<MatchCase> {};

TEST_P(WatchMatchTest, LocksExactlyWhenItShould) {
  const MatchCase& c = GetParam();
  Tasks({{c.entry, c.checked}});
  for (const auto& row : c.allow) main.lstAllow.addItem(row);
  for (const auto& row : c.ignore) main.lstignore.addItem(row);
  const WindowId id = Foreground(c.title);
  Tick();
  EXPECT_EQ(Locked(id), c.locks) << c.what;
  EXPECT_EQ(g.lockReason, c.locks ? "app" : "") << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Matching, WatchMatchTest,
    ::testing::Values(
        MatchCase{"case-sensitive substring", "Notepad", true, "Untitled - Notepad", {}, {}, true},
        MatchCase{"other letter case", "Notepad", true, "untitled - notepad", {}, {}, false},
        MatchCase{"unchecked entry", "Notepad", false, "Untitled - Notepad", {}, {}, false},
        MatchCase{"empty title", "Notepad", true, "", {}, {}, false},
        MatchCase{"empty entry locks any titled window", "", true, "Calculator", {}, {}, true},
        MatchCase{"empty entry spares an untitled window", "", true, "", {}, {}, false},
        MatchCase{"unicode title", "Блокнот", true, "Документ — Блокнот 記事", {}, {}, true},
        MatchCase{"allowed by class", "Notepad", true, "Untitled - Notepad", {"Notepad"}, {}, false},
        MatchCase{"allowed by whole title",
                  "Notepad",
                  true,
                  "Untitled - Notepad",
                  {"Untitled - Notepad"},
                  {},
                  false},
        MatchCase{"allow row only contained in title",
                  "Notepad",
                  true,
                  "Untitled - Notepad",
                  {"Untitled"},
                  {},
                  true},
        MatchCase{"allow row in other case", "Notepad", true, "Untitled - Notepad", {"notepad"}, {}, true},
        MatchCase{
            "ignore entry inside the task entry", "Notepad", true, "Untitled - Notepad", {}, {"Note"}, false},
        MatchCase{
            "ignore entry only in the title", "Notepad", true, "Untitled - Notepad", {}, {"Untitled"}, true}),
    [](const auto& info) {
      std::string name;
      for (const char ch : std::string(info.param.what)) {
        if (std::isalnum(static_cast<unsigned char>(ch)) != 0) name += ch;
      }
      return name;
    });

TEST_F(WatchCycleTest, LockFillsTheRecordAndRaisesThePrompt) {
  Tasks({{"Notepad", true}});
  const WindowId id = Foreground("Untitled - Notepad");
  Tick();
  EXPECT_EQ(g.lockedWindow, id);
  EXPECT_EQ(g.lockedTaskEntry, "Notepad");
  EXPECT_EQ(g.lockedWindowClass, "Notepad");
  EXPECT_TRUE(program.frmPassword.visible());
}

TEST_F(WatchCycleTest, EveryMatchingRowRunsTheHideAndTheLastOneStays) {
  Tasks({{"Notepad", true}, {"Untitled", true}, {"Calc", true}});
  const WindowId id = Foreground("Untitled - Notepad");
  Tick();
  EXPECT_EQ(g.lockedTaskEntry, "Untitled");
  int hides = 0;
  for (const auto& call : fakes.desktop.show_calls())
    hides += call.window == id && call.command == ShowCommand::kHide;
  EXPECT_EQ(hides, 2);
}

TEST_F(WatchCycleTest, ALaterMatchOverwritesTheRecordAndTheFirstWindowStaysHidden) {
  Tasks({{"Notepad", true}, {"Calculator", true}});
  const WindowId first = Foreground("Untitled - Notepad");
  Tick();
  const WindowId second = Foreground("Calculator", "SciCalc");
  Tick();
  EXPECT_TRUE(Locked(first));
  EXPECT_TRUE(Locked(second));
  EXPECT_EQ(g.lockedWindow, second);
  EXPECT_EQ(g.lockedTaskEntry, "Calculator");
  EXPECT_EQ(g.lockedWindowClass, "SciCalc");
}

TEST_F(WatchCycleTest, AWindowThatRefusesToHideIsMinimised) {
  Tasks({{"Notepad", true}});
  const WindowId id = Foreground("Untitled - Notepad");
  fakes.desktop.Edit(id).refuses_hide = true;
  Tick();
  const auto& w = fakes.desktop.Get(id);
  EXPECT_EQ(w.title, "###");
  EXPECT_TRUE(w.minimized);
  std::vector<ShowCommand> commands;
  for (const auto& call : fakes.desktop.show_calls()) {
    if (call.window == id) commands.push_back(call.command);
  }
  EXPECT_EQ(commands, (std::vector<ShowCommand>{ShowCommand::kHide, ShowCommand::kMinimize}));
}

TEST_F(WatchCycleTest, NoForegroundWindowLocksNothing) {
  Tasks({{"", true}});
  fakes.desktop.Open("Untitled - Notepad", "Notepad");
  fakes.desktop.SetForeground(platform::kNoWindow);
  Tick();
  EXPECT_EQ(g.lockReason, "");
  EXPECT_EQ(program.watch.foregroundTitle, "");
}

TEST_F(WatchCycleTest, UnrestrictedAccountSkipsTheScanButNotAPendingReload) {
  fakes.registry.PutString(config::kUser, config::kSettingsKey, config::kCurrentUser, "Enabled");
  PutIgnore(0, "Setup");
  g.reloadPending = true;
  Tick();
  ASSERT_TRUE(g.userUnrestricted);
  EXPECT_FALSE(g.reloadPending);
  ASSERT_EQ(main.lstignore.listCount(), 1);

  Tasks({{"Notepad", true}});
  main.lstAllow.addItem("GoneClass");
  const WindowId id = Foreground("Untitled - Notepad");
  Tick();
  EXPECT_FALSE(Locked(id));
  EXPECT_EQ(main.lstAllow.listCount(), 1) << "the allow list is not trimmed while unrestricted";
}

TEST_F(WatchCycleTest, PendingReloadRebuildsTheIgnoreListOnce) {
  main.lstignore.addItem("Stale");
  PutIgnore(0, "Fresh");
  g.reloadPending = true;
  Tick();
  ASSERT_EQ(main.lstignore.listCount(), 1);
  EXPECT_EQ(main.lstignore.list(0), "Fresh");
  main.lstignore.addItem("Kept");
  Tick();
  EXPECT_EQ(main.lstignore.listCount(), 2) << "no reload without a new request";
}

TEST_F(WatchCycleTest, StaleAllowRowsLeaveOnePerTick) {
  const WindowId notepad = fakes.desktop.Open("Untitled - Notepad", "Notepad");
  main.lstAllow.addItem("Notepad");
  main.lstAllow.addItem("GoneA");
  main.lstAllow.addItem("GoneB");
  Tick();
  ASSERT_EQ(main.lstAllow.listCount(), 2);
  EXPECT_EQ(main.lstAllow.list(1), "GoneB");
  Tick();
  ASSERT_EQ(main.lstAllow.listCount(), 1);
  EXPECT_EQ(main.lstAllow.list(0), "Notepad");

  // The class stays allowed while any window of it exists.
  Tasks({{"Notepad", true}});
  const WindowId second = Foreground("Other - Notepad");
  Tick();
  EXPECT_FALSE(Locked(second));
  fakes.desktop.Close(second);
  fakes.desktop.Close(notepad);
  Tick();
  EXPECT_EQ(main.lstAllow.listCount(), 0);
}

TEST_F(WatchCycleTest, ARowRemovedWhileTheScanYieldsIsReportedAsATickFailure) {
  Tasks({{"Calc", true}, {"Notepad", true}});
  const WindowId id = Foreground("Untitled - Notepad");
  fakes.loop.on_do_events = [this](int) {
    if (main.lstTasks.listCount() == 2) main.lstTasks.removeItem(1);
  };
  Tick();
  fakes.loop.on_do_events = nullptr;
  EXPECT_EQ(g.messageText, "Error: \"Invalid property array index\".");
  EXPECT_TRUE(program.frmError.visible());
  EXPECT_EQ(program.frmError.Label1.caption(), g.messageText);

  // The next tick runs normally (the message took the foreground).
  Tasks({{"Notepad", true}});
  fakes.desktop.SetForeground(id);
  Tick();
  EXPECT_EQ(g.lockReason, "app");
}

TEST_F(WatchCycleTest, TheTickRunsEverySecondFromStart) {
  Tasks({{"Notepad", true}});
  const WindowId id = Foreground("Untitled - Notepad");
  fakes.loop.Advance(999);
  EXPECT_FALSE(Locked(id));
  fakes.loop.Advance(1);
  EXPECT_TRUE(Locked(id));
}

}  // namespace
