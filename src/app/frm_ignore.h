// The ignore-list dialog frmignore: shows the stored ignore list and deletes
// entries from it. It works on the registry, not on the main window's working
// copy lstignore, which follows at the next watch tick through a reload.
// While it is open the main window takes no input.
#pragma once

#include "ui/control.h"
#include "ui/form.h"

namespace app {

class Program;

class FrmIgnore : public ui::Form {
 public:
  FrmIgnore(ui::FormEnvironment env, Program& program);

  // "Ignored Tasks List...": loads the dialog afresh over the middle of the
  // main window and shows it without waiting for it to close.
  void Open();

  // In tab order: Close comes first.
  ui::Button OKButton;  // "Close"; Enter and Esc press it
  ui::ListBox List1;
  ui::Button CancelButton;  // "Delete"

 private:
  // Shows the stored list, read whole before it replaces what is shown.
  void ShowStoredList();
  void Delete();

  Program& program_;
  bool deleting_ = false;  // a Delete is writing the stored list
};

}  // namespace app
