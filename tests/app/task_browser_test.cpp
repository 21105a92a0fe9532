// The window browser and the editing of the task list on the Tasks tab,
// through the models and the fake desktop: what the browser lists, what it
// hands back, and what Browse..., Remove, the Delete key and the right mouse
// button do to lstTasks and its count.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/program_fixture.h"

namespace {

using Rows = std::vector<std::pair<std::string, bool>>;

class TaskBrowserTest : public testing_support::ProgramTest {
 protected:
  app::FrmLock& browser = program.frmLock;
  ui::CheckListBox& tasks = main.lstTasks;

  // The configuration window on screen, as after the password.
  void SetUp() override {
    PutSetting("DontShowUpdate", "1");
    program.Start();
    Type("tavrolk");
  }
  void OpenWindow(std::string title, bool visible = true, bool bordered = true) {
    fakes.desktop.Edit(fakes.desktop.Open(std::move(title), "Other", visible)).bordered = bordered;
  }
  std::string Listed() const {
    std::string rows;
    for (int row = 0; row < browser.lstWindows.listCount(); ++row) rows += browser.lstWindows.list(row) + "|";
    return rows;
  }
  // Clicks the first row (the list is sorted) that starts with `start`.
  void Pick(std::string_view start) {
    int row = 0;
    while (browser.lstWindows.list(row).rfind(start, 0) != 0) ++row;
    browser.lstWindows.click(row);
  }
  // "Solitaire+ Notepad- 1": the rows, checked or not, and the count shown.
  std::string Tasks() const {
    std::string text;
    for (int row = 0; row < tasks.listCount(); ++row)
      text += tasks.list(row) + (tasks.selected(row) ? "+ " : "- ");
    return text + main.lblTaskCount.caption().substr(14);
  }
  std::string LastBox() const {
    const auto& box = fakes.dialogs.boxes().back();
    return box.title + ": " + box.text + " " + std::to_string(box.style);
  }
};

TEST_F(TaskBrowserTest, ListsVisibleBorderedWindowsSortedOnceAndRefusesItself) {
  for (const char* title : {"Untitled - Notepad", "Untitled - Notepad", "calc", "calc", "calc", "calc", "",
                            "Документ — 文档", "kestrove", "Duplicate"})
    OpenWindow(title);
  OpenWindow("Tool palette", true, false);
  OpenWindow("Hidden", false);
  // Four equal titles and a title that reads "Duplicate" are listed once too.
  const std::string once =
      "calc|Duplicate|Kestrove Pro Configuration Tool|Untitled - Notepad|Документ — 文档|";
  browser.ShowCentredOn(main);
  EXPECT_EQ(Listed(), once);
  Pick("Untitled");
  Pick("Kestrove");
  EXPECT_EQ(browser.txtTask.text(), "Untitled - Notepad");
  EXPECT_EQ(program.frmError.Label1.caption(), "Cannot lock self!");
  program.frmError.cmdok.click();

  browser.MouseDown(ui::kLeftButton);  // now visible, the browser itself is still left out
  EXPECT_EQ(Listed(),
            "calc|calc|calc|calc|Duplicate|Kestrove Pro Configuration Tool|Untitled - Notepad|"
            "Untitled - Notepad|Документ — 文档|");
  fakes.loop.Advance(30000);
  EXPECT_EQ(Listed(), once);
  EXPECT_EQ(browser.lstWindows.listIndex(), -1);
  EXPECT_EQ(browser.txtTask.text(), "Untitled - Notepad");
}

// Browse..., Notepad's title picked, the Edit box typed over (unless
// nullptr), then Select, Cancel or the close box.
TEST_F(TaskBrowserTest, BrowseAddsTheChoiceOnTopCheckedUnlessItExists) {
  enum Close { kSelect, kCancel, kCloseBox };
  struct Case {
    Rows before;
    const char* typed;
    Close close;
    std::string after;
  };
  const Case cases[] = {
      {{}, nullptr, kSelect, "Untitled - Notepad+ 1"},
      {{{"Notepad", true}, {"Paint", false}}, "Solitaire", kSelect, "Solitaire+ Notepad+ Paint- 2"},
      {{{"Notepad", true}}, "Note", kSelect, "Note+ Notepad+ 2"},
      {{{"Notepad", true}}, "notepad", kSelect, "notepad+ Notepad+ 2"},
      {{{"Notepad", true}, {"Paint", false}}, "Paint", kSelect, "Notepad+ Paint- 1 exists"},
      {{{"Notepad", false}}, "Notepad", kSelect, "Notepad- 0 exists"},
      {{{"Notepad", true}}, "", kSelect, "Notepad+ 1"},
      {{{"Notepad", true}}, "Paint", kCancel, "Notepad+ 1"},
      {{{"Notepad", true}}, "Paint", kCloseBox, "Notepad+ 1"},
  };
  OpenWindow("Untitled - Notepad");
  for (const Case& c : cases) {
    SetTasks(c.before);
    main.lblTaskCount.setCaption("Tasks Locked: 9");
    g.PendingTask = "from an earlier browse";
    const std::size_t boxes = fakes.dialogs.boxes().size();
    fakes.loop.Post([&] {
      EXPECT_FALSE(main.enabled());
      Pick("Untitled");
      if (c.typed != nullptr) browser.txtTask.setText(c.typed);
      if (c.close == kSelect) browser.cmdSelect.click();
      if (c.close == kCancel) browser.cmdcancel.click();
      if (c.close == kCloseBox) browser.RequestClose(ui::UnloadReason::kUserClose);
    });
    main.cmdadd.click();
    const bool exists = fakes.dialogs.boxes().size() > boxes;
    EXPECT_EQ(Tasks() + (exists ? " exists" : ""), c.after);
    if (exists) {
      EXPECT_EQ(LastBox(), "Kestrove Pro 2011: Task already exists. 64");
      EXPECT_EQ(g.PendingTask, "");
    }
    EXPECT_TRUE(main.enabled() && !browser.loaded()) << c.after;
  }
}

TEST_F(TaskBrowserTest, AFullListOpensNoBrowserAndAnEndingProgramEndsTheWait) {
  SetTasks(Rows(999, {"task", true}));
  main.cmdadd.click();
  EXPECT_TRUE(!browser.loaded() && main.enabled() && tasks.listCount() == 999 &&
              main.lblTaskCount.caption() == "Tasks Locked: 0");
  EXPECT_EQ(
      LastBox(),
      "Kestrove Pro 2011: The maximum number of Tasks has been reached.\rDelete some Tasks to continue. 48");
  tasks.removeItem(0);
  fakes.loop.Post([&] { main.Unload(); });
  main.cmdadd.click();
  EXPECT_EQ(fakes.loop.quit_code, 0) << "the wait is left once the main window has gone";
}

TEST_F(TaskBrowserTest, RemoveLeavesTheCountTheDeleteKeyAndRightButtonRecount) {
  SetTasks({{"A", true}, {"B", true}, {"C", false}});
  main.CountTasks();
  main.cmddel.click();
  EXPECT_EQ(Tasks(), "A+ B+ C- 2") << "nothing highlighted";
  tasks.setListIndex(0);
  main.cmddel.click();
  EXPECT_EQ(Tasks(), "B+ C- 2");
  tasks.setListIndex(0);
  tasks.keyDown('A');
  tasks.keyDown(ui::kKeyDelete);
  EXPECT_EQ(Tasks(), "C- 0");
  tasks.setSelected(0, true);
  tasks.mouseDown(ui::kLeftButton);
  EXPECT_EQ(Tasks(), "C+ 0");
  tasks.mouseDown(ui::kRightButton);
  EXPECT_EQ(Tasks(), "C+ 1");
  tasks.setListIndex(-1);
  main.lblTaskCount.setCaption("Tasks Locked: 5");
  tasks.keyDown(ui::kKeyDelete);
  EXPECT_EQ(Tasks(), "C+ 1") << "nothing highlighted: the recount alone";
}

}  // namespace
