// The daily usage count-down with the virtual clock: minutes, the red label
// and beep of the last nine, the lock that cannot be cancelled.
#include <gtest/gtest.h>

#include "app/day_stamp.h"
#include "support/program_fixture.h"

namespace {

constexpr std::uint64_t kMinute = 60000;

class SessionLimitTest : public testing_support::ProgramTest {
 protected:
  void StartWith(const char* limit, const char* ticks_today = nullptr) {
    program.settings.SaveSetting("kestrove", "setting", "timer", limit);
    if (ticks_today != nullptr) {
      program.settings.SaveSetting("kestrove", "setting", "date",
                                   app::StampText(app::TodayStamp(fakes.clock.now)));
      program.settings.SaveSetting("kestrove", "setting", "tickCount", ticks_today);
    }
    StartQuietly();
  }
  std::string TickCount() { return program.settings.GetSetting("kestrove", "setting", "tickCount"); }
  engine::FrmTickCount& window = program.frmtickCount;
};

TEST_F(SessionLimitTest, ThreeMinutesLockAtTheThirdTick) {
  StartWith("3");
  fakes.loop.Advance(kMinute);
  EXPECT_EQ(window.txttickCount.caption(), "2 Minutes.");
  EXPECT_EQ(window.txttickCount.foreColor(), ui::kRed);
  EXPECT_EQ(fakes.dialogs.beeps, 1);
  EXPECT_EQ(TickCount(), "2");
  fakes.loop.Advance(kMinute);
  EXPECT_EQ(window.txttickCount.caption(), "1 Minutes.");
  EXPECT_EQ(fakes.dialogs.beeps, 2);
  EXPECT_FALSE(program.frmPassword.loaded());

  fakes.loop.Advance(kMinute);
  EXPECT_TRUE(program.frmPassword.visible());
  EXPECT_FALSE(program.frmPassword.cmdCancelPWD.enabled());
  EXPECT_EQ(g.lockReason, "app");
  EXPECT_EQ(g.lockedTaskEntry, "Expired Windows® Session");
  EXPECT_EQ(TickCount(), "0");
  EXPECT_FALSE(window.loaded());
  EXPECT_FALSE(main.tmrTimer.running());
  EXPECT_EQ(fakes.dialogs.beeps, 2) << "the closed window is not shown again";

  program.frmPassword.cmdCancelPWD.click();
  EXPECT_TRUE(program.frmPassword.visible()) << "only the right password ends it";
  fakes.loop.Advance(10 * kMinute);
  EXPECT_EQ(TickCount(), "0") << "the count-down is over for the run";
}

TEST_F(SessionLimitTest, PlentyOfMinutesStayBlueWithoutABeep) {
  StartWith("30");
  fakes.loop.Advance(kMinute);
  EXPECT_EQ(window.txttickCount.caption(), "29 Minutes.");
  EXPECT_EQ(window.txttickCount.foreColor(), 0x0000FFU);
  EXPECT_EQ(fakes.dialogs.beeps, 0);
  EXPECT_EQ(TickCount(), "29");
}

TEST_F(SessionLimitTest, AStoredCountOfOneLocksAtTheFirstTick) {
  StartWith("30", "1");
  fakes.loop.Advance(kMinute - 1);
  EXPECT_FALSE(program.frmPassword.loaded());
  fakes.loop.Advance(1);
  EXPECT_TRUE(program.frmPassword.visible());
  EXPECT_EQ(TickCount(), "0");
}

TEST_F(SessionLimitTest, TheExpiredSessionTakesOverAPromptAlreadyOpen) {
  StartWith("1");
  g.lockReason = "reg";
  program.ShowUnlockPrompt();
  ASSERT_TRUE(program.frmPassword.cmdCancelPWD.enabled());
  fakes.loop.Advance(kMinute);
  EXPECT_EQ(g.lockReason, "app");
  EXPECT_FALSE(program.frmPassword.cmdCancelPWD.enabled());
  EXPECT_TRUE(g.startupLockDone);
  PutSetting("Startup", "1");
  main.GetConfig();
  EXPECT_EQ(g.lockedTaskEntry, "Expired Windows® Session") << "no startup lock on top of it";
}

}  // namespace
