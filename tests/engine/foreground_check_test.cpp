// The quick look at the foreground between watch ticks: a change of the
// foreground window or of its title runs the watch tick at once, exactly
// once; no change runs nothing.
#include <gtest/gtest.h>

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

TEST_F(ForegroundCheckTest, ANewForegroundWindowIsLockedAtOnceByExactlyOneEarlyTick) {
  const WindowId notepad = fakes.desktop.Open("Untitled - Notepad", "Notepad");
  fakes.desktop.SetForeground(notepad);
  EXPECT_EQ(TicksIn(50), 1);
  EXPECT_FALSE(fakes.desktop.Get(notepad).visible);
  EXPECT_EQ(fakes.desktop.Get(notepad).title, "###");
  EXPECT_EQ(g.lockReason, "app");
}

TEST_F(ForegroundCheckTest, ATitleThatChangesIsLookedAtAgain) {
  const WindowId browser = fakes.desktop.Open("Start page", "Browser");
  fakes.desktop.SetForeground(browser);
  EXPECT_EQ(TicksIn(50), 1);
  EXPECT_TRUE(fakes.desktop.Get(browser).visible);
  fakes.desktop.SetTitle(browser, "Notepad help");
  EXPECT_EQ(TicksIn(50), 1);
  EXPECT_FALSE(fakes.desktop.Get(browser).visible);
}

TEST_F(ForegroundCheckTest, NoChangeRunsNoEarlyTick) {
  fakes.desktop.SetForeground(fakes.desktop.Open("Calculator", "SciCalc"));
  ASSERT_EQ(TicksIn(50), 1);
  EXPECT_EQ(TicksIn(UntilNextTick()), 0);
}

}  // namespace
