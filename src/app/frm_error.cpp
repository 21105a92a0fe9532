// The message dialog.
#include "app/frm_error.h"

#include "app/program.h"

namespace app {

FrmError::FrmError(ui::FormEnvironment env, Program& program)
    : ui::Form(env, "frmError", "Message:", ui::Bounds{0, 0, 7065, 3060}),
      Label1(*this, "Label1", ui::Bounds{840, 240, 5925, 1680}, "#"),
      chkShowAgain(*this, "chkShowAgain", ui::Bounds{240, 2100, 2655, 255}, "Don't show again"),
      cmdCancel(*this, "cmdCancel", ui::Bounds{4440, 2040, 1215, 375}, "Cancel"),
      cmdok(*this, "cmdok", ui::Bounds{5640, 2040, 1215, 375}, "OK"),
      Timer1(*this, "Timer1", 100, true),
      program_(program) {
  border_style = ui::BorderStyle::kFixedDialog;
  min_button = false;
  max_button = false;
  back_color = 0xFFFFFF;
  chkShowAgain.Design(false, true);
  cmdCancel.Design(false, true);
  cmdCancel.is_cancel = true;
  cmdok.is_default = true;
  on_load = [this] { Label1.setCaption(program_.globals.messageText); };
  Timer1.on_timer = [this] { Label1.setCaption(program_.globals.messageText); };
  cmdok.on_click = [this] { Close(); };
  cmdCancel.on_click = [this] { Close(); };
}

void FrmError::Close() {
  program_.globals.messageText.clear();
  Unload();
}

}  // namespace app
