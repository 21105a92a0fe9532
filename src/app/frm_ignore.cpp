// The ignore-list dialog.
#include "app/frm_ignore.h"

#include <string>
#include <utility>
#include <vector>

#include "app/program.h"
#include "config/configuration.h"
#include "config/registry_layout.h"
#include "engine/failure_report.h"
#include "engine/globals.h"

namespace app {

FrmIgnore::FrmIgnore(ui::FormEnvironment env, Program& program)
    : ui::Form(env, "frmignore", "Ignore List", ui::Bounds{0, 0, 4455, 4485}),
      OKButton(*this, "OKButton", ui::Bounds{3120, 3960, 1185, 375}, "Close"),
      List1(*this, "List1", ui::Bounds{240, 480, 3855, 3180}),
      CancelButton(*this, "CancelButton", ui::Bounds{1800, 3960, 1185, 375}, "Delete"),
      program_(program) {
  border_style = ui::BorderStyle::kFixedDialog;
  min_button = false;
  max_button = false;
  show_in_taskbar = false;
  start_position = ui::StartPosition::kManual;
  OKButton.is_default = true;
  OKButton.is_cancel = true;

  // However the dialog closes (Close, Enter, Esc, the close box, the end of
  // the program), the main window takes input again.
  on_load = [this] {
    program_.frmkestrove.setEnabled(false);
    ShowStoredList();
  };
  on_unload = [this] { program_.frmkestrove.setEnabled(true); };
  OKButton.on_click = [this] { Unload(); };
  CancelButton.on_click = [this] { Delete(); };
}

void FrmIgnore::Open() {
  if (!loaded()) {
    // Both windows have the same frame, so centring the client areas
    // centres the windows.
    const ui::Bounds& owner = program_.frmkestrove.bounds();
    ui::Bounds placed = bounds();
    placed.left = owner.left + (owner.width - placed.width) / 2;
    placed.top = owner.top + (owner.height - placed.height) / 2;
    setBounds(placed);
  }
  Show();
}

// Read whole first: a Delete pressed while the list is still being read finds
// no row highlighted, rather than a part of the list that it would store.
void FrmIgnore::ShowStoredList() {
  std::vector<std::string> rows = config::LoadIgnoreList(program_.registry(), program_.os().loop);
  if (!loaded()) return;  // closed while it read
  List1.clear();
  for (std::string& row : rows) List1.addItem(std::move(row));
}

void FrmIgnore::Delete() {
  const int row = List1.listIndex();
  // A press while a Delete still writes does nothing: the two would write
  // their lists over each other. (Disabling the button instead would take
  // the keyboard focus from the dialog, and Enter and Esc with it.)
  if (row < 0 || deleting_) return;
  const engine::ScopedFlag deleting(deleting_);
  // A failure ends the handler silently; what was written stays written, and
  // no reload is asked for.
  engine::SkipOnFailure([&] {
    List1.removeItem(row);
    std::vector<std::string> rows;
    rows.reserve(static_cast<std::size_t>(List1.listCount()));
    for (int r = 0; r < List1.listCount(); ++r) rows.push_back(List1.list(r));
    // The remaining entries are written before anything is removed, so a
    // program killed half-way never leaves the stored list empty.
    config::SaveIgnoreList(program_.registry(), program_.os().loop, rows);
    // Unlike Apply, the dialog leaves the key there, empty.
    if (rows.empty()) program_.registry().CreateKey(config::kMachine, config::kIgnoreListKey);
    program_.RequestReload();
    // What is stored now: an entry that could not be removed (an account
    // without the right to change the machine's settings) shows again.
    ShowStoredList();
  });
}

}  // namespace app
