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
  ~Program() override;
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  Program(Program&&) = delete;
  Program& operator=(Program&&) = delete;

  // Loads the main window, whose load handler starts the program, and asks
  // for the password before the configuration can be seen.
  void Start();

  void RaiseLock(const engine::LockRequest& request) { locks_.RaiseLock(request); }
  void ShowUnlockPrompt() { locks_.ShowUnlockPrompt(); }
  // The configuration is reloaded at the next watch tick.
  void RequestReload() { watch_.RequestReload(); }
  [[nodiscard]] bool reloadPending() const { return watch_.reloadPending(); }
  // The windows other than the main one, in the order the program closes
  // them when it ends.
  std::vector<ui::Form*> SecondaryForms();

  // engine::Application
  void ShowMessage(std::string text) override;
  void ShowConfiguration() override;
  void ReloadConfiguration() override;

  // What the handlers work with: the outside services, the registry access
  // layer, the per-user store, the program-wide state and the tray icon
  // record (all of them in the engine's context).
  [[nodiscard]] engine::Context& context() { return context_; }
  [[nodiscard]] platform::Services& os() { return context_.os; }
  [[nodiscard]] config::RegistryEdit& registry() { return context_.registry; }
  [[nodiscard]] platform::SettingsStore& settings() { return context_.settings; }
  [[nodiscard]] engine::Globals& globals() { return context_.globals; }
  [[nodiscard]] const engine::Globals& globals() const { return context_.globals; }
  [[nodiscard]] platform::TrayIconRecord& trayIcon() { return context_.trayIcon; }
  // Read only: the lock engine alone writes the lock record.
  [[nodiscard]] const engine::LockRecord& lockRecord() const { return locks_.record(); }
  // The unlock prompt, its cover and the placeholder window.
  [[nodiscard]] engine::FrmPassword& frmPassword() { return locks_.frmPassword; }
  [[nodiscard]] engine::FrmBlank& frmblank() { return locks_.frmblank; }
  [[nodiscard]] const engine::FrmDummy& frmDummy() const { return locks_.frmDummy; }

  // Declared in the order they are built: each part is given the ones
  // before it.
 private:
  engine::Context context_;

 public:
  FrmKestrove frmkestrove;

 private:
  engine::Locks locks_;

 public:
  FrmError frmError;
  FrmLock frmLock;
  FrmIgnore frmignore;
  engine::FrmTickCount frmtickCount;

 private:
  engine::WatchCycle watch_;
  engine::SessionLimit session_;
};

// Shows a message in the message dialog, as an ordinary message.
void ShowMessage(Program& program, std::string text);

}  // namespace app
