// frmDummy: the small placeholder window shown while the desktop is shown for
// a registry-editor or installer lock. Minimised, it closes itself.
#pragma once

#include "ui/control.h"
#include "ui/form.h"

namespace engine {

class FrmDummy : public ui::Form {
 public:
  explicit FrmDummy(ui::FormEnvironment env);

  ui::Label Label1;
  ui::Timer Timer1;
};

}  // namespace engine
