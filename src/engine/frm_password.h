// frmPassword, the unlock prompt: the one place the access password is asked
// for. It answers the lock in the lock record (engine::Globals): the right
// password undoes the lock, Cancel asks the locked program to close. It also
// serves as the two-step dialogue that sets a new password (reason "pwd").
// Loaded on demand by ShowUnlockPrompt, unloaded on every way out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/context.h"
#include "ui/control.h"
#include "ui/form.h"

namespace engine {

class Locks;

class FrmPassword : public ui::Form {
 public:
  FrmPassword(ui::FormEnvironment env, Context& context, Locks& locks, ui::ListBox& allow_list);

  // Shows the desktop behind a registry-editor or installer lock.
  void ShowDesktop();
  // A lock of another reason arrived: an open set-password dialogue gives
  // way and the prompt unloads, to load afresh for the lock (not while its
  // message box is up: the box's end reloads it).
  void TakeOverFor(std::string_view reason);
  // Whether the prompt waits on its own message box.
  [[nodiscard]] bool inMessageBox() const { return in_message_box_; }

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
  // Cancel's sequence; answered: run by the installer unlock after the
  // right password, so it runs even where Cancel itself may not.
  void Cancel(bool answered);
  // The right-password answers; each ends by closing or finishing.
  void Unlock(const std::string& reason);
  void SetPasswordStep();
  // Shows a message box over the hidden prompt; afterwards, whether the
  // prompt is still the one that asked and no other lock came meanwhile.
  bool ShowBoxThenKeepsLock(std::string_view text, std::uint32_t style);
  // Hides the prompt, then finishes.
  void Close();
  // Clears the lock reason and unloads the prompt (and its cover).
  void Finish();

  Context& context_;
  Locks& locks_;
  ui::ListBox& allow_list_;
  // Counts the loads, so a wait can tell that the prompt was answered and
  // loaded again for another lock meanwhile.
  int load_count_ = 0;
  // Loaded for the set-password dialogue.
  bool setting_password_ = false;
  bool in_message_box_ = false;
};

}  // namespace engine
