// The running program.
#include "app/program.h"

#include <initializer_list>
#include <utility>

namespace app {

Program::Program(platform::Services services, ui::FormHost& host)
    : context_(services, *this),
      frmkestrove(ui::FormEnvironment{services.loop, host}, *this),
      locks_(ui::FormEnvironment{services.loop, host}, context_, frmkestrove.loadSave(),
             frmkestrove.lstAllow),
      frmError(ui::FormEnvironment{services.loop, host}, *this),
      frmLock(ui::FormEnvironment{services.loop, host}, *this),
      frmignore(ui::FormEnvironment{services.loop, host}, *this),
      frmtickCount(ui::FormEnvironment{services.loop, host}, services.windows),
      watch_(context_, locks_, frmkestrove.loadSave(), frmkestrove.lstTasks, frmkestrove.lstAllow,
             frmkestrove.lstignore),
      session_(context_, locks_, frmtickCount, frmkestrove.tmrTimer) {
  locks_.KeepUsableDuringLocks(frmError);
  frmkestrove.timerKestrove.on_timer = [this] { watch_.WatchTick(); };
  frmkestrove.tmrForeground.on_timer = [this] { watch_.ForegroundCheck(); };
  // A window that comes forward, appears or is renamed is looked at as it
  // happens, without waiting for the quick look's timer, which stays the
  // fallback where the system sends no event; events count only while the
  // quick look runs.
  services.loop.WatchWindowEvents([this] {
    if (frmkestrove.tmrForeground.running()) watch_.ForegroundCheck();
  });
  frmkestrove.tmrTimer.on_timer = [this] { session_.SessionTick(); };
  // The configuration window and the dialogs it opens act on input only
  // while the configuration is open after the right password; whatever
  // reaches them otherwise (another program's commands and clicks to the
  // hidden window among it) changes nothing.
  for (ui::Form* form : std::initializer_list<ui::Form*>{&frmkestrove, &frmLock, &frmignore}) {
    form->input_gate = [this] { return context_.globals.configAuthorised; };
  }
}

Program::~Program() {
  context_.os.loop.WatchWindowEvents(nullptr);
}

// Loading the main window runs the start-up sequence. The window itself is
// shown only once the password has been given: the gate asks before it
// would appear, so the configuration is never seen, not even for a moment.
void Program::Start() {
  frmkestrove.Load();
  if (!frmkestrove.loaded()) return;
  if (context_.globals.configAuthorised) {
    frmkestrove.Show();
    return;
  }
  RaiseLock(engine::ConfigLock(std::nullopt));
}

std::vector<ui::Form*> Program::SecondaryForms() {
  return {&frmignore, &frmLock, &locks_.frmPassword, &frmError, &frmtickCount};
}

void Program::ShowMessage(std::string text) {
  context_.globals.messageText = std::move(text);
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
