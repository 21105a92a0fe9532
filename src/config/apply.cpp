// Apply: saves what the main window shows into the registry, sets the rule
// switches at once and reloads the configuration.
#include "app/failure_report.h"
#include "app/program.h"
#include "config/stored_lists.h"

namespace app {

void FrmKestrove::Apply() {
  // Saving while a load fills the window would store a list half read, and
  // the load would then put the old configuration back over the new one.
  if (loading_) {
    ShowMessage(program_, "The settings are being loaded. Press Apply again in a moment.");
    return;
  }
  // A second press while the first still writes: the first saves it all.
  if (saving_) return;
  RunReportingApplyFailure(program_, [this] { ApplySteps(); });
  saving_ = false;
}

config::SavedSettings FrmKestrove::SettingsShown() {
  config::SavedSettings settings;
  settings.noTrayIcon = chkTray.checked();
  for (int r = 0; r < lstTasks.listCount(); ++r)
    settings.tasks.push_back({lstTasks.list(r), lstTasks.selected(r)});
  for (int r = 0; r < lstignore.listCount(); ++r) settings.ignoreList.push_back(lstignore.list(r));
  settings.sessionMinutes = txtrelock.text();
  settings.startup = chkStartup.checked();
  settings.hideStartMenu = chkHideSM.checked();
  settings.lockRegistryTools = chkDisableRegistry.checked();
  settings.lockTaskManager = chkTaskManager1.checked();
  settings.lockIE = chkLockIE2.checked();
  settings.lockBrowsers = chkLock3Party.checked();
  settings.lockExplorer = chkLockEx1.checked();
  settings.lockInstall = chklockinstall1.checked();
  return settings;
}

void FrmKestrove::ApplySteps() {
  const config::SavedSettings settings = SettingsShown();
  saving_ = true;
  config::SaveSettings(program_.registry, program_.settings, program_.os.loop, settings);
  saving_ = false;
  engine::Globals& g = program_.globals;
  g.ruleRegistryTools = settings.lockRegistryTools;
  g.ruleTaskManager = settings.lockTaskManager;
  g.ruleIE = settings.lockIE ? 1 : 0;
  g.ruleBrowsers = settings.lockBrowsers;
  g.ruleExplorer = settings.lockExplorer;
  g.ruleInstall = settings.lockInstall;
  GetConfig();
  cmdcancel.setCaption("Close");
}

}  // namespace app
