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
  globals.lockReason = engine::reason::kConfig;
  ShowUnlockPrompt();
}

// Every call shows the prompt: one that is already open comes to the front.
void Program::ShowUnlockPrompt() {
  SkipOnFailure([this] {
    if (frmPassword.visible()) {
      frmPassword.BringToFront();
    } else {
      frmPassword.Show();
    }
  });
}

std::vector<ui::Form*> Program::SecondaryForms() {
  return {&frmPassword, &frmError};
}

std::string TickFailureText(std::string_view description) {
  std::string text = "Error: \"";
  text += description;
  text += "\".";
  return text;
}

void ShowMessage(Program& program, std::string text) {
  program.globals.messageText = std::move(text);
  program.frmError.Present();
}

}  // namespace app
