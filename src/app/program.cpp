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
      frmError(ui::FormEnvironment{services.loop, host}, *this) {}

void Program::Start() {
  globals.configLoading = true;
  frmkestrove.Load();
  frmkestrove.timerKestrove.setTimerEnabled(true);
  frmkestrove.GetConfig();
  globals.startupLockDone = true;
}

void Program::ShowUnlockPrompt() {
  ++unlock_prompt_requests_;
}

void Program::DisablePromptCancel() {
  prompt_cancel_disabled_ = true;
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
