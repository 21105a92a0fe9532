// The container and display controls: tab pages and frames deciding what is
// on screen, the tab strip's selection, the progress bar's range, clicks on
// labels and images, and each going back to its design on unload.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/fake/fake_event_loop.h"
#include "ui/control.h"
#include "ui/form.h"

namespace {

class TabbedForm : public ui::Form {
 public:
  explicit TabbedForm(ui::FormEnvironment env)
      : ui::Form(env, "frmTabbed", "Tabbed", ui::Bounds{0, 0, 5760, 4830}),
        tabMain(*this, "tabMain", ui::Bounds{120, 120, 5520, 3600}, {"Tasks", "Settings", "Users"}),
        lblTasks(*this, "lblTasks", ui::Bounds{240, 540, 5000, 255}, "Tasks"),
        chkTray(*this, "chkTray", ui::Bounds{240, 540, 5000, 255}, "No Tray Icon"),
        fraLock(*this, "fraLock", ui::Bounds{240, 900, 5000, 1500}, "Lock"),
        chkLockEx(*this, "chkLockEx", ui::Bounds{360, 1140, 2000, 255}, "Windows Explorer"),
        imgLock(*this, "imgLock", ui::Bounds{240, 4000, 480, 480}, "IDI_PROGRAM"),
        prgWork(*this, "prgWork", ui::Bounds{840, 4000, 3000, 240}) {
    lblTasks.setContainer(tabMain, 0);
    chkTray.setContainer(tabMain, 1);
    fraLock.setContainer(tabMain, 1);
    chkLockEx.setContainer(fraLock);
  }
  ui::TabStrip tabMain;
  ui::Label lblTasks;
  ui::CheckBox chkTray;
  ui::Frame fraLock;
  ui::CheckBox chkLockEx;
  ui::Image imgLock;
  ui::ProgressBar prgWork;
};

class ControlsTest : public ::testing::Test {
 protected:
  platform::fake::FakeEventLoop loop;
  ui::HeadlessHost host;
  TabbedForm form{ui::FormEnvironment{loop, host}};
};

TEST_F(ControlsTest, TheSelectedTabAndTheContainersDecideWhatIsOnScreen) {
  int tab_clicks = 0;
  form.tabMain.on_click = [&] { ++tab_clicks; };
  form.Show();
  EXPECT_EQ(form.tabMain.selectedTab(), 0);
  EXPECT_TRUE(form.lblTasks.onScreen());
  EXPECT_FALSE(form.chkTray.onScreen());
  EXPECT_FALSE(form.chkLockEx.onScreen()) << "in a frame on a page that is not selected";
  EXPECT_TRUE(form.chkLockEx.visible()) << "visible() stays the control's own";

  form.tabMain.setSelectedTab(1);
  EXPECT_EQ(tab_clicks, 1);
  EXPECT_FALSE(form.lblTasks.onScreen());
  EXPECT_TRUE(form.chkTray.onScreen());
  EXPECT_TRUE(form.chkLockEx.onScreen());
  form.tabMain.setSelectedTab(1);
  EXPECT_EQ(tab_clicks, 1) << "no event when the selection does not change";

  form.fraLock.setVisible(false);
  EXPECT_FALSE(form.chkLockEx.onScreen());
  EXPECT_TRUE(form.chkTray.onScreen());
  form.fraLock.setVisible(true);
  form.chkLockEx.setVisible(false);
  EXPECT_FALSE(form.chkLockEx.onScreen());
  form.chkLockEx.setVisible(true);
  form.tabMain.setVisible(false);
  EXPECT_FALSE(form.chkTray.onScreen());
  EXPECT_FALSE(form.chkLockEx.onScreen());
  EXPECT_FALSE(form.tabMain.onScreen());
  EXPECT_TRUE(form.imgLock.onScreen()) << "not in any container";

  EXPECT_THROW(form.tabMain.setSelectedTab(3), ui::RuntimeError);
  EXPECT_THROW(form.tabMain.setSelectedTab(-1), ui::RuntimeError);
  EXPECT_EQ(form.tabMain.selectedTab(), 1);

  form.Unload();
  EXPECT_EQ(form.tabMain.selectedTab(), 0);
  EXPECT_TRUE(form.tabMain.visible());
  EXPECT_EQ(tab_clicks, 1) << "going back to the design raises nothing";
  // Membership is design: it survives the unload.
  EXPECT_EQ(form.chkLockEx.container(), &form.fraLock);
  EXPECT_EQ(form.chkTray.containerPage(), 1);
}

TEST_F(ControlsTest, ImpossiblePlacementsAreRejected) {
  EXPECT_THROW(form.chkTray.setContainer(form.tabMain, 3), std::invalid_argument);
  EXPECT_THROW(form.chkTray.setContainer(form.tabMain, -1), std::invalid_argument);
  EXPECT_THROW(form.fraLock.setContainer(form.fraLock), std::invalid_argument);
  ui::Frame outer(form, "fraOuter", ui::Bounds{}, "");
  outer.setContainer(form.fraLock);
  EXPECT_THROW(form.fraLock.setContainer(outer), std::invalid_argument) << "a frame inside its own member";
  EXPECT_EQ(form.fraLock.container(), &form.tabMain) << "a rejected placement changes nothing";
  ui::TabStrip empty(form, "tabEmpty", ui::Bounds{}, {});
  EXPECT_EQ(empty.selectedTab(), -1);
  EXPECT_THROW(empty.setSelectedTab(0), ui::RuntimeError);
}

TEST_F(ControlsTest, TheProgressBarKeepsItsValueInsideItsRange) {
  form.Show();
  EXPECT_EQ(form.prgWork.value(), 0);
  form.prgWork.setValue(100);
  EXPECT_THROW(form.prgWork.setValue(101), ui::RuntimeError);
  EXPECT_THROW(form.prgWork.setValue(-1), ui::RuntimeError);
  EXPECT_EQ(form.prgWork.value(), 100);
  EXPECT_THROW(form.prgWork.setRange(10, 10), ui::RuntimeError);
  EXPECT_EQ(form.prgWork.max(), 100);
  form.prgWork.setRange(10, 50);
  EXPECT_EQ(form.prgWork.value(), 50) << "moved into the new range";
  form.prgWork.setRange(60, 80);
  EXPECT_EQ(form.prgWork.value(), 60);
  form.Unload();
  EXPECT_EQ(form.prgWork.min(), 0);
  EXPECT_EQ(form.prgWork.max(), 100);
  EXPECT_EQ(form.prgWork.value(), 0);
}

TEST_F(ControlsTest, LabelsAndImagesReactToClicksOnlyWhenTheUserCouldClickThem) {
  int label_clicks = 0;
  int image_clicks = 0;
  form.lblTasks.on_click = [&] { ++label_clicks; };
  form.imgLock.on_click = [&] { ++image_clicks; };
  form.Show();
  form.lblTasks.click();
  form.imgLock.click();
  form.lblTasks.setEnabled(false);
  form.lblTasks.click();
  form.imgLock.setVisible(false);
  form.imgLock.click();
  EXPECT_EQ(label_clicks, 1);
  EXPECT_EQ(image_clicks, 1);

  form.imgLock.setPicture("IDI_UNLOCKED");
  form.Unload();
  EXPECT_EQ(form.imgLock.picture(), "IDI_PROGRAM");
}

TEST_F(ControlsTest, ALabelGoesBackToItsDesignedColour) {
  form.lblTasks.design_fore_color = ui::kBlue;
  EXPECT_EQ(form.lblTasks.foreColor(), ui::kBlue);
  form.Show();
  form.lblTasks.setForeColor(ui::kRed);
  EXPECT_EQ(form.lblTasks.foreColor(), ui::kRed);
  form.Unload();
  EXPECT_EQ(form.lblTasks.foreColor(), ui::kBlue);
}

}  // namespace
