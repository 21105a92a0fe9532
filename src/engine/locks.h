// Where every lock ends: the unlock prompt with its black cover and the
// placeholder window, and RaiseLock, the one way a lock is raised.
#pragma once

#include "engine/context.h"
#include "engine/frm_blank.h"
#include "engine/frm_dummy.h"
#include "engine/frm_password.h"
#include "ui/control.h"
#include "ui/form.h"

namespace engine {

class Locks {
 public:
  // allow_list: the main window's lstAllow, where a task unlock puts the
  // window's class.
  Locks(ui::FormEnvironment env, Context& context, ui::ListBox& allow_list);

  // Raises a lock: fills the lock record and shows the prompt, which answers
  // the newest lock. A lock that must not be cancelled disables the prompt's
  // Cancel until the password is given. Callers never pass a window of the
  // program's own (WindowService::IsOwnWindow).
  void RaiseLock(const LockRequest& request);
  // Shows the unlock prompt for the lock in the record (loading it first when
  // it is not loaded) and returns at once; a failure is ignored. One that is
  // already open comes to the front. While the prompt's own message box is up
  // it waits: the prompt comes back for the newest lock when the box closes.
  void ShowUnlockPrompt();
  // While a lock is pending the prompt and its cover stay in sight: shown
  // again when another program hid or minimised them.
  void KeepInSight();

  FrmPassword frmPassword;
  FrmBlank frmblank;
  FrmDummy frmDummy;

 private:
  Context& context_;
};

}  // namespace engine
