// Form and control models: the load/unload life cycle back to design state,
// timers armed only while loaded, events, the failure of a vanished row,
// asking before closing, and focus requests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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
  form.text.type("123456");
  EXPECT_EQ(form.text.text(), "1234") << "typing stops at the maximum length";
  form.text.setText("123456");
  EXPECT_EQ(form.text.text(), "123456") << "a text set from code is kept whole";
  form.text.setText("123456");
  EXPECT_EQ(changes, 2);
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

TEST_F(FormTest, AskedToCloseTheFormMayStayButCodeAlwaysUnloads) {
  std::vector<ui::UnloadReason> asked;
  bool keep = true;
  form.on_query_unload = [&](ui::UnloadRequest& request) {
    asked.push_back(request.reason);
    request.cancel = keep;
  };
  EXPECT_FALSE(form.RequestClose(ui::UnloadReason::kUserClose)) << "not loaded";
  EXPECT_TRUE(asked.empty());

  form.Show();
  EXPECT_FALSE(form.RequestClose(ui::UnloadReason::kUserClose));
  EXPECT_TRUE(form.loaded());
  EXPECT_TRUE(form.visible());
  EXPECT_TRUE(form.timer.running());
  keep = false;
  EXPECT_TRUE(form.RequestClose(ui::UnloadReason::kWindowsEnding));
  EXPECT_FALSE(form.loaded());
  EXPECT_EQ(asked,
            (std::vector<ui::UnloadReason>{ui::UnloadReason::kUserClose, ui::UnloadReason::kWindowsEnding}));

  keep = true;
  form.Show();
  form.Unload();
  EXPECT_FALSE(form.loaded()) << "Unload does not ask";
  EXPECT_EQ(asked.size(), 2U);

  // A handler that unloads the form itself has closed it.
  form.Show();
  form.on_query_unload = [&](ui::UnloadRequest& request) {
    form.Unload();
    request.cancel = true;
  };
  EXPECT_TRUE(form.RequestClose(ui::UnloadReason::kCode));
}

TEST_F(FormTest, ResizeFollowsTheFirstShowingAndChangesOfSizeOrState) {
  std::vector<std::string> events;
  form.on_resize = [&] { events.push_back("resize"); };
  form.on_activate = [&] { events.push_back("activate"); };
  form.Load();
  form.setWindowState(ui::WindowState::kMinimized);
  form.Show();
  form.Hide();
  form.Show();
  form.setWindowState(ui::WindowState::kNormal);
  form.setBounds(ui::Bounds{100, 100, 3000, 2000});  // moved only
  form.setBounds(ui::Bounds{100, 100, 3000, 2100});
  EXPECT_EQ(events,
            (std::vector<std::string>{"resize", "resize", "activate", "activate", "resize", "resize"}));
  events.clear();
  form.Unload();
  form.Show();
  EXPECT_EQ(events, (std::vector<std::string>{"resize", "activate"})) << "again after a new load";
}

// Records what the form asks of its host beyond loading and showing.
class RecordingHost : public ui::HeadlessHost {
 public:
  void FormFocusRequested(ui::Form& form) override { focus_requests.push_back(form.focusRequest()); }
  void FormBringToFront(ui::Form& /*form*/) override { ++brought_to_front; }
  std::vector<ui::Control*> focus_requests;
  int brought_to_front = 0;
};

TEST(FormFocusTest, AFocusRequestWaitsForTheWindowAndEndsWithTheUnload) {
  platform::fake::FakeEventLoop loop;
  RecordingHost host;
  TestForm form{ui::FormEnvironment{loop, host}};
  form.text.setFocus();
  form.BringToFront();
  EXPECT_EQ(form.focusRequest(), &form.text) << "kept for when the form is shown";
  EXPECT_TRUE(host.focus_requests.empty()) << "no window to tell yet";
  EXPECT_EQ(host.brought_to_front, 0);

  form.Show();
  form.button.setFocus();
  form.BringToFront();
  EXPECT_EQ(host.focus_requests, (std::vector<ui::Control*>{&form.button}));
  EXPECT_EQ(host.brought_to_front, 1);
  EXPECT_EQ(form.TakeFocusRequest(), &form.button);
  EXPECT_EQ(form.focusRequest(), nullptr);

  form.check.setFocus();
  form.Unload();
  EXPECT_EQ(form.focusRequest(), nullptr);
}

}  // namespace
