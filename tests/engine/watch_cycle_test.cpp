// The watch tick through the main window's models and the fake desktop:
// matching, allow and ignore lists, the lock record, hiding, maintenance.
#include <gtest/gtest.h>

#include "support/program_fixture.h"

namespace {

using platform::ShowCommand;
using platform::WindowId;
using testing_support::Rows;

class WatchCycleTest : public testing_support::ProgramTest {
 protected:
  void SetUp() override { StartQuietly(); }

  // Replaces the task list with the given rows.
  void Tasks(std::initializer_list<std::pair<std::string, bool>> rows) {
    main.lstTasks.clear();
    for (const auto& [entry, checked] : rows) main.lstTasks.addItem(entry, checked);
  }
  bool Locked(WindowId id) { return fakes.desktop.Get(id).title == "###" && Hidden(id); }
};

// One checked or unchecked task entry, at most one allow and one ignore row,
// and a foreground window's title.
struct MatchCase {
  const char* name;
  const char* entry;
  bool checked;
  const char* title;
  const char* allow;   // nullptr: none
  const char* ignore;  // nullptr: none
  bool locks;
};

class WatchMatchTest : public WatchCycleTest, public ::testing::WithParamInterface<MatchCase> {};

TEST_P(WatchMatchTest, LocksExactlyWhenItShould) {
  const MatchCase& c = GetParam();
  Tasks({{c.entry, c.checked}});
  if (c.allow != nullptr) main.lstAllow.addItem(c.allow);
  if (c.ignore != nullptr) main.lstignore.addItem(c.ignore);
  const WindowId id = Foreground(c.title);
  Tick();
  EXPECT_EQ(Locked(id), c.locks);
  EXPECT_EQ(record.lockReason, c.locks ? "app" : "");
}

const char* const kTitle = "Untitled - Notepad";
// A browser tab's or a document's long title, with the entry past the 254th character.
const std::string kLongTitle = std::string(250, 'a') + " - Secret";
const MatchCase kMatchCases[] = {
    {"CaseSensitiveSubstring", "Notepad", true, kTitle, nullptr, nullptr, true},
    {"OtherLetterCase", "Notepad", true, "untitled - notepad", nullptr, nullptr, false},
    {"UncheckedEntry", "Notepad", false, kTitle, nullptr, nullptr, false},
    {"EmptyTitle", "Notepad", true, "", nullptr, nullptr, false},
    {"EmptyEntryLocksAnyTitledWindow", "", true, "Calculator", nullptr, nullptr, true},
    {"EmptyEntrySparesAnUntitledWindow", "", true, "", nullptr, nullptr, false},
    {"EntryAtTheEndOfALongTitle", "Secret", true, kLongTitle.c_str(), nullptr, nullptr, true},
    {"UnicodeTitle", "Блокнот", true, "Документ — Блокнот 記事", nullptr, nullptr, true},
    {"AllowedByClass", "Notepad", true, kTitle, "Notepad", nullptr, false},
    {"AllowedByWholeTitle", "Notepad", true, kTitle, kTitle, nullptr, false},
    {"AllowRowOnlyContainedInTitle", "Notepad", true, kTitle, "Untitled", nullptr, true},
    {"AllowRowInOtherCase", "Notepad", true, kTitle, "notepad", nullptr, true},
    {"IgnoreEntryInsideTheTaskEntry", "Notepad", true, kTitle, nullptr, "Note", false},
    {"IgnoreEntryOnlyInTheTitle", "Notepad", true, kTitle, nullptr, "Untitled", true},
};
INSTANTIATE_TEST_SUITE_P(Matching, WatchMatchTest, ::testing::ValuesIn(kMatchCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Each tick, a second apart, hides the window once for every matching row;
// the last match stays in the record, and earlier windows stay hidden.
TEST_F(WatchCycleTest, EveryMatchHidesAndTheLastStaysInTheRecord) {
  Tasks({{"Notepad", true}, {"Untitled", true}, {"Calculator", true}});
  const WindowId first = Foreground("Untitled - Notepad");
  fakes.loop.Advance(999);
  EXPECT_FALSE(Locked(first));
  fakes.loop.Advance(1);
  EXPECT_EQ(ShowsOf(first), (std::vector<ShowCommand>{ShowCommand::kHide, ShowCommand::kHide}));
  EXPECT_TRUE(record.lockedWindow == first && prompt.visible());
  EXPECT_EQ(record.lockedTaskEntry + "|" + record.lockedWindowClass, "Untitled|Notepad");
  const WindowId second = Foreground("Calculator", "SciCalc");
  Tick();
  EXPECT_TRUE(Locked(first) && Locked(second));
  EXPECT_EQ(record.lockedWindow, second);
  EXPECT_EQ(record.lockedTaskEntry + "|" + record.lockedWindowClass, "Calculator|SciCalc");
}

// A locked window that comes forward again with its title still matching (a
// hung program never took "###", or its program put its title back) is
// hidden again; it does not take the prompt from the newer lock.
TEST_F(WatchCycleTest, AWindowALockHoldsIsNotLockedAgainOverANewerLock) {
  Tasks({{"Notepad", true}, {"Ledger", true}});
  const WindowId notepad = Foreground("Untitled - Notepad");
  Tick();
  const WindowId ledger = Foreground("Ledger");
  Tick();
  fakes.desktop.Edit(notepad) = {.id = notepad, .title = "Untitled - Notepad", .class_name = "Notepad"};
  fakes.desktop.SetForeground(notepad);
  Tick();
  EXPECT_EQ(record.lockedWindow, ledger);
  EXPECT_TRUE(Hidden(notepad));
}

TEST_F(WatchCycleTest, AWindowThatRefusesToHideIsMinimised) {
  Tasks({{"Notepad", true}});
  const WindowId id = Foreground("Untitled - Notepad");
  fakes.desktop.Edit(id).refuses_hide = true;
  Tick();
  EXPECT_EQ(fakes.desktop.Get(id).title, "###");
  EXPECT_EQ(ShowsOf(id), (std::vector<ShowCommand>{ShowCommand::kHide, ShowCommand::kMinimize}));
}

TEST_F(WatchCycleTest, UnrestrictedAccountSkipsTheScanAndTheRulesButNotAPendingReload) {
  fakes.registry.PutString(config::kUser, config::kSettingsKey, config::kCurrentUser, "Enabled");
  PutIgnore(0, "Setup");
  PutSetting("LockIE", "1");
  program.RequestReload();
  Tick();
  ASSERT_TRUE(g.userUnrestricted && !program.reloadPending() && main.lstignore.listCount() == 1);
  Tasks({{"Notepad", true}});
  main.lstAllow.addItem("GoneClass");
  const WindowId ie = fakes.desktop.Open("IE", "IEFrame");
  const WindowId id = Foreground("Uninstall Kestrove Pro - Notepad");
  Tick();
  EXPECT_FALSE(Locked(id) || Hidden(ie) || prompt.loaded());
  EXPECT_EQ(main.lstAllow.listCount(), 1) << "the allow list is not trimmed while unrestricted";
}

TEST_F(WatchCycleTest, StaleAllowRowsLeaveOnePerTick) {
  const WindowId notepad = fakes.desktop.Open("Untitled - Notepad", "Notepad");
  main.lstAllow.addItem("Notepad");
  main.lstAllow.addItem("GoneA");
  main.lstAllow.addItem("GoneB");
  Tick();
  EXPECT_EQ(Rows(main.lstAllow), (std::vector<std::string>{"Notepad", "GoneB"}));
  Tick();
  EXPECT_EQ(Rows(main.lstAllow), std::vector<std::string>{"Notepad"});
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
  EXPECT_TRUE(program.frmError.visible() && program.frmError.Label1.caption() == g.messageText);
  // The next tick runs normally (the message took the foreground).
  Tasks({{"Notepad", true}});
  fakes.desktop.SetForeground(id);
  Tick();
  EXPECT_EQ(record.lockReason, "app");
}

}  // namespace
