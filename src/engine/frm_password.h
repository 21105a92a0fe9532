// frmPassword, the unlock prompt: the one place the access password is asked
// for. It answers the lock in the lock record (engine::Globals): the right
// password undoes the lock, Cancel asks the locked program to close. It also
// serves as the two-step dialogue that sets a new password (reason "pwd").
// Loaded on demand by ShowUnlockPrompt, unloaded on every way out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "config/load_save_state.h"
#include "engine/context.h"
#include "engine/password_check.h"
#include "ui/control.h"
#include "ui/form.h"

namespace engine {

class Locks;

class FrmPassword : public ui::Form {
 public:
  FrmPassword(ui::FormEnvironment env, Context& context, Locks& locks, const config::LoadSaveState& load_save,
              ui::ListBox& allow_list);

  // Shows the desktop behind a registry-editor or installer lock.
  void ShowDesktop();
  // A lock of another reason arrived: an open set-password dialogue gives
  // way and the prompt unloads, to load afresh for the lock (not while its
  // message box is up: the box's end reloads it).
  void TakeOverFor(std::string_view reason);
  // Whether the prompt waits on its own message box.
  [[nodiscard]] bool inMessageBox() const { return in_message_box_; }
  // Whether an answer is being checked; OK is disabled meanwhile.
  [[nodiscard]] bool checking() const { return check_.running(); }

  ui::Label lblDefaultPass;
  ui::Label Label3;
  ui::TextBox txtPass;
  ui::CheckBox chkKeep;
  ui::Button cmdCancelPWD;
  ui::Button cmdOK;
  ui::Timer tmrCodeDelay;
  // Counts down the wait after wrong answers on lblDefaultPass.
  ui::Timer tmrAnswerDelay;

  // The two entries of the set-password dialogue; "" between dialogues.
  std::string firstNewPassword;
  std::string secondNewPassword;

 private:
  void OnLoad();
  void OnActivate();
  void OK();
  // Checks the typed password off the window thread, for the lock in the
  // record now; Answered acts on the answer.
  void CheckAnswer(const std::string& typed);
  // title: the locked window's title when the answer was given, for the event log.
  void Answered(bool right, const LockIdentity& lock, const std::string& title, int load,
                const std::string& stored);
  // Whether OK takes an answer that needs the password now: no answer is
  // being checked and no wait after wrong answers is left.
  [[nodiscard]] bool TakesAnswers() const;
  // Enables OK as TakesAnswers says and counts a wait down on the prompt.
  void ShowAnswerState();
  // Cancel's sequence; answered: run by the installer unlock after the
  // right password, so it runs even where Cancel itself may not.
  void Cancel(bool answered);
  // The right-password answers; each ends by closing or finishing.
  void Unlock(const std::string& reason);
  void SetPasswordStep();
  // Shows a message box over the hidden prompt; afterwards, whether the
  // prompt is still the one that asked and no other lock came meanwhile.
  bool ShowBoxThenKeepsLock(std::string_view text, std::uint32_t style);
  // The lock the prompt answers (the record kept by Locks).
  [[nodiscard]] const LockRecord& record() const;
  // Hides the prompt, then finishes.
  void Close();
  // Clears the lock reason and unloads the prompt (and its cover).
  void Finish();

  Context& context_;
  Locks& locks_;
  const config::LoadSaveState& loadSave_;
  ui::ListBox& allow_list_;
  // Counts the loads, so a wait can tell that the prompt was answered and
  // loaded again for another lock meanwhile.
  int load_count_ = 0;
  // Loaded for the set-password dialogue.
  bool setting_password_ = false;
  bool in_message_box_ = false;
  // Both last for the program's run, across loads: closing the prompt and
  // opening it again does not shorten a wait, and the answer of a check
  // still counts when the prompt it was given in has gone.
  PasswordCheck check_;
  AnswerDelay delay_;
  // lblDefaultPass before a wait's count-down took it over.
  std::string caption_before_wait_;
};

}  // namespace engine
