// Start-up and shutdown through the main window's models: the start-up
// sequence, the daily usage limit, the password gate, a second start, Exit.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/day_stamp.h"
#include "support/program_fixture.h"

namespace {

using platform::fake::ProcessEnded;

class StartupTest : public testing_support::ProgramTest {
 protected:
  std::string Today() { return app::StampText(app::TodayStamp(fakes.clock.now)); }
};

TEST_F(StartupTest, StartsAfterASecondThenGuardsTheConfigurationWithThePassword) {
  PutSetting("DontShowUpdate", "1");
  bool timers_armed_during_delay = false;
  int yields_during_delay = 0;
  fakes.loop.on_do_events = [&](int) {
    if (main.caption() != "0") return;
    ++yields_during_delay;
    if (main.timerKestrove.running() || main.timerInstance.running()) timers_armed_during_delay = true;
  };
  program.Start();
  fakes.loop.on_do_events = nullptr;
  EXPECT_GT(yields_during_delay, 0) << "messages flow during the delay";
  EXPECT_FALSE(timers_armed_during_delay) << "nothing is armed during the delay";
  EXPECT_GE(fakes.loop.NowMs(), 1000U);
  EXPECT_EQ(main.caption(), "Kestrove Pro Configuration Tool");
  EXPECT_TRUE(main.timerInstance.running() && main.timerKestrove.running() && !main.Timer1.running());
  EXPECT_TRUE(g.startupLockDone && !main.loadSave().configLoading());
  EXPECT_EQ(g.appFolder, "C:\\Program Files\\Kestrove Pro\\");
  EXPECT_EQ(main.lblAbout.caption(), "Version: 7.6.3\rRelease: 2011\r");
  EXPECT_FALSE(fakes.desktop.Get(main.window()).close_command);
  EXPECT_EQ(fakes.registry.GetString(config::kMachine, config::kRunKey, config::kRunValue),
            "\"C:\\Program Files\\Kestrove Pro\\kstrv7.exe\"")
      << "quoted: the folder has a blank";
  const auto shows = ShowsOf(main.window());
  EXPECT_EQ(std::count(shows.begin(), shows.end(), platform::ShowCommand::kShow), 0)
      << "never before the password";
  EXPECT_TRUE(!main.visible() && prompt.visible());
  EXPECT_EQ(record.lockReason, "cfg");
  Type("tavrolk");
  EXPECT_TRUE(main.visible() && g.configAuthorised);
  main.cmdcancel.setCaption("Close");
  main.cmdcancel.click();
  EXPECT_FALSE(main.visible() || g.configAuthorised);
  EXPECT_EQ(main.cmdcancel.caption(), "Cancel");
  main.Show();
  EXPECT_TRUE(!main.visible() && prompt.visible()) << "shown again, the window asks again";
}

TEST_F(StartupTest, ACopyThatFindsAnotherRunningEndsUnseen) {
  fakes.process.another_instance = true;
  EXPECT_THROW(program.Start(), ProcessEnded);
  EXPECT_TRUE(main.caption() == "0" && !main.visible());
  EXPECT_FALSE(fakes.registry.Get(config::kMachine, config::kRunKey, config::kRunValue));
}

TEST_F(StartupTest, ASecondCopyStartedMeanwhileRaisesThePromptOfTheRunningOne) {
  StartQuietly();
  Tick();
  EXPECT_FALSE(prompt.loaded());
  const auto second = fakes.desktop.Open("0", "KestroveForm");
  fakes.loop.Advance(500);
  EXPECT_TRUE(prompt.visible() && record.lockReason == "cfg");
  EXPECT_EQ(record.lockedTaskEntry, "Kestrove Pro Configuration Tool");
  fakes.desktop.Close(second);
  Type("tavrolk");
  EXPECT_TRUE(main.visible());
}

TEST_F(StartupTest, AnotherWindowWithTheRunningTitleLeavesTheCaptionAndTheWatchOff) {
  fakes.desktop.Open("Kestrove Pro Configuration Tool", "KestroveForm");
  program.Start();
  EXPECT_TRUE(main.caption() == "0" && !main.timerInstance.running());
}

TEST_F(StartupTest, ARunValueAlreadyThereIsLeftAlone) {
  fakes.registry.PutString(config::kMachine, config::kRunKey, config::kRunValue, "D:\\x.exe");
  StartQuietly();
  EXPECT_EQ(fakes.registry.GetString(config::kMachine, config::kRunKey, config::kRunValue), "D:\\x.exe");
}

TEST_F(StartupTest, TrayDoubleClickAloneRaisesThePrompt) {
  StartQuietly();
  main.on_message(platform::kTrayCallbackMessage, 0, 0x205);  // right button up
  main.on_message(platform::kTrayCallbackMessage, 0, 0x201);  // left button down
  main.on_message(0x8002, 0, 0x203);                          // another private message
  EXPECT_FALSE(prompt.loaded());
  main.on_message(platform::kTrayCallbackMessage, 0, 0x203);
  EXPECT_TRUE(prompt.visible() && record.lockReason == "cfg");
  EXPECT_EQ(record.lockedTaskEntry, "Configuration");
}

TEST_F(StartupTest, RestartGuardStartsAFreshCopyUnlessExitOrWindowsEnding) {
  StartQuietly();
  EXPECT_TRUE(main.RequestClose(ui::UnloadReason::kUserClose));
  ASSERT_EQ(fakes.process.started().size(), 1U);
  EXPECT_EQ(fakes.process.claim_released_before_starts, 0U)
      << "the fresh copy must not find this one still claiming to run";
  EXPECT_EQ(fakes.process.started()[0].path, "C:\\Program Files\\Kestrove Pro\\kstrv7.exe");
  EXPECT_EQ(fakes.process.started()[0].show, platform::ShowCommand::kShowMinimized);
  EXPECT_TRUE(!fakes.shell.tray_icon() && fakes.loop.quit_code == 0) << "the icon goes with the window";
}

TEST_F(StartupTest, RestartGuardLetsWindowsEndTheSession) {
  StartQuietly();
  EXPECT_TRUE(main.RequestClose(ui::UnloadReason::kWindowsEnding));
  EXPECT_TRUE(fakes.process.started().empty());
}

TEST_F(StartupTest, ExitAsksAndEndsForGood) {
  StartQuietly();
  OpenConfiguration();
  fakes.dialogs.answers = {platform::box::kAnswerCancel};
  main.cmdExit.click();
  ASSERT_EQ(fakes.dialogs.boxes().size(), 1U);
  const auto& box = fakes.dialogs.boxes()[0];
  EXPECT_EQ(box.title + ": " + box.text + std::to_string(box.style),
            "Exit Kestrove Pro 2011: This will remove kestrove from memory and disable Task Locking until "
            "Windows restarts. 49");
  EXPECT_FALSE(fakes.process.ended());
  EXPECT_THROW(main.cmdExit.click(), ProcessEnded);
  EXPECT_TRUE(g.exitRequested && fakes.process.started().empty()) << "Exit never restarts";
}

// The daily usage limit: the stored limit, date and minutes left, and what
// the start makes of them.
struct DailyLimitCase {
  const char* name;
  const char* limit;
  const char* date;  // "today", or a stored day, or nullptr for none
  const char* ticks;
  const char* shown;  // the time-left window's text; nullptr: not shown
  std::uint32_t color;
  const char* ticks_after;
  int minutes_left;
  bool locks;  // the expired-session lock, without Cancel
};

class DailyLimitTest : public StartupTest, public ::testing::WithParamInterface<DailyLimitCase> {};

TEST_P(DailyLimitTest, StartShowsWhatIsLeftOrLocks) {
  const DailyLimitCase& c = GetParam();
  const bool counts = c.shown != nullptr || c.locks;
  PutStore("timer", c.limit);
  if (c.date != nullptr) PutStore("date", std::string(c.date) == "today" ? Today() : c.date);
  if (c.ticks != nullptr) PutStore("tickCount", c.ticks);
  PutSetting("Startup", c.locks ? "1" : "0");  // no start-up lock on top of an expired session
  PutSetting("DontShowUpdate", "1");
  program.Start();
  EXPECT_EQ(program.frmtickCount.loaded() && program.frmtickCount.visible(), c.shown != nullptr);
  if (c.shown != nullptr) {
    EXPECT_EQ(program.frmtickCount.txttickCount.caption(), std::string(c.shown) + " Minutes.");
    EXPECT_EQ(program.frmtickCount.txttickCount.foreColor(), c.color);
  }
  EXPECT_EQ(Store("tickCount"), c.ticks_after ? c.ticks_after : "");
  EXPECT_EQ(Store("date"), counts ? Today() : "");
  EXPECT_EQ(g.sessionMinutesLeft, c.minutes_left);
  EXPECT_EQ(main.txtrelock.text(), *c.limit != 0 ? c.limit : "0") << "an empty limit shows as 0";
  EXPECT_EQ(main.tmrTimer.running(), counts);
  ASSERT_TRUE(prompt.visible()) << "the start always asks; only an expired session without Cancel";
  EXPECT_EQ(prompt.cmdCancelPWD.enabled(), !c.locks);
  EXPECT_EQ(record.lockedTaskEntry == "Expired Windows® Session", c.locks);
}

const DailyLimitCase kDailyLimitCases[] = {
    {"Off", "", nullptr, nullptr, nullptr, 0, nullptr, 0, false},
    {"Zero", "0", nullptr, nullptr, nullptr, 0, nullptr, 0, false},
    {"NewDay", "30", "01:01:20", "0", "30", ui::kBlue, "30", 30, false},
    {"SmallAllowanceRed", "5", nullptr, nullptr, "5", ui::kRed, "5", 5, false},
    {"SameDayTimeLeft", "30", "today", "12", "12", ui::kBlue, "12", 12, false},
    {"SameDayLastMinute", "30", "today", "1", "1", ui::kRed, "1", 1, false},
    {"SameDayUsedUp", "5", "today", "0", nullptr, 0, "0", 0, true},
    {"SameDayBelowZero", "5", "today", "-3", nullptr, 0, "-3", -3, true},
    {"SameDayBrokenCounter", "5", "today", "abc", nullptr, 0, "abc", 0, true},
};
INSTANTIATE_TEST_SUITE_P(Start, DailyLimitTest, ::testing::ValuesIn(kDailyLimitCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Today's allowance used up and a password stored: the lock comes only once
// the stored password is in force. The default password, answered the
// moment the prompt appears (in a yield of the start if it is up by then),
// opens nothing, and the prompt does not name it.
TEST_F(StartupTest, AUsedUpAllowanceLocksOnlyOnceTheStoredPasswordIsInForce) {
  PutSetting("pwd", "secret");
  PutSetting("DontShowUpdate", "1");
  PutTask(0, "Solitaire,1");  // the load yields at each value
  PutStore("timer", "5");
  PutStore("date", Today());
  PutStore("tickCount", "0");
  std::string hint;
  const auto answer_at_once = [&] {
    if (!hint.empty() || !prompt.visible()) return;
    hint = prompt.lblDefaultPass.caption();
    Type("tavrolk");
  };
  fakes.loop.on_do_events = [&](int) { answer_at_once(); };
  program.Start();
  fakes.loop.on_do_events = nullptr;
  answer_at_once();
  EXPECT_NE(hint, "The default password is TAVROLK.");
  ASSERT_TRUE(prompt.visible() && !main.visible());
  EXPECT_EQ(prompt.lblDefaultPass.caption(), "Password is Invalid.");
  EXPECT_FALSE(prompt.cmdCancelPWD.enabled()) << "the default password answered the allowance's lock";
  Type("Secret");
  EXPECT_TRUE(main.visible() && !prompt.loaded());
}

TEST_F(StartupTest, DayStampsCompareByValueWhateverTheTimeFormat) {
  const platform::LocalTime december{2026, 12, 6, 23, 59, 0};
  EXPECT_EQ(app::StampText(app::TodayStamp(december)), "12:06:26");
  EXPECT_EQ(app::ParseStamp("12:06:26 PM"), app::TodayStamp(december));
  EXPECT_EQ(app::ParseStamp("1:06:26 AM"), app::TodayStamp({2026, 1, 6, 0, 0, 0}));
  EXPECT_EQ(app::ParseStamp("12:6:26"), app::TodayStamp(december));
  for (const char* broken : {"", "12/06/26", "12:06", "xx:06:26", "13:06:26 PM", "12:61:26"}) {
    EXPECT_FALSE(app::ParseStamp(broken)) << broken;
  }
}

}  // namespace
