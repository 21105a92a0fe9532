// The window browser: its design, the list of open windows and the choice.
#include "app/frm_lock.h"

#include <set>
#include <string>

#include "app/program.h"
#include "engine/tasks_list.h"

namespace app {
namespace {

using ui::Bounds;

// The two halves of the help text are joined as they are, with the two
// blanks after "open it".
constexpr std::string_view kHowToLock =
    "Open the program or web browser you want to lock with a password (for web browser, open it  "
    "on the page you want locked), then, switch back here, click Refresh and select it from the list.";
// Titles with this in them are the program's own and never listed.
constexpr std::string_view kOwnTitleMark = "kestrove";
// Titles with this in them are listed, but refused when chosen.
constexpr std::string_view kOwnProgramName = "Kestrove Pro";

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kRuleGrey = 0xA0A0A0;
constexpr std::uint32_t kRefreshMs = 30000;

}  // namespace

FrmLock::FrmLock(ui::FormEnvironment env, Program& program)
    : ui::Form(env, "frmLock", "Browse for Task", Bounds{0, 0, 5385, 5220}),
      cmdSelect(*this, "cmdSelect", Bounds{2460, 4680, 1155, 375}, "Select"),
      txtTask(*this, "txtTask", Bounds{1080, 1080, 3855, 315}),
      lstWindows(*this, "lstWindows", Bounds{480, 1920, 4455, 2595}),
      cmdcancel(*this, "cmdcancel", Bounds{3780, 4680, 1155, 375}, "Cancel"),
      Picture1(*this, "Picture1", Bounds{0, 0, 5715, 750}),
      Label1(*this, "Label1", Bounds{240, 255, 4215, 255}, "Select a Task to Password Protect"),
      imgTask(*this, "imgTask", Bounds{4665, 135, 480, 480}, "IDI_PROGRAM"),
      Label2(*this, "Label2", Bounds{480, 1110, 555, 255}, "Edit:"),
      lblTask(*this, "lblTask", Bounds{480, 1650, 2415, 255}, "Browse tasks:"),
      cmdwebpage(*this, "cmdwebpage", Bounds{480, 4740, 1935, 255}, "How to Lock a Task"),
      Timer1(*this, "Timer1", kRefreshMs, true),
      program_(program) {
  border_style = ui::BorderStyle::kFixedDialog;
  start_position = ui::StartPosition::kManual;
  min_button = false;
  max_button = false;
  show_in_taskbar = false;
  Picture1.bordered = false;
  Picture1.back_color = kWhite;
  Picture1.bottom_line_color = kRuleGrey;
  Label1.setContainer(Picture1);
  imgTask.setContainer(Picture1);
  Label1.bold = true;
  cmdwebpage.underline = true;
  cmdSelect.is_default = true;
  cmdcancel.is_cancel = true;
  lstWindows.sorted = true;

  on_load = [this] {
    cmdwebpage.setForeColor(ui::kBlue);
    FindTasks();
    ListEachTitleOnce();
  };
  Timer1.on_timer = [this] {
    lstWindows.clear();
    FindTasks();
    ListEachTitleOnce();
  };
  // A press on the dialog's surface refreshes without merging duplicates.
  on_mouse_down = [this](int /*button*/) { FindTasks(); };
  lstWindows.on_click = [this] { ChooseTitle(); };
  cmdwebpage.on_click = [this] { ShowMessage(program_, std::string(kHowToLock)); };
  cmdSelect.on_click = [this] {
    program_.globals().PendingTask = txtTask.text();
    Unload();
  };
  cmdcancel.on_click = [this] {
    program_.globals().PendingTask.clear();
    Unload();
  };
  // The close box hands back nothing, as Cancel does.
  on_query_unload = [this](ui::UnloadRequest& /*request*/) { program_.globals().PendingTask.clear(); };
  // The Browse handler disabled the main window; however the browser goes,
  // the main window is usable again.
  on_unload = [this] { program_.frmkestrove.setEnabled(true); };
}

void FrmLock::ShowCentredOn(const ui::Form& owner) {
  Bounds place = bounds();
  place.left = owner.bounds().left + (owner.bounds().width - place.width) / 2;
  place.top = owner.bounds().top + (owner.bounds().height - place.height) / 2;
  setBounds(place);
  Show();
}

void FrmLock::FindTasks() {
  lstWindows.clear();
  for (std::string& title : engine::ListTaskWindows(program_.os().windows, window())) {
    if (title.find(kOwnTitleMark) == std::string::npos) lstWindows.addItem(std::move(title));
  }
}

void FrmLock::ListEachTitleOnce() {
  std::set<std::string> seen;
  for (int row = 0; row < lstWindows.listCount();) {
    if (seen.insert(lstWindows.list(row)).second) {
      ++row;
    } else {
      lstWindows.removeItem(row);
    }
  }
}

void FrmLock::ChooseTitle() {
  const int row = lstWindows.listIndex();
  if (row < 0) return;
  const std::string title = lstWindows.list(row);
  if (title.find(kOwnProgramName) != std::string::npos) {
    ShowMessage(program_, std::string(kCannotLockSelf));
    return;
  }
  txtTask.setText(title);
}

}  // namespace app
