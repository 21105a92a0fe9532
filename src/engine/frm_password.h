// frmPassword, the unlock prompt: the one place the access password is asked
// for. It answers the lock in the lock record (engine::Globals): the right
// password undoes the lock, Cancel asks the locked program to close. It also
// serves as the two-step dialogue that sets a new password (reason "pwd").
// Loaded on demand by ShowUnlockPrompt, unloaded on every way out.
#pragma once

#include <string>

#include "ui/control.h"
#include "ui/form.h"

namespace app {

class Program;

class FrmPassword : public ui::Form {
 public:
  FrmPassword(ui::FormEnvironment env, Program& program);

  // Shows the desktop behind a registry-editor or installer lock.
  void ShowDesktop();

  ui::Label lblDefaultPass;
  ui::Label Label3;
  ui::TextBox txtPass;
  ui::CheckBox chkKeep;
  ui::Button cmdCancelPWD;
  ui::Button cmdOK;
  ui::Timer tmrCodeDelay;

  // The two entries of the set-password dialogue; "" between dialogues.
  std::string firstNewPassword;
  std::string secondNewPassword;

 private:
  void OnLoad();
  void OnActivate();
  void OK();
  void Cancel();
  // The right-password answers; each ends by closing or finishing.
  void Unlock(const std::string& reason);
  void SetPasswordStep();
  // Hides the prompt, then finishes.
  void Close();
  // Clears the lock reason and unloads the prompt (and its cover).
  void Finish();

  Program& program_;
};

}  // namespace app
