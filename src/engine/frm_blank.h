// frmblank: the black cover behind the unlock prompt, over every monitor.
#pragma once

#include "ui/form.h"

namespace engine {

class FrmBlank : public ui::Form {
 public:
  explicit FrmBlank(ui::FormEnvironment env) : ui::Form(env, "frmblank", "", ui::Bounds{0, 0, 4800, 3600}) {
    border_style = ui::BorderStyle::kNone;
    control_box = false;
    min_button = false;
    max_button = false;
    show_in_taskbar = false;
    back_color = 0x000000;
    // Not maximised: that covers one monitor's work area. The lock places
    // it over the whole virtual screen (Locks::KeepInSight).
    start_position = ui::StartPosition::kManual;
    // The cover goes with its prompt, never on a close from outside.
    on_query_unload = [](ui::UnloadRequest& request) {
      request.cancel = request.reason == ui::UnloadReason::kUserClose;
    };
  }
};

}  // namespace engine
