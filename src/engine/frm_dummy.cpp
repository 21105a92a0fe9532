// frmDummy.
#include "engine/frm_dummy.h"

namespace engine {

FrmDummy::FrmDummy(ui::FormEnvironment env)
    : ui::Form(env, "frmDummy", "kestrove", ui::Bounds{0, 0, 4680, 900}),
      Label1(*this, "Label1", ui::Bounds{240, 300, 4200, 255}, "This task is protected by Windows UAC."),
      Timer1(*this, "Timer1", 1000, true) {
  border_style = ui::BorderStyle::kFixedSingle;
  max_button = false;
  icon = "IDI_PROGRAM";
  Timer1.on_timer = [this] {
    if (windowState() == ui::WindowState::kMinimized) Unload();
  };
}

}  // namespace engine
