// The daily usage count-down with the virtual clock: minutes, the red label
// and beep of the last nine, the lock that cannot be cancelled.
#include <gtest/gtest.h>

#include "support/program_fixture.h"

namespace {

constexpr std::uint64_t kMinute = 60000;

class SessionLimitTest : public testing_support::ProgramTest {
 protected:
  void StartWith(const char* limit) {
    PutStore("timer", limit);
    StartQuietly();
  }
  engine::FrmTickCount& window = program.frmtickCount;
};

// Red with a beep from nine minutes left; at the end, a lock that cannot be
// cancelled, and the count-down is over for the run.
TEST_F(SessionLimitTest, ElevenMinutesLockAtTheEleventhTick) {
  StartWith("11");
  fakes.loop.Advance(kMinute);
  EXPECT_EQ(window.txttickCount.caption(), "10 Minutes.");
  EXPECT_TRUE(window.txttickCount.foreColor() == ui::kBlue && fakes.dialogs.beeps == 0);
  EXPECT_EQ(Store("tickCount"), "10");
  fakes.loop.Advance(kMinute);
  EXPECT_EQ(window.txttickCount.caption(), "9 Minutes.");
  EXPECT_TRUE(window.txttickCount.foreColor() == ui::kRed && fakes.dialogs.beeps == 1);
  fakes.loop.Advance(8 * kMinute);
  EXPECT_EQ(window.txttickCount.caption(), "1 Minutes.");
  EXPECT_EQ(Store("tickCount"), "1");
  EXPECT_TRUE(fakes.dialogs.beeps == 9 && !prompt.loaded());

  fakes.loop.Advance(kMinute);
  EXPECT_TRUE(prompt.visible() && !prompt.cmdCancelPWD.enabled());
  EXPECT_EQ(record.lockReason, "app");
  EXPECT_EQ(record.lockedTaskEntry, "Expired Windows® Session");
  EXPECT_EQ(Store("tickCount"), "0");
  EXPECT_FALSE(window.loaded() || main.tmrTimer.running());
  EXPECT_EQ(fakes.dialogs.beeps, 9) << "the closed window is not shown again";
  prompt.cmdCancelPWD.click();
  EXPECT_TRUE(prompt.visible()) << "only the right password ends it";
  fakes.loop.Advance(10 * kMinute);
  EXPECT_EQ(Store("tickCount"), "0");
}

TEST_F(SessionLimitTest, TheExpiredSessionTakesOverAPromptAlreadyOpen) {
  StartWith("1");
  program.RaiseLock({.reason = engine::reason::kRegistry});
  ASSERT_TRUE(prompt.cmdCancelPWD.enabled());
  fakes.loop.Advance(kMinute);
  EXPECT_TRUE(record.lockReason == "app" && !prompt.cmdCancelPWD.enabled() && g.startupLockDone);
  PutSetting("Startup", "1");
  main.GetConfig();
  EXPECT_EQ(record.lockedTaskEntry, "Expired Windows® Session") << "no startup lock on top of it";
}

}  // namespace
