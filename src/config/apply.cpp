// Apply: saves what the main window shows into the registry, sets the rule
// switches at once and reloads the configuration.
#include <string>

#include "app/failure_report.h"
#include "app/program.h"
#include "config/registry_layout.h"

namespace app {

using config::kMachine;
using config::kSettingsKey;

namespace {

const char* Flag(bool on) {
  return on ? "1" : "0";
}

}  // namespace

void FrmKestrove::Apply() {
  RunReportingApplyFailure(program_, [this] { ApplySteps(); });
}

void FrmKestrove::ApplySteps() {
  engine::Globals& g = program_.globals;
  config::RegistryEdit& reg = program_.registry;
  reg.WriteString(kMachine, kSettingsKey, config::kTray, Flag(chkTray.checked()));
  SaveTasks();
  SaveIgnoreList();
  const std::string& minutes = txtrelock.text();
  program_.settings.SaveSetting(config::kStoreApp, config::kStoreSection, "timer",
                                minutes.empty() || minutes == "0" ? std::string("0") : minutes);
  reg.WriteString(kMachine, kSettingsKey, config::kStartup, Flag(chkStartup.checked()));
  reg.WriteString(kMachine, kSettingsKey, config::kHideSM, Flag(chkHideSM.checked()));
  g.ruleRegistryTools = chkDisableRegistry.checked();
  reg.WriteDword(kMachine, kSettingsKey, config::kDisableRegistryTools, g.ruleRegistryTools ? 1 : 0);
  g.ruleTaskManager = chkTaskManager1.checked();
  reg.WriteString(kMachine, kSettingsKey, config::kTaskManager, Flag(g.ruleTaskManager));
  g.ruleIE = chkLockIE2.checked() ? 1 : 0;
  reg.WriteString(kMachine, kSettingsKey, config::kLockIE, Flag(chkLockIE2.checked()));
  g.ruleBrowsers = chkLock3Party.checked();
  reg.WriteString(kMachine, kSettingsKey, config::kLock3Party, Flag(g.ruleBrowsers));
  g.ruleExplorer = chkLockEx1.checked();
  reg.WriteString(kMachine, kSettingsKey, config::kLockEx, Flag(g.ruleExplorer));
  g.ruleInstall = chklockinstall1.checked();
  reg.WriteString(kMachine, kSettingsKey, config::kLockInstall, Flag(g.ruleInstall));
  GetConfig();
  cmdcancel.setCaption("Close");
}

// The new values are written over the old ones first and only then are the
// values beyond the new list removed, so a program killed half-way leaves
// new values followed by old ones: never an empty or shortened list.
void FrmKestrove::SaveTasks() {
  config::RegistryEdit& reg = program_.registry;
  const int count = lstTasks.listCount();
  for (int r = 0; r < count; ++r) {
    reg.WriteString(kMachine, config::kTasksKey, "Task" + std::to_string(r),
                    lstTasks.list(r) + (lstTasks.selected(r) ? ",1" : ",0"));
  }
  // From the top down, so that what is left is always one run without gaps.
  for (int n = config::kMaxListValues - 1; n >= count; --n) {
    program_.os.loop.DoEvents();
    reg.DeleteValue(kMachine, config::kTasksKey, "Task" + std::to_string(n));
  }
}

// Written the same way; an empty list leaves no IgnoreList key at all.
void FrmKestrove::SaveIgnoreList() {
  config::RegistryEdit& reg = program_.registry;
  const int count = lstignore.listCount();
  if (count == 0) {
    reg.DeleteKey(kMachine, config::kIgnoreListKey);
    return;
  }
  for (int r = 0; r < count; ++r) {
    program_.os.loop.DoEvents();
    reg.WriteString(kMachine, config::kIgnoreListKey, "Task" + std::to_string(r), lstignore.list(r));
  }
  for (int n = config::kMaxListValues - 1; n >= count; --n) {
    reg.DeleteValue(kMachine, config::kIgnoreListKey, "Task" + std::to_string(n));
  }
}

}  // namespace app
