// The configuration loader: puts the configuration read from the registry
// into the main window's controls and the program-wide flags, and applies
// the tray, taskbar and Windows-at-startup settings; and CountTasks.
#include <string>

#include "app/program.h"
#include "config/password.h"
#include "engine/failure_report.h"

namespace app {

using engine::SkipOnFailure;
using platform::ShowCommand;

void FrmKestrove::GetConfig() {
  engine::Globals& g = program_.globals();
  // Asked for while a load or a save runs (from an event in one of their
  // yields): the next watch tick reloads once they are done.
  if (loadSave_.busy()) {
    program_.RequestReload();
    return;
  }
  const auto loading = loadSave_.Loading();
  SkipOnFailure([&] { program_.os().process.HideFromTaskList(); });
  // Read whole, yielding at every list value, and only then put in place:
  // the watch cycle never sees a list half loaded.
  config::Configuration c;
  if (!SkipOnFailure([&] { c = config::LoadConfiguration(program_.registry(), program_.os().loop); })) {
    // Something that ran in a yield failed: what is in place stays, and the
    // next tick tries again.
    program_.RequestReload();
    return;
  }
  // Only while the values read are put into the controls: a box the user
  // ticks while the registry is still being read is the user's, and is
  // stored (its reload waits for this one to end).
  loadSave_.StartFilling();
  SkipOnFailure([&] {
    g.userUnrestricted = c.userUnrestricted;
    chkAdmin.setChecked(c.userUnrestricted);
  });
  SkipOnFailure([&] { PutUpTrayIcon(c.noTrayIcon); });
  SkipOnFailure([&] {
    lstTasks.clear();
    for (config::TaskRow& row : c.tasks) lstTasks.addItem(std::move(row.entry), row.checked);
  });
  SkipOnFailure([&] { CountTasks(); });
  SkipOnFailure([&] {
    if (lstTasks.listCount() > 0) lstTasks.setListIndex(0);
  });
  SkipOnFailure([&] {
    g.accessPassword = program_.os().text.LowerCase(c.password);
    if (g.accessPassword.empty()) g.accessPassword = config::kDefaultPassword;
    loadSave_.Loaded();
  });
  SkipOnFailure([&] {
    lstignore.clear();
    for (std::string& row : c.ignoreList) lstignore.addItem(std::move(row));
  });
  SkipOnFailure([&] {
    g.ruleRegistryTools = c.lockRegistryTools;
    chkDisableRegistry.setChecked(c.lockRegistryTools);
  });
  SkipOnFailure([&] { ApplyStartup(c.startup); });
  SkipOnFailure([&] { ApplyTaskbar(c.hideStartMenu); });
  const auto flag = [](ui::CheckBox& box, bool on, auto& rule) {
    SkipOnFailure([&] {
      box.setChecked(on);
      rule = on;
    });
  };
  flag(chkLockIE2, c.lockIE, g.ruleIE);
  flag(chkLock3Party, c.lockBrowsers, g.ruleBrowsers);
  flag(chkLockEx1, c.lockExplorer, g.ruleExplorer);
  flag(chkTaskManager1, c.lockTaskManager, g.ruleTaskManager);
  flag(chklockinstall1, c.lockInstall, g.ruleInstall);
}

// Every load takes the icon down and, unless "No Tray Icon" is set, puts up a
// fresh one showing the account's current state.
void FrmKestrove::PutUpTrayIcon(bool no_tray_icon) {
  platform::TrayIconRecord& icon = program_.trayIcon();
  chkTray.setChecked(no_tray_icon);
  program_.os().shell.DeleteTrayIcon(icon);
  if (no_tray_icon) return;
  const bool unrestricted = program_.globals().userUnrestricted;
  icon.window = window();
  icon.id = 1;
  icon.flags = 7;
  icon.callback_message = platform::kTrayCallbackMessage;
  icon.image = unrestricted ? platform::TrayIconImage::kUnlocked : platform::TrayIconImage::kProgram;
  icon.tip = std::string("Kestrove Pro 2011") + " - " + (unrestricted ? "Administrator" : "Standard User");
  program_.os().shell.AddTrayIcon(icon);
}

// Only the first load of a run may raise the Windows-at-startup lock; a
// setting that is neither on nor off leaves the check box as it was.
void FrmKestrove::ApplyStartup(std::optional<bool> startup) {
  engine::Globals& g = program_.globals();
  if (!startup) return;
  // Ticked on every load that reads it on, so that the next Apply keeps it.
  chkStartup.setChecked(*startup);
  if (*startup && !g.startupLockDone) program_.RaiseLock(engine::StartupLock());
  g.startupLockDone = true;
}

void FrmKestrove::ApplyTaskbar(bool hide) {
  platform::WindowService& windows = program_.os().windows;
  chkHideSM.setChecked(hide);
  // Shown without taking the focus from whatever the user is working in.
  const ShowCommand command = hide ? ShowCommand::kHide : ShowCommand::kShowNoActivate;
  if (const auto taskbar = windows.FindByClass("Shell_TrayWnd")) windows.ShowAsync(taskbar, command);
  if (const auto start_button = windows.FindByClass("Button")) windows.ShowAsync(start_button, command);
}

void FrmKestrove::CountTasks() {
  task_counter_ = 0;
  if (lstTasks.listCount() == 0) {
    lblTaskCount.setCaption("Tasks Locked: 0");
    return;
  }
  const int count = lstTasks.listCount();
  for (int row = 0; row < count; ++row) {
    program_.os().loop.DoEvents();
    if (lstTasks.selected(row)) ++task_counter_;
    lblTaskCount.setCaption("Tasks Locked: " + std::to_string(task_counter_));
  }
}

}  // namespace app
