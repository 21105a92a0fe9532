// The message dialog frmError: shows the program-wide messageText, refreshed
// every 100 ms, until OK closes it.
#pragma once

#include "ui/control.h"
#include "ui/form.h"

namespace app {

class Program;

class FrmError : public ui::Form {
 public:
  FrmError(ui::FormEnvironment env, Program& program);

  ui::Label Label1;
  ui::CheckBox chkShowAgain;
  ui::Button cmdCancel;
  ui::Button cmdok;
  ui::Timer Timer1;

 private:
  void Close();
  Program& program_;
};

}  // namespace app
