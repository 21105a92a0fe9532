// Form and control models: the load/unload life cycle back to design state,
// timers armed only while loaded, events, and the failure of a vanished row.
#include <gtest/gtest.h>

#include "platform/fake/fake_event_loop.h"
#include "ui/control.h"
#include "ui/form.h"

namespace {

class TestForm : public ui::Form {
 public:
  explicit TestForm(ui::FormEnvironment env)
      : ui::Form(env, "frmTest", "Designed", ui::Bounds{0, 0, 3000, 2000}),
        label(*this, "lblInfo", ui::Bounds{}, "design"),
        button(*this, "cmdGo", ui::Bounds{}, "&Go"),
        check(*this, "chkKeep", ui::Bounds{}, "Keep"),
        text(*this, "txtPass", ui::Bounds{}),
        list(*this, "lstRows", ui::Bounds{}),
        checks(*this, "lstChecks", ui::Bounds{}),
        timer(*this, "tmrTick", 100, true) {
    check.Design(false, true);
    text.max_length = 4;
  }
  ui::Label label;
  ui::Button button;
  ui::CheckBox check;
  ui::TextBox text;
  ui::ListBox list;
  ui::CheckListBox checks;
  ui::Timer timer;
};

class FormTest : public ::testing::Test {
 protected:
  platform::fake::FakeEventLoop loop;
  ui::HeadlessHost host;
  TestForm form{ui::FormEnvironment{loop, host}};
};

TEST_F(FormTest, UnloadPutsEveryControlBackToItsDesignState) {
  form.Show();
  form.setCaption("Changed");
  form.label.setCaption("changed");
  form.label.setForeColor(ui::kRed);
  form.check.setVisible(true);
  form.check.setChecked(true);
  form.text.setText("abc");
  form.list.addItem("row");
  form.checks.addItem("task", true);
  form.button.setEnabled(false);
  form.timer.setTimerEnabled(false);
  form.Unload();
  EXPECT_FALSE(form.loaded());
  form.Load();
  EXPECT_EQ(form.caption(), "Designed");
  EXPECT_EQ(form.label.caption(), "design");
  EXPECT_EQ(form.label.foreColor(), ui::kBlack);
  EXPECT_FALSE(form.check.visible());
  EXPECT_FALSE(form.check.checked());
  EXPECT_EQ(form.text.text(), "");
  EXPECT_EQ(form.list.listCount(), 0);
  EXPECT_EQ(form.checks.listCount(), 0);
  EXPECT_TRUE(form.button.enabled());
  EXPECT_TRUE(form.timer.running());
}

TEST_F(FormTest, TimersRunOnlyWhileTheFormIsLoadedAndEnabled) {
  int ticks = 0;
  form.timer.on_timer = [&] { ++ticks; };
  loop.Advance(500);
  EXPECT_EQ(ticks, 0) << "not loaded";
  form.Load();
  loop.Advance(350);
  EXPECT_EQ(ticks, 3);
  form.timer.setTimerEnabled(false);
  loop.Advance(500);
  EXPECT_EQ(ticks, 3);
  form.timer.setTimerEnabled(true);
  form.timer.on_timer = [&] {
    ++ticks;
    form.timer.setTimerEnabled(false);  // a tick may disarm its own timer
  };
  loop.Advance(1000);
  EXPECT_EQ(ticks, 4);
  form.timer.setTimerEnabled(true);
  form.Unload();
  EXPECT_EQ(loop.running_timers(), 0U);
}

TEST_F(FormTest, ShowingActivatesAndEventsFollowUserActions) {
  int activations = 0;
  int clicks = 0;
  int checks_clicked = 0;
  int changes = 0;
  form.on_activate = [&] { ++activations; };
  form.button.on_click = [&] { ++clicks; };
  form.check.on_click = [&] { ++checks_clicked; };
  form.text.on_change = [&] { ++changes; };
  form.Show();
  EXPECT_EQ(activations, 1);
  form.button.click();
  form.button.setEnabled(false);
  form.button.click();
  EXPECT_EQ(clicks, 1) << "a disabled button does not react";
  form.check.setVisible(true);
  form.check.click();
  EXPECT_TRUE(form.check.checked());
  form.check.setChecked(true);
  EXPECT_EQ(checks_clicked, 1) << "no event when the value does not change";
  form.text.setText("123456");
  EXPECT_EQ(form.text.text(), "1234") << "cut to the maximum length";
  form.text.setText("1234");
  EXPECT_EQ(changes, 1);
}

TEST_F(FormTest, ReadingARowThatDoesNotExistIsARunTimeFailure) {
  form.list.addItem("only");
  EXPECT_THROW((void)form.list.list(1), ui::RuntimeError);
  EXPECT_THROW(form.list.removeItem(-1), ui::RuntimeError);
  EXPECT_THROW((void)form.checks.selected(0), ui::RuntimeError);
  form.list.setListIndex(0);
  form.list.removeItem(0);
  EXPECT_EQ(form.list.listIndex(), -1);
}

}  // namespace
