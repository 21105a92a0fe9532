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
      frmDummy(ui::FormEnvironment{services.loop, host}) {}

void Program::Start() {
  SkipOnFailure([this] { globals.appFolder = os.process.ExecutableFolder(); });
  globals.configLoading = true;
  frmkestrove.Load();
  frmkestrove.timerKestrove.setTimerEnabled(true);
  frmkestrove.GetConfig();
  globals.startupLockDone = true;
}

void Program::ShowUnlockPrompt() {
  SkipOnFailure([this] { frmPassword.Show(); });
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
  program.frmError.Show();
}

}  // namespace app
