// The unlock prompt.
#include "engine/frm_password.h"

#include "app/failure_report.h"
#include "app/general.h"
#include "app/program.h"
#include "config/password.h"
#include "config/registry_layout.h"
#include "platform/dialog_service.h"

namespace app {

namespace reason = engine::reason;
using platform::ShowCommand;

namespace {

constexpr const char* kProgramTitle = "Kestrove Pro";

bool AsksForPassword(std::string_view code) {
  return code == reason::kApp || code == reason::kConfig || code == reason::kInstall ||
         code == reason::kRegistry || code == reason::kIE || code == reason::kFirefox ||
         code == reason::kExplorer || code == reason::kTaskManager || code == reason::kUninstall;
}

}  // namespace

FrmPassword::FrmPassword(ui::FormEnvironment env, Program& program)
    : ui::Form(env, "frmPassword", "Kestrove", ui::Bounds{0, 0, 4815, 2430}),
      lblDefaultPass(*this, "lblDefaultPass", ui::Bounds{240, 180, 4335, 495},
                     "Enter a password to continue, or, contact your network administrator."),
      Label3(*this, "Label3", ui::Bounds{240, 780, 4335, 255}, "Password:"),
      txtPass(*this, "txtPass", ui::Bounds{240, 1050, 4335, 315}),
      chkKeep(*this, "chkKeep", ui::Bounds{240, 1500, 2055, 255}, "Keep Password"),
      cmdCancelPWD(*this, "cmdCancelPWD", ui::Bounds{2100, 1890, 1155, 375}, "Cance&l"),
      cmdOK(*this, "cmdOK", ui::Bounds{3420, 1890, 1155, 375}, "&OK"),
      tmrCodeDelay(*this, "tmrCodeDelay", 1000, true),
      program_(program) {
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
    program_.frmblank.Unload();
  };
  // Only the password, an enabled Cancel or the end of the Windows session
  // closes the prompt: not the close box, Alt+F4 or another program's
  // WM_CLOSE.
  on_query_unload = [](ui::UnloadRequest& request) {
    request.cancel = request.reason == ui::UnloadReason::kUserClose;
  };
  tmrCodeDelay.on_timer = [this] { tmrCodeDelay.setTimerEnabled(false); };
  cmdOK.on_click = [this] { OK(); };
  cmdCancelPWD.on_click = [this] { SkipOnFailure([this] { Cancel(); }); };
}

void FrmPassword::OnLoad() {
  const engine::Globals& g = program_.globals;
  ++load_count_;
  setting_password_ = g.lockReason == reason::kPassword;
  // A lock that must not be cancelled keeps Cancel disabled through reloads.
  cmdCancelPWD.setEnabled(g.lockCancellable);
  SkipOnFailure([this] { program_.frmblank.Show(); });
  SkipOnFailure([this] { ShowDesktop(); });
  if (g.lockReason == reason::kPassword) {
    lblDefaultPass.setCaption("Enter new password:");
    chkKeep.setVisible(false);
    return;
  }
  SkipOnFailure([&] {
    if ((g.lockReason == reason::kApp || g.lockReason == reason::kConfig) &&
        config::IsDefaultPassword(program_.os.crypto, program_.os.text, g.accessPassword)) {
      lblDefaultPass.setCaption("The default password is TAVROLK.");
    }
  });
  if (!g.keptPassword.empty()) {
    chkKeep.setChecked(true);
    txtPass.setText(g.keptPassword);
  }
  SkipOnFailure([this] { SetTopmost(program_, window(), true); });
}

void FrmPassword::OnActivate() {
  SkipOnFailure([this] { RemoveCloseCommand(program_, window()); });
  if (program_.globals.lockReason == reason::kPassword) Label3.setCaption("New Access Control Password:");
}

void FrmPassword::ShowDesktop() {
  const std::string& code = program_.globals.lockReason;
  if (code != reason::kRegistry && code != reason::kInstall) return;
  SkipOnFailure([this] { program_.frmDummy.Show(); });
  SkipOnFailure([this] {
    program_.os.shell.Open(window(), "\"" + program_.globals.appFolder + "zarmex.scf\"", "", "",
                           ShowCommand::kShowNormal);
  });
}

void FrmPassword::TakeOverFor(std::string_view reason) {
  if (!loaded() || !setting_password_ || reason == reason::kPassword || in_message_box_) return;
  Unload();
}

void FrmPassword::OK() {
  engine::Globals& g = program_.globals;
  txtPass.setText(program_.os.text.LowerCase(txtPass.text()));
  g.keptPassword = chkKeep.checked() ? txtPass.text() : "";
  const std::string code = g.lockReason;
  if (code == reason::kPassword) {
    SetPasswordStep();
  } else if (code == reason::kCancel) {
    program_.os.windows.PostClose(g.lockedWindow);
    Finish();
  } else if (!AsksForPassword(code)) {
    Close();
  } else if (config::PasswordMatches(program_.os.crypto, program_.os.text, g.accessPassword,
                                     txtPass.text())) {
    Unlock(code);
  } else {
    g.keptPassword.clear();
    lblDefaultPass.setCaption("Password is Invalid.");
  }
}

void FrmPassword::Unlock(const std::string& code) {
  engine::Globals& g = program_.globals;
  platform::WindowService& windows = program_.os.windows;
  if (code == reason::kApp) {
    // The window's class passes from now on, until its last window is gone.
    // The start-up and expired-session locks hid no window: nothing to allow.
    if (!g.lockedWindowClass.empty()) program_.frmkestrove.lstAllow.addItem(g.lockedWindowClass);
    windows.SetTitle(g.lockedWindow, g.lockedTaskEntry);
    windows.ShowAsync(g.lockedWindow, ShowCommand::kShow);
    windows.ShowAsync(g.lockedWindow, ShowCommand::kRestore);
    g.lockedWindow = platform::kNoWindow;
    Close();
  } else if (code == reason::kConfig) {
    g.configAuthorised = true;
    program_.frmkestrove.Show();
    Finish();
  } else if (code == reason::kInstall) {
    g.ruleInstall = false;
    windows.ShowAsync(g.lockedWindow, ShowCommand::kShow);
    windows.ShowAsync(g.lockedWindow, ShowCommand::kRestore);
    ShowMessage(program_, "All Software Installations are permitted until you Log-Off or Restart Windows.");
    cmdCancelPWD.setEnabled(true);
    SkipOnFailure([this] { Cancel(); });
    program_.frmDummy.Unload();
  } else if (code == reason::kUninstall) {
    g.uninstallAllowed = true;
    Finish();
  } else {
    if (code == reason::kRegistry) g.ruleRegistryTools = false;
    if (code == reason::kIE) g.ruleIE = 2;  // waits until no such window is left
    if (code == reason::kFirefox) g.ruleBrowsers = false;
    if (code == reason::kExplorer) g.ruleExplorer = false;
    if (code == reason::kTaskManager) g.ruleTaskManager = false;
    windows.ShowAsync(g.lockedWindow, ShowCommand::kRestore);
    Close();
  }
}

// The new password is stored hashed; the current one is not asked for, since
// the button that starts this sits in the configuration window, itself behind
// the password.
void FrmPassword::SetPasswordStep() {
  engine::Globals& g = program_.globals;
  const std::string text = txtPass.text();
  if (text.empty()) return;
  if (firstNewPassword.empty()) {
    firstNewPassword = text;
    txtPass.setText("");
    lblDefaultPass.setCaption("Confirm new password:");
    g.lockReason = reason::kPassword;
    return;
  }
  secondNewPassword = text;
  const bool equal = firstNewPassword == secondNewPassword;
  const std::string stored =
      equal ? config::HashPassword(program_.os.crypto, program_.os.text, firstNewPassword) : "";
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
    program_.registry.WriteString(config::kMachine, config::kSettingsKey, config::kPwd, stored);
    keeps_lock = ShowBoxThenKeepsLock("Password set successfully.",
                                      platform::box::kOk | platform::box::kIconInformation);
  }
  if (keeps_lock) Close();
}

bool FrmPassword::ShowBoxThenKeepsLock(std::string_view text, std::uint32_t style) {
  const engine::Globals& g = program_.globals;
  const std::uint64_t serial = g.lockSerial;
  const int load = load_count_;
  Hide();
  in_message_box_ = true;
  program_.os.dialogs.ShowMessageBox(window(), text, kProgramTitle, style | platform::box::kSystemModal);
  in_message_box_ = false;
  if (!loaded() || load_count_ != load) return false;
  if (g.lockSerial == serial) return true;
  // A lock was raised while the box was up: the prompt comes back for it
  // instead of closing and leaving its window hidden.
  Unload();
  program_.ShowUnlockPrompt();
  return false;
}

void FrmPassword::Cancel() {
  engine::Globals& g = program_.globals;
  if (!g.lockCancellable) return;
  // Cancel acts on the lock it was pressed for, and only on that one.
  const std::uint64_t serial = g.lockSerial;
  const int load = load_count_;
  const auto same_prompt = [&] { return loaded() && load_count_ == load; };
  const auto same_lock = [&] { return same_prompt() && g.lockSerial == serial; };
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
      cmdCancelPWD.setEnabled(g.lockCancellable);
    }
    return;
  }
  Hide();
  cmdCancelPWD.setEnabled(true);
  program_.os.windows.PostClose(g.lockedWindow);
  g.lockReason = reason::kCancel;
  OK();
}

void FrmPassword::Close() {
  Hide();
  Finish();
}

void FrmPassword::Finish() {
  program_.globals.lockReason.clear();
  program_.globals.lockCancellable = true;
  Unload();
}

}  // namespace app
