// The watch tick through the main window's models and the fake desktop:
// matching, allow and ignore lists, the lock record, hiding, maintenance.
#include <gtest/gtest.h>

#include "support/program_fixture.h"

namespace {

using platform::ShowCommand;
using platform::WindowId;
using testing_support::Rows;

class WatchCycleTest : public testing_support::StartedProgramTest {
 protected:
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
  SetTasks({{c.entry, c.checked}});
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
  SetTasks({{"Notepad", true}, {"Untitled", true}, {"Calculator", true}});
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
  SetTasks({{"Notepad", true}, {"Ledger", true}});
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
  SetTasks({{"Notepad", true}});
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
  SetTasks({{"Notepad", true}});
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
  SetTasks({{"Notepad", true}});
  const WindowId second = Foreground("Other - Notepad");
  Tick();
  EXPECT_FALSE(Locked(second));
  fakes.desktop.Close(second);
  fakes.desktop.Close(notepad);
  Tick();
  EXPECT_EQ(main.lstAllow.listCount(), 0);
}

// The scan yields by elapsed time: here each look at the clock finds 1 ms
// gone by, so the loops' events run every few ms of work, whatever the rows.
class WatchYieldTest : public WatchCycleTest {
 protected:
  void SetUp() override {
    WatchCycleTest::SetUp();
    fakes.loop.ms_per_clock_read = 1;
  }
  void TearDown() override {
    fakes.loop.ms_per_clock_read = 0;
    fakes.loop.on_do_events = nullptr;
  }
  // n ignore rows that no entry contains.
  void IgnoreRows(int n) {
    for (int k = 0; k < n; ++k) main.lstignore.addItem("absent " + std::to_string(k));
  }
};

TEST_F(WatchYieldTest, YieldsEveryFewMillisecondsOfWorkAndNotAtEveryRow) {
  SetTasks({{"Notepad", true}, {"Untitled", true}, {"Calc", true}});
  for (int j = 0; j < 500; ++j) main.lstAllow.addItem("Class" + std::to_string(j));
  for (int j = 0; j < 500; ++j) fakes.desktop.Open("", "Class" + std::to_string(j), false);
  IgnoreRows(1000);
  main.lstignore.addItem("Untitled");  // the second entry is ignored
  const WindowId id = Foreground("Untitled - Notepad");
  std::vector<std::uint64_t> yields_at;
  fakes.loop.on_do_events = [&](int) { yields_at.push_back(fakes.loop.NowMs()); };
  const std::uint64_t start = fakes.loop.NowMs();
  main.timerKestrove.on_timer();
  const std::uint64_t end = fakes.loop.NowMs();
  fakes.loop.on_do_events = nullptr;
  EXPECT_TRUE(Locked(id) && record.lockedTaskEntry == "Notepad");
  // About 3000 rows: a yield at every row would be a yield per ms.
  ASSERT_FALSE(yields_at.empty());
  EXPECT_LT(yields_at.size(), (end - start) / 3);
  yields_at.insert(yields_at.begin(), start);
  yields_at.push_back(end);
  // The bound allows one look's step and the reads in this test's own hook.
  constexpr std::uint64_t kLongest = platform::YieldPacer::kIntervalMs + 3;
  for (std::size_t n = 1; n < yields_at.size(); ++n) {
    EXPECT_LE(yields_at[n] - yields_at[n - 1], kLongest) << "between yields " << n - 1 << " and " << n;
  }
}

TEST_F(WatchYieldTest, ARowRemovedWhileTheScanYieldsIsReportedAsATickFailure) {
  SetTasks({{"Notepad", true}, {"Notepad", true}});
  IgnoreRows(100);
  main.lstignore.addItem("pad");  // nothing is locked
  const WindowId id = Foreground("Untitled - Notepad");
  fakes.loop.on_do_events = [this](int) {
    if (main.lstTasks.listCount() == 2) main.lstTasks.removeItem(1);
  };
  Tick();
  fakes.loop.on_do_events = nullptr;
  EXPECT_EQ(g.messageText, "Error: \"Invalid property array index\".");
  EXPECT_TRUE(program.frmError.visible() && program.frmError.Label1.caption() == g.messageText);
  // The next tick runs normally (the message took the foreground).
  SetTasks({{"Notepad", true}});
  main.lstignore.clear();
  fakes.desktop.SetForeground(id);
  Tick();
  EXPECT_EQ(record.lockReason, "app");
}

// The entry under test is kept when its row goes during a yield of the
// ignore test, and the lock names it as it was read.
TEST_F(WatchYieldTest, AnEntryWhoseRowGoesDuringTheIgnoreTestStillLocks) {
  SetTasks({{"Untitled - Notepad", true}});  // longer than a short string's own buffer
  IgnoreRows(100);
  const WindowId id = Foreground("Untitled - Notepad - Secret plans");
  AtYield(1, [this] { main.lstTasks.clear(); });
  main.timerKestrove.on_timer();
  EXPECT_TRUE(Locked(id));
  EXPECT_EQ(record.lockedTaskEntry, "Untitled - Notepad");
}

// The allow test's answer is reused between task rows only until a yield:
// an allow row added during one counts for every later row.
TEST_F(WatchYieldTest, AnAllowRowAddedDuringAYieldCountsForTheNextEntries) {
  SetTasks({{"Untitled", true}, {"Notepad", true}});
  IgnoreRows(100);
  main.lstignore.addItem("Untitled");  // the first entry is ignored, after a yield
  const WindowId id = Foreground("Untitled - Notepad");
  AtYield(1, [this] { main.lstAllow.addItem("Notepad"); });
  main.timerKestrove.on_timer();
  EXPECT_FALSE(Locked(id));
  EXPECT_EQ(record.lockReason, "");
}

}  // namespace
