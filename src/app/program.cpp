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

void Program::Start() {
  frmkestrove.Show();
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
