// The quick look at the foreground between watch ticks: a change of the
// foreground window or of its title runs the watch tick at once, exactly
// once; no change runs nothing; a change while a tick yields is looked at
// once the tick ends. A window event runs the same look as it comes, and a
// burst of events runs it once.
#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "support/program_fixture.h"

namespace {

using platform::WindowId;

class ForegroundCheckTest : public testing_support::ProgramTest {
 protected:
  void SetUp() override {
    StartQuietly();
    main.lstTasks.addItem("Notepad", true);
    main.tmrForeground.setTimerEnabled(true);
    fakes.loop.Advance(100);  // the check has seen the foreground as it is
  }
  // Watch ticks run in the next ms of virtual time, counted by their scans
  // (each reads the foreground window's class once).
  int TicksIn(std::uint64_t ms) {
    const int before = fakes.desktop.class_reads();
    fakes.loop.Advance(ms);
    return fakes.desktop.class_reads() - before;
  }
  // Before the next timed tick (the last ran at a whole second).
  std::uint64_t UntilNextTick() { return 1000 - fakes.loop.NowMs() % 1000 - 1; }
};

// A new foreground window, then no change, then its title changed: one
// early tick for each change, none without one.
TEST_F(ForegroundCheckTest, EachChangeOfTheForegroundOrItsTitleRunsOneEarlyTick) {
  const WindowId browser = fakes.desktop.Open("Start page", "Browser");
  fakes.desktop.SetForeground(browser);
  EXPECT_EQ(TicksIn(50), 1);
  EXPECT_EQ(TicksIn(UntilNextTick()), 0);
  EXPECT_EQ(TicksIn(1), 1) << "the timed tick";
  EXPECT_TRUE(fakes.desktop.Get(browser).visible);
  fakes.desktop.SetTitle(browser, "Notepad help");
  EXPECT_EQ(TicksIn(50), 1);
  EXPECT_FALSE(fakes.desktop.Get(browser).visible);
}

// The tick has read the foreground before it yields; the look that comes
// during the yield is turned away, and the next one must still see the new
// window as a change.
TEST_F(ForegroundCheckTest, AChangeWhileATickYieldsIsLookedAtOnceTheTickEnds) {
  // A list long enough for the tick to yield, with time passing as it works.
  for (int i = 0; i < 200; ++i) main.lstTasks.addItem("Program " + std::to_string(i), true);
  fakes.loop.ms_per_clock_read = 1;
  WindowId notepad = platform::kNoWindow;
  AtYield(1, [&] {
    notepad = Foreground("Untitled - Notepad");
    main.tmrForeground.on_timer();  // the quick look, as its timer runs it
  });
  main.timerKestrove.on_timer();
  ASSERT_NE(notepad, platform::kNoWindow) << "the tick yielded";
  ASSERT_FALSE(Hidden(notepad)) << "the tick had read the foreground before";
  EXPECT_EQ(TicksIn(50), 1);
  EXPECT_TRUE(Hidden(notepad));
}

// ---- Window events -----------------------------------------------------------

// The event comes with no time passing: the lock is the event's, not a timer's.
TEST_F(ForegroundCheckTest, AWindowEventLocksAsTheQuickLookDoes) {
  // Each in a window class of its own: the answered lock allows its class.
  const struct {
    const char* what;
    const char* window_class;
    std::function<void()> look;
  } cases[] = {
      {"the quick look", "Notepad", [this] { fakes.loop.Advance(50); }},
      {"a window event", "Notepad2",
       [this] {
         fakes.loop.SendWindowEvent();
         fakes.loop.DoEvents();
       }},
  };
  for (const auto& c : cases) {
    const WindowId notepad = Foreground("Untitled - Notepad", c.window_class);
    const int before = fakes.desktop.class_reads();
    c.look();
    EXPECT_EQ(fakes.desktop.class_reads() - before, 1) << c.what << ": one watch tick";
    EXPECT_TRUE(Hidden(notepad)) << c.what;
    EXPECT_EQ(fakes.desktop.Get(notepad).title, "###") << c.what;
    EXPECT_EQ(record.lockReason, "app") << c.what;
    EXPECT_EQ(record.lockedWindow, notepad) << c.what;
    // Shown again by another program: hidden again at the next event too.
    fakes.desktop.ShowAsync(notepad, platform::ShowCommand::kRestore);
    fakes.desktop.SetForeground(notepad);
    fakes.loop.SendWindowEvent();
    fakes.loop.DoEvents();
    EXPECT_TRUE(Hidden(notepad)) << c.what << ", then a window event";
    Type("tavrolk");
  }
}

// Shown, brought forward and renamed before the window thread gets to it:
// the burst costs what one event costs, one look and one watch tick.
TEST_F(ForegroundCheckTest, ABurstOfWindowEventsRunsOneLookAndOneWatchTick) {
  const auto cost = [this](int events) {
    const WindowId browser = fakes.desktop.Open("Start page", "Browser");
    fakes.desktop.SetForeground(browser);
    fakes.desktop.SetTitle(browser, "News");
    for (int i = 0; i < events; ++i) fakes.loop.SendWindowEvent();
    const int reads = fakes.desktop.foreground_reads();
    const int ticks = fakes.desktop.class_reads();
    fakes.loop.DoEvents();
    return std::pair(fakes.desktop.foreground_reads() - reads, fakes.desktop.class_reads() - ticks);
  };
  const auto one = cost(1);
  ASSERT_EQ(one.second, 1) << "one event, one watch tick";
  EXPECT_EQ(cost(3), one);
}

}  // namespace
