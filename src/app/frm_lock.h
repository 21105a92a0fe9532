// The window browser frmLock ("Browse for Task"): lists the titles of the
// open windows, lets the user pick one or type any text, and on Select hands
// the text to the task list through PendingTask. It keeps its list fresh by
// itself and refuses the program's own windows.
#pragma once

#include <string_view>

#include "ui/control.h"
#include "ui/form.h"

namespace app {

class Program;

inline constexpr std::string_view kCannotLockSelf = "Cannot lock self!";

class FrmLock : public ui::Form {
 public:
  FrmLock(ui::FormEnvironment env, Program& program);

  // Opens the browser modelessly, centred on `owner`.
  void ShowCentredOn(const ui::Form& owner);
  // Clears lstWindows and fills it with the titles of the open windows,
  // leaving out the browser itself and any title containing "kestrove".
  void FindTasks();
  // Lists a title that occurs more than once (two windows showing the same
  // document) once.
  void ListEachTitleOnce();

  // Declared in tab order: Select first.
  ui::Button cmdSelect;
  ui::TextBox txtTask;
  ui::ListBox lstWindows;
  ui::Button cmdcancel;
  ui::Frame Picture1;
  ui::Label Label1;
  ui::Image imgTask;
  ui::Label Label2;
  ui::Label lblTask;
  ui::Label cmdwebpage;
  ui::Timer Timer1;

 private:
  void ChooseTitle();
  Program& program_;
};

}  // namespace app
