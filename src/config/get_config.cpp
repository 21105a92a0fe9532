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
  config::RegistryEdit& reg = program_.registry;
  g.configLoading = true;
  SkipOnFailure([&] { program_.os.process.HideFromTaskList(); });
  SkipOnFailure([&] { lstTasks.clear(); });
  SkipOnFailure([&] {
    g.userUnrestricted = reg.ReadString(config::kUser, kSettingsKey, config::kCurrentUser) == "Enabled";
    chkAdmin.setChecked(g.userUnrestricted);
  });
  SkipOnFailure([&] { LoadTrayIcon(); });
  LoadTasks();
  SkipOnFailure([&] { CountTasks(); });
  SkipOnFailure([&] {
    if (lstTasks.listCount() > 0) lstTasks.setListIndex(0);
  });
  SkipOnFailure([&] {
    g.accessPassword = config::LowerCase(reg.ReadString(kMachine, kSettingsKey, config::kPwd));
    if (g.accessPassword.empty()) g.accessPassword = engine::kDefaultPassword;
  });
  LoadIgnoreList();
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

// Task values are the entry followed by "," and the flag digit; the digit is
// the last character and exactly two are cut, so entries may hold commas. A
// value of one character holds no entry and is skipped.
void FrmKestrove::LoadTasks() {
  for (int n = 0; n < config::kMaxListValues; ++n) {
    SkipOnFailure([&] {
      program_.os.loop.DoEvents();
      const std::string value =
          program_.registry.ReadString(kMachine, config::kTasksKey, "Task" + std::to_string(n));
      if (value.size() < 2) return;
      lstTasks.addItem(value.substr(0, value.size() - 2), value.back() == '1');
    });
  }
}

void FrmKestrove::LoadIgnoreList() {
  SkipOnFailure([&] { lstignore.clear(); });
  for (int n = 0; n < config::kMaxListValues; ++n) {
    SkipOnFailure([&] {
      program_.os.loop.DoEvents();
      std::string value =
          program_.registry.ReadString(kMachine, config::kIgnoreListKey, "Task" + std::to_string(n));
      if (!value.empty()) lstignore.addItem(std::move(value));
    });
  }
}

// Only the first load of a run may raise the Windows-at-startup lock; a
// setting that is neither on nor off leaves the check box as it was.
void FrmKestrove::LoadStartupLock() {
  engine::Globals& g = program_.globals;
  const std::string startup = program_.registry.ReadString(kMachine, kSettingsKey, config::kStartup);
  if (startup == "1" && !g.startupLockDone) {
    chkStartup.setChecked(true);
    g.lockReason = engine::reason::kApp;
    g.lockedTaskEntry = engine::kStartupEntry;
    program_.ShowUnlockPrompt();
    SkipOnFailure([&] { program_.frmPassword.cmdCancelPWD.setEnabled(false); });
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
