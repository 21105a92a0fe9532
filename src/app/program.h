// The running program: the outside services it was given, the program-wide
// state, and its windows. One instance, built by main (win32 services) or by
// a test (fakes).
#pragma once

#include <string>

#include "app/frm_error.h"
#include "app/frm_kestrove.h"
#include "config/registry_edit.h"
#include "engine/globals.h"
#include "platform/services.h"
#include "platform/settings_store.h"
#include "platform/shell_service.h"
#include "ui/form.h"

namespace app {

class Program {
 public:
  Program(platform::Services services, ui::FormHost& host);

  // Loads the main window (hidden), arms the watch cycle and loads the
  // configuration.
  void Start();

  // Shows the unlock prompt for the lock in the record and returns at once.
  // For now it records the request; the prompt window takes it over.
  void ShowUnlockPrompt();
  // Disables the prompt's Cancel, for the locks that must not be cancelled.
  void DisablePromptCancel();
  [[nodiscard]] int unlockPromptRequests() const { return unlock_prompt_requests_; }
  [[nodiscard]] bool promptCancelDisabled() const { return prompt_cancel_disabled_; }

  platform::Services os;
  config::RegistryEdit registry;
  platform::SettingsStore settings;
  engine::Globals globals;
  // The one tray icon record, reused for every add and delete.
  platform::TrayIconRecord trayIcon;

  FrmKestrove frmkestrove;
  FrmError frmError;

 private:
  int unlock_prompt_requests_ = 0;
  bool prompt_cancel_disabled_ = false;
};

}  // namespace app
