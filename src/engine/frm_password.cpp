// The unlock prompt.
#include "engine/frm_password.h"

#include <string>

#include "config/password.h"
#include "config/registry_layout.h"
#include "engine/event_reports.h"
#include "engine/failure_report.h"
#include "engine/locks.h"
#include "platform/dialog_service.h"

namespace engine {

using platform::ShowCommand;

namespace {

bool AsksForPassword(std::string_view code) {
  return code == reason::kApp || code == reason::kConfig || code == reason::kInstall ||
         code == reason::kRegistry || code == reason::kIE || code == reason::kFirefox ||
         code == reason::kExplorer || code == reason::kTaskManager || code == reason::kUninstall;
}

}  // namespace

FrmPassword::FrmPassword(ui::FormEnvironment env, Context& context, Locks& locks,
                         const config::LoadSaveState& load_save, ui::ListBox& allow_list)
    : ui::Form(env, "frmPassword", "Kestrove", ui::Bounds{0, 0, 4815, 2430}),
      lblDefaultPass(*this, "lblDefaultPass", ui::Bounds{240, 180, 4335, 495},
                     "Enter a password to continue, or, contact your network administrator."),
      Label3(*this, "Label3", ui::Bounds{240, 780, 4335, 255}, "Password:"),
      txtPass(*this, "txtPass", ui::Bounds{240, 1050, 4335, 315}),
      chkKeep(*this, "chkKeep", ui::Bounds{240, 1500, 2055, 255}, "Keep Password"),
      cmdCancelPWD(*this, "cmdCancelPWD", ui::Bounds{2100, 1890, 1155, 375}, "Cance&l"),
      cmdOK(*this, "cmdOK", ui::Bounds{3420, 1890, 1155, 375}, "&OK"),
      tmrCodeDelay(*this, "tmrCodeDelay", 1000, true),
      tmrAnswerDelay(*this, "tmrAnswerDelay", 250, false),
      context_(context),
      locks_(locks),
      loadSave_(load_save),
      allow_list_(allow_list),
      check_(context.os.loop, context.os.crypto, context.os.text) {
  border_style = ui::BorderStyle::kFixedSingle;
  min_button = false;
  max_button = false;
  back_color = 0xFFFFFF;
  icon = "IDI_PROGRAM";
  txtPass.password_char = '*';
  txtPass.max_length = 16;
  cmdOK.is_default = true;
  cmdCancelPWD.is_cancel = true;
  on_load = [this] { OnLoad(); };
  on_activate = [this] { OnActivate(); };
  on_unload = [this] {
    // An interrupted set-password dialogue starts from its first entry.
    firstNewPassword.clear();
    secondNewPassword.clear();
    setting_password_ = false;
    locks_.frmblank.Unload();
    // The placeholder shown with the desktop for this prompt goes with it,
    // however the prompt was answered.
    locks_.frmDummy.Unload();
  };
  // Only the password, an enabled Cancel or the end of the Windows session
  // closes the prompt: not the close box, Alt+F4 or another program's
  // WM_CLOSE.
  on_query_unload = [](ui::UnloadRequest& request) {
    request.cancel = request.reason == ui::UnloadReason::kUserClose;
  };
  tmrCodeDelay.on_timer = [this] { tmrCodeDelay.setTimerEnabled(false); };
  tmrAnswerDelay.on_timer = [this] { ShowAnswerState(); };
  cmdOK.on_click = [this] { OK(); };
  cmdCancelPWD.on_click = [this] { SkipOnFailure([this] { Cancel(false); }); };
}

const LockRecord& FrmPassword::record() const {
  return locks_.record();
}

void FrmPassword::OnLoad() {
  const Globals& g = context_.globals;
  ++load_count_;
  setting_password_ = record().lockReason == reason::kPassword;
  // A lock that must not be cancelled keeps Cancel disabled through reloads.
  cmdCancelPWD.setEnabled(record().lockCancellable);
  SkipOnFailure([this] { locks_.frmblank.Show(); });
  SkipOnFailure([this] { ShowDesktop(); });
  if (record().lockReason == reason::kPassword) {
    lblDefaultPass.setCaption("Enter new password:");
    chkKeep.setVisible(false);
    return;
  }
  // Named only while no password is stored: the loader puts the default
  // in force for an empty value. Before the configuration is loaded the
  // password in force is not known yet.
  if (loadSave_.configLoaded() &&
      (record().lockReason == reason::kApp || record().lockReason == reason::kConfig) &&
      g.accessPassword == config::kDefaultPassword) {
    lblDefaultPass.setCaption("The default password is TAVROLK.");
  }
  if (!g.keptPassword.empty()) {
    chkKeep.setChecked(true);
    txtPass.setText(g.keptPassword);
  }
  SkipOnFailure([this] { context_.os.windows.SetTopmost(window(), true); });
  ShowAnswerState();
}

void FrmPassword::OnActivate() {
  SkipOnFailure([this] { context_.os.windows.RemoveCloseCommand(window()); });
  if (record().lockReason == reason::kPassword) Label3.setCaption("New Access Control Password:");
}

void FrmPassword::ShowDesktop() {
  const std::string& code = record().lockReason;
  if (code != reason::kRegistry && code != reason::kInstall) return;
  SkipOnFailure([this] { locks_.frmDummy.Show(); });
  SkipOnFailure([this] {
    context_.os.shell.Open(window(), "\"" + context_.globals.appFolder + "zarmex.scf\"", "", "",
                           ShowCommand::kShowNormal);
  });
}

void FrmPassword::TakeOverFor(std::string_view reason) {
  if (!loaded() || !setting_password_ || reason == reason::kPassword || in_message_box_) return;
  Unload();
}

void FrmPassword::OK() {
  Globals& g = context_.globals;
  const std::string code = record().lockReason;
  // No password is checked before the configuration has put the stored one
  // in force; nor while OK is disabled, also when the click came some other
  // way than through the button.
  if (AsksForPassword(code) && (!loadSave_.configLoaded() || !TakesAnswers())) return;
  // Checked as typed: a password stored before every letter was folded
  // opens only in the case it was set in.
  const std::string typed = txtPass.text();
  txtPass.setText(context_.os.text.LowerCase(typed));
  g.keptPassword = chkKeep.checked() ? txtPass.text() : "";
  if (code == reason::kPassword) {
    SetPasswordStep();
  } else if (code == reason::kCancel) {
    context_.os.windows.PostClose(record().lockedWindow);
    Finish();
  } else if (!AsksForPassword(code)) {
    Close();
  } else {
    CheckAnswer(typed);
  }
}

void FrmPassword::CheckAnswer(const std::string& typed) {
  const Globals& g = context_.globals;
  const LockIdentity lock = record().CurrentLock();
  const int load = load_count_;
  const std::string stored = g.accessPassword;
  check_.Start(stored, typed, [this, lock, title = record().lockedWindowTitle, load, stored](bool right) {
    SkipOnFailure([&] { Answered(right, lock, title, load, stored); });
  });
  ShowAnswerState();
}

void FrmPassword::Answered(bool right, const LockIdentity& lock, const std::string& title, int load,
                           const std::string& stored) {
  Globals& g = context_.globals;
  // Every answer counts, also one whose prompt has gone or answers another
  // lock by now: replacing the lock must not make guessing free.
  if (right) {
    delay_.Right();
  } else {
    delay_.Wrong(context_.os.loop.NowMs());
    g.keptPassword.clear();
    ReportWrongPassword(context_, lock, title);
  }
  // It answers only the lock it was given for, in the same prompt, against
  // the password still in force: a newer lock or a reloaded password waits
  // for an answer of its own.
  if (loaded() && load_count_ == load && record().CurrentLock() == lock && g.accessPassword == stored) {
    if (right) {
      ReportLockAnswered(context_, lock, title);
      Unlock(lock.reason);
      return;
    }
    lblDefaultPass.setCaption("Password is Invalid.");
  }
  ShowAnswerState();
}

bool FrmPassword::TakesAnswers() const {
  return !check_.running() && delay_.WaitLeft(context_.os.loop.NowMs()) == 0;
}

void FrmPassword::ShowAnswerState() {
  if (!loaded()) return;
  const std::uint64_t left = setting_password_ ? 0 : delay_.WaitLeft(context_.os.loop.NowMs());
  if (left > 0) {
    if (!tmrAnswerDelay.timerEnabled()) caption_before_wait_ = lblDefaultPass.caption();
    const std::uint64_t seconds = (left + 999) / 1000;
    lblDefaultPass.setCaption("Too many wrong passwords. Try again in " + std::to_string(seconds) +
                              (seconds == 1 ? " second." : " seconds."));
    tmrAnswerDelay.setTimerEnabled(true);
  } else if (tmrAnswerDelay.timerEnabled()) {
    tmrAnswerDelay.setTimerEnabled(false);
    lblDefaultPass.setCaption(caption_before_wait_);
  }
  cmdOK.setEnabled(setting_password_ || TakesAnswers());
}

void FrmPassword::Unlock(const std::string& code) {
  Globals& g = context_.globals;
  platform::WindowService& windows = context_.os.windows;
  // The window this lock hid may be shown again; any other it hid stays hidden.
  locks_.Release(record().lockedWindow);
  if (code == reason::kApp) {
    // The window's class passes from now on, until its last window is gone.
    // The start-up and expired-session locks hid no window: nothing to allow.
    if (!record().lockedWindowClass.empty()) allow_list_.addItem(record().lockedWindowClass);
    windows.SetTitle(record().lockedWindow, record().lockedTaskEntry);
    windows.ShowAsync(record().lockedWindow, ShowCommand::kShow);
    windows.ShowAsync(record().lockedWindow, ShowCommand::kRestore);
    locks_.ForgetWindow();
    Close();
  } else if (code == reason::kConfig) {
    g.configAuthorised = true;
    context_.app.ShowConfiguration();
    Finish();
  } else if (code == reason::kInstall) {
    g.ruleInstall = false;
    windows.ShowAsync(record().lockedWindow, ShowCommand::kShow);
    windows.ShowAsync(record().lockedWindow, ShowCommand::kRestore);
    context_.app.ShowMessage(
        "All Software Installations are permitted until you Log-Off or Restart Windows.");
    // The password was given: the sequence runs even over a lock that could
    // not be cancelled.
    cmdCancelPWD.setEnabled(true);
    SkipOnFailure([this] { Cancel(true); });
    locks_.frmDummy.Unload();
  } else if (code == reason::kUninstall) {
    g.uninstallAllowed = true;
    context_.os.process.AnnounceUninstallAllowed();  // the uninstaller looks for it
    Finish();
  } else {
    if (code == reason::kRegistry) g.ruleRegistryTools = false;
    if (code == reason::kIE) g.ruleIE = 2;  // waits until no such window is left
    if (code == reason::kFirefox) g.ruleBrowsers = false;
    if (code == reason::kExplorer) g.ruleExplorer = false;
    if (code == reason::kTaskManager) g.ruleTaskManager = false;
    // A rule hides every window of its program; the password shows them all.
    for (const platform::WindowId window : locks_.ReleaseAll(code))
      windows.ShowAsync(window, ShowCommand::kRestore);
    windows.ShowAsync(record().lockedWindow, ShowCommand::kRestore);
    Close();
  }
}

// The new password is stored hashed; the current one is not asked for, since
// the button that starts this sits in the configuration window, itself behind
// the password.
void FrmPassword::SetPasswordStep() {
  Globals& g = context_.globals;
  const std::string text = txtPass.text();
  if (text.empty()) return;
  if (firstNewPassword.empty()) {
    firstNewPassword = text;
    txtPass.setText("");
    lblDefaultPass.setCaption("Confirm new password:");
    locks_.SetReason(reason::kPassword);
    return;
  }
  secondNewPassword = text;
  const bool equal = firstNewPassword == secondNewPassword;
  const std::string stored =
      equal ? config::HashPassword(context_.os.crypto, context_.os.text, firstNewPassword) : "";
  firstNewPassword.clear();
  secondNewPassword.clear();
  bool keeps_lock = false;
  if (!equal) {
    keeps_lock = ShowBoxThenKeepsLock("Password's did not match!",
                                      platform::box::kOk | platform::box::kIconExclamation);
  } else if (stored.empty()) {
    // No random salt could be had: keep the password in force rather than
    // store the new one readable.
    keeps_lock = ShowBoxThenKeepsLock("The new password could not be stored. The password is unchanged.",
                                      platform::box::kOk | platform::box::kIconError);
  } else {
    g.accessPassword = stored;
    context_.registry.WriteString(config::kMachine, config::kSettingsKey, config::kPwd, stored);
    keeps_lock = ShowBoxThenKeepsLock("Password set successfully.",
                                      platform::box::kOk | platform::box::kIconInformation);
  }
  if (keeps_lock) Close();
}

bool FrmPassword::ShowBoxThenKeepsLock(std::string_view text, std::uint32_t style) {
  const LockIdentity lock = record().CurrentLock();
  const int load = load_count_;
  Hide();
  in_message_box_ = true;
  context_.os.dialogs.ShowMessageBox(window(), text, kProgramTitle, style | platform::box::kSystemModal);
  in_message_box_ = false;
  if (loaded() && load_count_ != load) return false;  // already loaded afresh for a newer lock
  if (record().CurrentLock() == lock) return loaded();
  // A lock was raised while the box was up: the prompt comes back for it
  // instead of closing and leaving its window hidden.
  Unload();
  locks_.ShowUnlockPrompt();
  return false;
}

void FrmPassword::Cancel(bool answered) {
  if (!record().lockCancellable && !answered) return;
  // Cancel acts on the lock it was pressed for, and only on that one.
  const LockIdentity lock = record().CurrentLock();
  const int load = load_count_;
  const auto same_prompt = [&] { return loaded() && load_count_ == load; };
  const auto same_lock = [&] {
    return same_prompt() && record().CurrentLock() == lock && (record().lockCancellable || answered);
  };
  ShowDesktop();
  cmdCancelPWD.setCaption("Wait...");
  cmdCancelPWD.setEnabled(false);
  tmrCodeDelay.setTimerEnabled(true);
  // About a second, while the watch cycle and other events go on.
  while (same_lock() && tmrCodeDelay.timerEnabled()) loop().WaitForEvents();
  if (!same_lock()) {
    // The password answered the prompt, or a newer lock replaced this one:
    // nothing is closed, and the prompt answers the newer lock.
    if (same_prompt()) {
      cmdCancelPWD.setCaption("Cance&l");
      cmdCancelPWD.setEnabled(record().lockCancellable);
    }
    return;
  }
  Hide();
  cmdCancelPWD.setEnabled(true);
  context_.os.windows.PostClose(record().lockedWindow);
  locks_.SetReason(reason::kCancel);
  OK();
}

void FrmPassword::Close() {
  Hide();
  Finish();
}

void FrmPassword::Finish() {
  locks_.Clear();
  Unload();
}

}  // namespace engine
