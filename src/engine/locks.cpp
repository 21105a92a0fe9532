// RaiseLock and ShowUnlockPrompt.
#include "engine/locks.h"

#include "engine/failure_report.h"

namespace engine {

Locks::Locks(ui::FormEnvironment env, Context& context, ui::ListBox& allow_list)
    : frmPassword(env, context, *this, allow_list), frmblank(env), frmDummy(env), context_(context) {}

void Locks::RaiseLock(const LockRequest& request) {
  Globals& g = context_.globals;
  if (request.window) g.lockedWindow = *request.window;
  g.lockReason = request.reason;
  if (request.entry) g.lockedTaskEntry = *request.entry;
  if (request.window_class) g.lockedWindowClass = *request.window_class;
  if (!request.cancellable) g.lockCancellable = false;
  SkipOnFailure([&] { frmPassword.TakeOverFor(request.reason); });
  if (request.only_if_hidden && frmPassword.visible()) return;
  ShowUnlockPrompt();
  if (!g.lockCancellable) SkipOnFailure([this] { frmPassword.cmdCancelPWD.setEnabled(false); });
}

void Locks::KeepInSight() {
  platform::WindowService& windows = context_.os.windows;
  const auto out_of_sight = [&](const ui::Form& form) {
    return form.visible() && (!windows.IsVisible(form.window()) || windows.IsMinimized(form.window()));
  };
  if (out_of_sight(frmblank)) windows.ShowAsync(frmblank.window(), platform::ShowCommand::kShowMaximized);
  if (out_of_sight(frmPassword)) {
    windows.ShowAsync(frmPassword.window(), platform::ShowCommand::kRestore);
    frmPassword.BringToFront();
  }
}

void Locks::ShowUnlockPrompt() {
  SkipOnFailure([this] {
    if (frmPassword.inMessageBox()) return;
    if (frmPassword.visible()) {
      frmPassword.BringToFront();
    } else {
      frmPassword.Show();
    }
  });
}

}  // namespace engine
