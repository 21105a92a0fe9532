// The running program.
#include "app/program.h"

#include <initializer_list>
#include <utility>

namespace app {

Program::Program(platform::Services services, ui::FormHost& host)
    : context(services, *this),
      frmkestrove(ui::FormEnvironment{services.loop, host}, *this),
      locks(ui::FormEnvironment{services.loop, host}, context, frmkestrove.loadSave(), frmkestrove.lstAllow),
      frmError(ui::FormEnvironment{services.loop, host}, *this),
      frmLock(ui::FormEnvironment{services.loop, host}, *this),
      frmignore(ui::FormEnvironment{services.loop, host}, *this),
      frmtickCount(ui::FormEnvironment{services.loop, host}, services.windows),
      watch(context, locks, frmkestrove.loadSave(), frmkestrove.lstTasks, frmkestrove.lstAllow,
            frmkestrove.lstignore),
      session(context, locks, frmtickCount, frmkestrove.tmrTimer) {
  locks.KeepUsableDuringLocks(frmError);
  frmkestrove.timerKestrove.on_timer = [this] { watch.WatchTick(); };
  frmkestrove.tmrForeground.on_timer = [this] { watch.ForegroundCheck(); };
  frmkestrove.tmrTimer.on_timer = [this] { session.SessionTick(); };
  // The configuration window and the dialogs it opens act on input only
  // while the configuration is open after the right password; whatever
  // reaches them otherwise (another program's commands and clicks to the
  // hidden window among it) changes nothing.
  for (ui::Form* form : std::initializer_list<ui::Form*>{&frmkestrove, &frmLock, &frmignore}) {
    form->input_gate = [this] { return globals.configAuthorised; };
  }
}

// Loading the main window runs the start-up sequence. The window itself is
// shown only once the password has been given: the gate asks before it
// would appear, so the configuration is never seen, not even for a moment.
void Program::Start() {
  frmkestrove.Load();
  if (!frmkestrove.loaded()) return;
  if (globals.configAuthorised) {
    frmkestrove.Show();
    return;
  }
  RaiseLock(engine::ConfigLock(std::nullopt));
}

std::vector<ui::Form*> Program::SecondaryForms() {
  return {&frmignore, &frmLock, &frmPassword, &frmError, &frmtickCount};
}

void Program::ShowMessage(std::string text) {
  globals.messageText = std::move(text);
  frmError.PresentMessage();
}

void Program::ShowConfiguration() {
  frmkestrove.Show();
}

void Program::ReloadConfiguration() {
  frmkestrove.GetConfig();
}

void ShowMessage(Program& program, std::string text) {
  program.ShowMessage(std::move(text));
}

}  // namespace app
