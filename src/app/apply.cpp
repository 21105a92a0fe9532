// Apply: saves what the main window shows into the registry, sets the rule
// switches at once and reloads the configuration.
#include "app/program.h"
#include "engine/event_reports.h"
#include "engine/failure_report.h"

namespace app {

void FrmKestrove::Apply() {
  // Saving while a load fills the window would store a list half read, and
  // the load would then put the old configuration back over the new one; a
  // second press while the first still writes would save what the first
  // already took. Either way nothing is written, and the user is told.
  if (loadSave_.busy()) {
    program_.ShowMessage("The settings are being loaded or saved. Press Apply again in a moment.");
    return;
  }
  engine::RunReportingApplyFailure(program_, [this] { ApplySteps(); });
}

config::Configuration FrmKestrove::ConfigurationShown() {
  config::Configuration c;
  c.noTrayIcon = chkTray.checked();
  for (int r = 0; r < lstTasks.listCount(); ++r) c.tasks.push_back({lstTasks.list(r), lstTasks.selected(r)});
  for (int r = 0; r < lstignore.listCount(); ++r) c.ignoreList.push_back(lstignore.list(r));
  c.sessionMinutes = txtrelock.text();
  c.startup = chkStartup.checked();
  c.hideStartMenu = chkHideSM.checked();
  c.lockRegistryTools = chkDisableRegistry.checked();
  c.lockTaskManager = chkTaskManager1.checked();
  c.lockIE = chkLockIE2.checked();
  c.lockBrowsers = chkLock3Party.checked();
  c.lockExplorer = chkLockEx1.checked();
  c.lockInstall = chklockinstall1.checked();
  return c;
}

void FrmKestrove::ApplySteps() {
  engine::Globals& g = program_.globals();
  const config::Configuration c = ConfigurationShown();
  {
    const auto saving = loadSave_.Saving();
    config::SaveConfiguration(program_.registry(), program_.settings(), program_.os().loop, c);
  }
  engine::ReportConfigurationApplied(program_.context(), c.tasks.size(), c.ignoreList.size());
  g.ruleRegistryTools = c.lockRegistryTools;
  g.ruleTaskManager = c.lockTaskManager;
  g.ruleIE = c.lockIE ? 1 : 0;
  g.ruleBrowsers = c.lockBrowsers;
  g.ruleExplorer = c.lockExplorer;
  g.ruleInstall = c.lockInstall;
  GetConfig();
  cmdcancel.setCaption("Close");
}

}  // namespace app
