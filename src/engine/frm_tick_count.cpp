// frmtickCount.
#include "engine/frm_tick_count.h"

#include "engine/failure_report.h"

namespace engine {

FrmTickCount::FrmTickCount(ui::FormEnvironment env, platform::WindowService& windows)
    : ui::Form(env, "frmtickCount", "Time left:", ui::Bounds{0, 0, 2400, 330}),
      txttickCount(*this, "txttickCount", ui::Bounds{120, 45, 1545, 270}, ""),
      Timer1(*this, "Timer1", 60000, true) {
  border_style = ui::BorderStyle::kFixedSingle;
  max_button = false;
  min_button = true;
  start_position = ui::StartPosition::kManual;
  icon = "IDI_PROGRAM";
  txttickCount.transparent = true;
  txttickCount.design_fore_color = 0x0000FF;
  // The user cannot close it: no Close in its system menu.
  on_load = [this, &windows] { SkipOnFailure([&] { windows.RemoveCloseCommand(window()); }); };
  on_resize = [this] { UpdateCaption(true); };
  Timer1.on_timer = [this] { UpdateCaption(false); };
}

void FrmTickCount::UpdateCaption(bool colon) {
  if (windowState() == ui::WindowState::kMinimized) {
    setCaption("You have " + txttickCount.caption());
  } else {
    setCaption(colon ? "Time left:" : "Time left");
  }
}

}  // namespace engine
