// The configuration loader: rebuilds the main window's in-memory
// configuration from the registry, and CountTasks.
#include <string>

#include "app/failure_report.h"
#include "app/program.h"
#include "config/password.h"
#include "config/registry_layout.h"

namespace app {

using config::kMachine;
using config::kSettingsKey;
using platform::ShowCommand;

void FrmKestrove::GetConfig() {
  engine::Globals& g = program_.globals;
  // Asked for while a load or a save runs (from an event in one of their
  // yields): the next watch tick reloads once they are done.
  if (loading_ || saving_) {
    g.reloadPending = true;
    return;
  }
  loading_ = true;
  config::RegistryEdit& reg = program_.registry;
  platform::EventLoop& loop = program_.os.loop;
  g.configLoading = true;
  SkipOnFailure([&] { program_.os.process.HideFromTaskList(); });
  SkipOnFailure([&] {
    g.userUnrestricted = reg.ReadString(config::kUser, kSettingsKey, config::kCurrentUser) == "Enabled";
    chkAdmin.setChecked(g.userUnrestricted);
  });
  SkipOnFailure([&] { LoadTrayIcon(); });
  // The lists are read aside, yielding at every value, and put in place
  // whole: the watch cycle never sees a list half loaded.
  std::vector<config::TaskRow> tasks;
  std::vector<std::string> ignore_list;
  SkipOnFailure([&] { tasks = config::LoadTasks(reg, loop); });
  SkipOnFailure([&] { ignore_list = config::LoadIgnoreList(reg, loop); });
  SkipOnFailure([&] {
    lstTasks.clear();
    for (config::TaskRow& row : tasks) lstTasks.addItem(std::move(row.entry), row.checked);
  });
  SkipOnFailure([&] { CountTasks(); });
  SkipOnFailure([&] {
    if (lstTasks.listCount() > 0) lstTasks.setListIndex(0);
  });
  SkipOnFailure([&] {
    g.accessPassword = program_.os.text.LowerCase(reg.ReadString(kMachine, kSettingsKey, config::kPwd));
    if (g.accessPassword.empty()) g.accessPassword = config::kDefaultPassword;
  });
  SkipOnFailure([&] {
    lstignore.clear();
    for (std::string& row : ignore_list) lstignore.addItem(std::move(row));
  });
  SkipOnFailure([&] {
    g.ruleRegistryTools = reg.ReadDword(kMachine, kSettingsKey, config::kDisableRegistryTools) == 1;
    chkDisableRegistry.setChecked(g.ruleRegistryTools);
  });
  SkipOnFailure([&] { LoadStartupLock(); });
  SkipOnFailure([&] { LoadTaskbar(); });
  SkipOnFailure([&] { g.ruleIE = ReadFlag(config::kLockIE, chkLockIE2) ? 1 : 0; });
  SkipOnFailure([&] { g.ruleBrowsers = ReadFlag(config::kLock3Party, chkLock3Party); });
  SkipOnFailure([&] { g.ruleExplorer = ReadFlag(config::kLockEx, chkLockEx1); });
  SkipOnFailure([&] { g.ruleTaskManager = ReadFlag(config::kTaskManager, chkTaskManager1); });
  SkipOnFailure([&] { g.ruleInstall = ReadFlag(config::kLockInstall, chklockinstall1); });
  g.configLoading = false;
  loading_ = false;
}

bool FrmKestrove::ReadFlag(std::string_view name, ui::CheckBox& box) {
  const bool on = program_.registry.ReadString(kMachine, kSettingsKey, name) == "1";
  box.setChecked(on);
  return on;
}

// Every load takes the icon down and, unless "No Tray Icon" is set, puts up a
// fresh one showing the account's current state.
void FrmKestrove::LoadTrayIcon() {
  platform::TrayIconRecord& icon = program_.trayIcon;
  if (program_.registry.ReadString(kMachine, kSettingsKey, config::kTray) == "1") {
    chkTray.setChecked(true);
    program_.os.shell.DeleteTrayIcon(icon);
    return;
  }
  chkTray.setChecked(false);
  program_.os.shell.DeleteTrayIcon(icon);
  const bool unrestricted = program_.globals.userUnrestricted;
  icon.window = window();
  icon.id = 1;
  icon.flags = 7;
  icon.callback_message = platform::kTrayCallbackMessage;
  icon.image = unrestricted ? platform::TrayIconImage::kUnlocked : platform::TrayIconImage::kProgram;
  icon.tip = std::string("Kestrove Pro 2011") + " - " + (unrestricted ? "Administrator" : "Standard User");
  program_.os.shell.AddTrayIcon(icon);
}

// Only the first load of a run may raise the Windows-at-startup lock; a
// setting that is neither on nor off leaves the check box as it was.
void FrmKestrove::LoadStartupLock() {
  engine::Globals& g = program_.globals;
  const std::string startup = program_.registry.ReadString(kMachine, kSettingsKey, config::kStartup);
  if (startup == "1") {
    // Ticked on every load, so that the next Apply keeps it on.
    chkStartup.setChecked(true);
    if (g.startupLockDone) return;
    program_.RaiseLock(engine::StartupLock());
    g.startupLockDone = true;
  } else if (startup.empty() || startup == "0") {
    chkStartup.setChecked(false);
    g.startupLockDone = true;
  }
}

void FrmKestrove::LoadTaskbar() {
  const bool hide = program_.registry.ReadString(kMachine, kSettingsKey, config::kHideSM) == "1";
  platform::WindowService& windows = program_.os.windows;
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
    program_.os.loop.DoEvents();
    if (lstTasks.selected(row)) ++task_counter_;
    lblTaskCount.setCaption("Tasks Locked: " + std::to_string(task_counter_));
  }
}

}  // namespace app
