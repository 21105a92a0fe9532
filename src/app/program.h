// The running program: owns the engine's context, every window and the
// engine's parts, wires them together and answers what the engine asks of
// the application. One instance, built by main (win32 services) or by a test
// (fakes).
#pragma once

#include <string>
#include <vector>

#include "app/frm_error.h"
#include "app/frm_ignore.h"
#include "app/frm_kestrove.h"
#include "app/frm_lock.h"
#include "engine/context.h"
#include "engine/frm_tick_count.h"
#include "engine/locks.h"
#include "engine/session_limit.h"
#include "engine/watch_cycle.h"
#include "ui/form.h"

namespace app {

class Program : public engine::Application {
 public:
  Program(platform::Services services, ui::FormHost& host);

  // Loads the main window, whose load handler starts the program, and asks
  // for the password before the configuration can be seen.
  void Start();

  void RaiseLock(const engine::LockRequest& request) { locks.RaiseLock(request); }
  void ShowUnlockPrompt() { locks.ShowUnlockPrompt(); }
  [[nodiscard]] const engine::LockRecord& lockRecord() const { return locks.record(); }
  // The windows other than the main one, in the order the program closes
  // them when it ends.
  std::vector<ui::Form*> SecondaryForms();

  // engine::Application
  void ShowMessage(std::string text) override;
  void ShowConfiguration() override;
  void ReloadConfiguration() override;

  engine::Context context;
  platform::Services& os = context.os;
  config::RegistryEdit& registry = context.registry;
  platform::SettingsStore& settings = context.settings;
  engine::Globals& globals = context.globals;
  platform::TrayIconRecord& trayIcon = context.trayIcon;

  FrmKestrove frmkestrove;
  engine::Locks locks;
  engine::FrmPassword& frmPassword = locks.frmPassword;
  engine::FrmBlank& frmblank = locks.frmblank;
  engine::FrmDummy& frmDummy = locks.frmDummy;
  FrmError frmError;
  FrmLock frmLock;
  FrmIgnore frmignore;
  engine::FrmTickCount frmtickCount;
  engine::WatchCycle watch;
  engine::SessionLimit session;
};

// Shows a message in the message dialog, as an ordinary message.
void ShowMessage(Program& program, std::string text);

}  // namespace app
