// The running program: the outside services it was given, the program-wide
// state, and its windows. One instance, built by main (win32 services) or by
// a test (fakes).
#pragma once

#include <string>
#include <vector>

#include "app/frm_dummy.h"
#include "app/frm_error.h"
#include "app/frm_kestrove.h"
#include "app/frm_tick_count.h"
#include "config/registry_edit.h"
#include "engine/frm_blank.h"
#include "engine/frm_password.h"
#include "engine/globals.h"
#include "platform/services.h"
#include "platform/settings_store.h"
#include "platform/shell_service.h"
#include "ui/form.h"

namespace app {

class Program {
 public:
  Program(platform::Services services, ui::FormHost& host);

  // Loads the main window, whose load handler starts the program, and asks
  // for the password before the configuration can be seen.
  void Start();

  // Raises a lock: fills the lock record and shows the prompt, which answers
  // the newest lock. A lock that must not be cancelled disables the prompt's
  // Cancel until the password is given. Never locks the program's own
  // windows: the caller checks the window with IsOwnWindow first.
  void RaiseLock(const engine::LockRequest& request);
  // Shows the unlock prompt for the lock in the record (loading it first when
  // it is not loaded) and returns at once; a failure is ignored.
  void ShowUnlockPrompt();
  // The windows other than the main one, in the order the program closes
  // them when it ends.
  std::vector<ui::Form*> SecondaryForms();

  platform::Services os;
  config::RegistryEdit registry;
  platform::SettingsStore settings;
  engine::Globals globals;
  // The one tray icon record, reused for every add and delete.
  platform::TrayIconRecord trayIcon;

  FrmKestrove frmkestrove;
  FrmPassword frmPassword;
  FrmBlank frmblank;
  FrmError frmError;
  FrmDummy frmDummy;
  FrmTickCount frmtickCount;
};

}  // namespace app
