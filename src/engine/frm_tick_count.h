// frmtickCount: the small window that shows how many minutes of today's
// usage allowance are left. It cannot be closed by the user; minimised, its
// caption carries the minutes.
#pragma once

#include "platform/window_service.h"
#include "ui/control.h"
#include "ui/form.h"

namespace engine {

class FrmTickCount : public ui::Form {
 public:
  FrmTickCount(ui::FormEnvironment env, platform::WindowService& windows);

  ui::Label txttickCount;
  ui::Timer Timer1;

 private:
  // The caption by window state; `colon` as the resize handler writes it.
  void UpdateCaption(bool colon);
};

}  // namespace engine
