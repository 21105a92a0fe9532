// The running program and the message-dialog failure report.
#include "app/program.h"

#include <utility>

#include "app/failure_report.h"

namespace app {

Program::Program(platform::Services services, ui::FormHost& host)
    : os(services),
      registry(services.registry),
      settings(services.registry),
      frmkestrove(ui::FormEnvironment{services.loop, host}, *this),
      frmPassword(ui::FormEnvironment{services.loop, host}, *this),
      frmblank(ui::FormEnvironment{services.loop, host}),
      frmError(ui::FormEnvironment{services.loop, host}, *this),
      frmDummy(ui::FormEnvironment{services.loop, host}),
      frmtickCount(ui::FormEnvironment{services.loop, host}, *this) {}

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

void Program::RaiseLock(const engine::LockRequest& request) {
  engine::Globals& g = globals;
  const bool same = g.lockReason == request.reason &&
                    (!request.entry || *request.entry == g.lockedTaskEntry) &&
                    (!request.window || *request.window == g.lockedWindow) &&
                    (!request.window_class || *request.window_class == g.lockedWindowClass);
  if (request.window) g.lockedWindow = *request.window;
  g.lockReason = request.reason;
  if (request.entry) g.lockedTaskEntry = *request.entry;
  if (request.window_class) g.lockedWindowClass = *request.window_class;
  // A rule that finds the same window again every tick raises nothing new.
  if (!same) ++g.lockSerial;
  if (!request.cancellable) g.lockCancellable = false;
  SkipOnFailure([&] { frmPassword.TakeOverFor(request.reason); });
  if (request.only_if_hidden && frmPassword.visible()) return;
  ShowUnlockPrompt();
  if (!g.lockCancellable) SkipOnFailure([this] { frmPassword.cmdCancelPWD.setEnabled(false); });
}

// Every call shows the prompt: one that is already open comes to the front.
// While the prompt's own message box is up it waits: the prompt comes back
// for the newest lock when the box is closed.
void Program::ShowUnlockPrompt() {
  SkipOnFailure([this] {
    if (frmPassword.inMessageBox()) return;
    if (frmPassword.visible()) {
      frmPassword.BringToFront();
    } else {
      frmPassword.Show();
    }
  });
}

std::vector<ui::Form*> Program::SecondaryForms() {
  return {&frmPassword, &frmError, &frmtickCount};
}

std::string TickFailureText(std::string_view description) {
  std::string text = "Error: \"";
  text += description;
  text += "\".";
  return text;
}

void ShowMessage(Program& program, std::string text) {
  program.globals.messageText = std::move(text);
  program.frmError.PresentMessage();
}

}  // namespace app
