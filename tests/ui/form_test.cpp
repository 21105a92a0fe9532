// Form and control models: the load/unload life cycle back to design state,
// timers armed only while loaded, events only for what a user could do,
// run-time failures for rows and values out of range, asking before closing,
// and tab pages and frames deciding what is on screen.
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
        timer(*this, "tmrTick", 100, true),
        tabs(*this, "tabMain", ui::Bounds{}, {"Tasks", "Settings", "Users"}),
        frame(*this, "fraLock", ui::Bounds{}, "Lock"),
        framed(*this, "chkLockEx", ui::Bounds{}, "Windows Explorer"),
        image(*this, "imgLock", ui::Bounds{}, "IDI_PROGRAM"),
        progress(*this, "prgWork", ui::Bounds{}) {
    check.Design(false, true);
    text.max_length = 4;
    label.design_fore_color = ui::kBlue;
    label.setContainer(tabs, 0);
    frame.setContainer(tabs, 1);
    button.setContainer(tabs, 1);
    framed.setContainer(frame);
  }
  ui::Label label;
  ui::Button button;
  ui::CheckBox check;
  ui::TextBox text;
  ui::ListBox list;
  ui::CheckListBox checks;
  ui::Timer timer;
  ui::TabStrip tabs;
  ui::Frame frame;
  ui::CheckBox framed;
  ui::Image image;
  ui::ProgressBar progress;
};

class FormTest : public ::testing::Test {
 protected:
  platform::fake::FakeEventLoop loop;
  ui::HeadlessHost host;
  TestForm form{ui::FormEnvironment{loop, host}};
};

TEST_F(FormTest, UnloadPutsEveryControlBackToItsDesignState) {
  int tab_clicks = 0;
  form.tabs.on_click = [&] { ++tab_clicks; };
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
  form.tabs.setSelectedTab(2);
  form.tabs.setVisible(false);
  form.image.setPicture("IDI_UNLOCKED");
  form.progress.setRange(10, 50);
  form.progress.setValue(30);
  form.Unload();
  EXPECT_FALSE(form.loaded());
  EXPECT_EQ(tab_clicks, 1) << "going back to the design raises nothing";
  form.Load();
  EXPECT_EQ(form.caption(), "Designed");
  EXPECT_EQ(form.label.caption(), "design");
  EXPECT_EQ(form.label.foreColor(), ui::kBlue) << "its designed colour";
  EXPECT_FALSE(form.check.visible() || form.check.checked());
  EXPECT_EQ(form.text.text(), "");
  EXPECT_EQ(form.list.listCount() + form.checks.listCount(), 0);
  EXPECT_TRUE(form.button.enabled() && form.timer.running() && form.tabs.visible());
  EXPECT_EQ(form.tabs.selectedTab(), 0);
  EXPECT_EQ(form.image.picture(), "IDI_PROGRAM");
  EXPECT_EQ(std::vector<int>({form.progress.min(), form.progress.max(), form.progress.value()}),
            std::vector<int>({0, 100, 0}));
  EXPECT_EQ(form.framed.container(), &form.frame) << "membership is design: it survives the unload";
  EXPECT_EQ(form.frame.containerPage(), 1);
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
  EXPECT_TRUE(form.loaded() && form.visible() && form.timer.running());
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

// Each event below is raised once: a disabled button or label, a hidden
// image, a value set to what it is already and a text cut to its maximum
// length raise nothing more.
TEST_F(FormTest, EventsOnlyForWhatTheUserCouldDo) {
  std::vector<std::string> events;
  const auto record = [&events](const char* what) { return [&events, what] { events.emplace_back(what); }; };
  form.on_activate = record("activate");
  form.button.on_click = record("button");
  form.check.on_click = record("check");
  form.text.on_change = record("text");
  form.tabs.on_click = record("tab");
  form.label.on_click = record("label");
  form.image.on_click = record("image");
  form.Show();
  form.button.click();
  form.button.setEnabled(false);
  form.button.click();
  form.check.setVisible(true);
  form.check.click();
  form.check.setChecked(true);
  EXPECT_TRUE(form.check.checked());
  form.text.type("123456");
  form.text.setText("1234");
  EXPECT_EQ(form.text.text(), "1234") << "typing stops at the maximum length";
  form.tabs.setSelectedTab(1);
  form.tabs.setSelectedTab(1);
  form.label.click();
  form.image.click();
  form.label.setEnabled(false);
  form.label.click();
  form.image.setVisible(false);
  form.image.click();
  EXPECT_EQ(events,
            (std::vector<std::string>{"activate", "button", "check", "text", "tab", "label", "image"}));
  form.text.setText("123456");
  EXPECT_EQ(form.text.text(), "123456") << "a text set from code is kept whole";
}

TEST_F(FormTest, RowsAndValuesOutOfRangeAreRunTimeFailures) {
  form.Show();
  form.list.addItem("only");
  EXPECT_THROW((void)form.list.list(1), ui::RuntimeError);
  EXPECT_THROW(form.list.removeItem(-1), ui::RuntimeError);
  EXPECT_THROW((void)form.checks.selected(0), ui::RuntimeError);
  EXPECT_THROW(form.tabs.setSelectedTab(3), ui::RuntimeError);
  EXPECT_THROW(form.tabs.setSelectedTab(-1), ui::RuntimeError);
  EXPECT_EQ(form.tabs.selectedTab(), 0);
  form.list.setListIndex(0);
  form.list.removeItem(0);
  EXPECT_EQ(form.list.listIndex(), -1) << "the selection goes with its row";

  form.progress.setValue(100);
  EXPECT_THROW(form.progress.setValue(101), ui::RuntimeError);
  EXPECT_THROW(form.progress.setValue(-1), ui::RuntimeError);
  EXPECT_THROW(form.progress.setRange(10, 10), ui::RuntimeError);
  EXPECT_TRUE(form.progress.value() == 100 && form.progress.max() == 100);
  form.progress.setRange(10, 50);
  EXPECT_EQ(form.progress.value(), 50) << "moved into the new range";
  form.progress.setRange(60, 80);
  EXPECT_EQ(form.progress.value(), 60);
}

TEST_F(FormTest, TheSelectedTabAndTheContainersDecideWhatIsOnScreen) {
  form.Show();
  EXPECT_TRUE(form.label.onScreen() && !form.button.onScreen());
  EXPECT_FALSE(form.framed.onScreen()) << "in a frame on a page that is not selected";
  EXPECT_TRUE(form.framed.visible()) << "visible() stays the control's own";
  form.tabs.setSelectedTab(1);
  EXPECT_TRUE(!form.label.onScreen() && form.framed.onScreen());
  form.frame.setVisible(false);
  EXPECT_TRUE(!form.framed.onScreen() && form.button.onScreen()) << "the rest of the page stays";
  form.frame.setVisible(true);
  form.framed.setVisible(false);
  EXPECT_FALSE(form.framed.onScreen());
  form.framed.setVisible(true);
  form.tabs.setVisible(false);
  EXPECT_FALSE(form.framed.onScreen() || form.frame.onScreen() || form.tabs.onScreen());
  EXPECT_TRUE(form.image.onScreen()) << "not in any container";
}

}  // namespace
