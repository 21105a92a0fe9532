// RaiseLock and ShowUnlockPrompt.
#include "engine/locks.h"

#include <algorithm>

#include "engine/failure_report.h"

namespace engine {

using platform::ShowCommand;

Locks::Locks(ui::FormEnvironment env, Context& context, const config::LoadSaveState& load_save,
             ui::ListBox& allow_list)
    : frmPassword(env, context, *this, load_save, allow_list),
      frmblank(env),
      frmDummy(env),
      context_(context) {
  KeepUsableDuringLocks(frmDummy);
}

void Locks::RaiseLock(const LockRequest& request) {
  LockRecord& r = record_;
  if (request.window) r.lockedWindow = *request.window;
  if (request.title) {
    r.lockedWindowTitle = *request.title;
  } else if (request.window) {
    r.lockedWindowTitle.clear();
    if (*request.window != platform::kNoWindow) {
      SkipOnFailure([&] { r.lockedWindowTitle = context_.os.windows.Title(*request.window); });
    }
  }
  r.lockReason = request.reason;
  if (request.entry) r.lockedTaskEntry = *request.entry;
  if (request.window_class) r.lockedWindowClass = *request.window_class;
  if (!request.cancellable) r.lockCancellable = false;
  SkipOnFailure([&] { frmPassword.TakeOverFor(request.reason); });
  if (request.only_if_hidden && frmPassword.visible()) return;
  ShowUnlockPrompt();
  if (!r.lockCancellable) SkipOnFailure([this] { frmPassword.cmdCancelPWD.setEnabled(false); });
}

void Locks::HideLocked(platform::WindowId window, std::string_view reason) {
  platform::WindowService& windows = context_.os.windows;
  if (!windows.ShowAsync(window, ShowCommand::kHide)) windows.ShowAsync(window, ShowCommand::kMinimize);
  if (window == platform::kNoWindow) return;
  const auto held = std::ranges::find(hidden_, window, &Held::window);
  if (held == hidden_.end()) {
    hidden_.push_back({window, std::string(reason)});
  } else {
    held->reason = reason;
  }
}

bool Locks::Holds(platform::WindowId window) const {
  return std::ranges::find(hidden_, window, &Held::window) != hidden_.end();
}

void Locks::Release(platform::WindowId window) {
  std::erase_if(hidden_, [window](const Held& held) { return held.window == window; });
}

std::vector<platform::WindowId> Locks::ReleaseAll(std::string_view reason) {
  std::vector<platform::WindowId> released;
  std::erase_if(hidden_, [&](const Held& held) {
    if (held.reason != reason) return false;
    released.push_back(held.window);
    return true;
  });
  return released;
}

void Locks::Hold() {
  platform::WindowService& windows = context_.os.windows;
  // A window that is gone leaves the list, so that its handle, once reused,
  // hides nothing. One shown again (by its own program or any other) is
  // hidden again; one that refuses stays minimised.
  std::erase_if(hidden_, [&](const Held& held) { return !windows.Exists(held.window); });
  for (const Held& held : hidden_) {
    if (!windows.IsVisible(held.window) || windows.IsMinimized(held.window)) continue;
    if (!windows.ShowAsync(held.window, ShowCommand::kHide))
      windows.ShowAsync(held.window, ShowCommand::kMinimize);
  }
  SkipOnFailure([this] { KeepInSight(); });
}

void Locks::KeepInSight() {
  platform::WindowService& windows = context_.os.windows;
  const auto out_of_sight = [&](const ui::Form& form) {
    return form.visible() && (!windows.IsVisible(form.window()) || windows.IsMinimized(form.window()));
  };
  if (out_of_sight(frmblank)) windows.ShowAsync(frmblank.window(), ShowCommand::kShowNormalNoActivate);
  if (out_of_sight(frmPassword)) {
    windows.ShowAsync(frmPassword.window(), ShowCommand::kRestore);
    frmPassword.BringToFront();
  }
  // The set-password dialogue locks nothing: it holds no screen.
  if (record_.lockReason == reason::kPassword) return;
  if (frmPassword.visible() && frmPassword.window() != prompt_window_) {
    prompt_window_ = frmPassword.window();
    prompt_rect_ = windows.WindowRect(prompt_window_);
  }
  if (CoverBuriedOrPromptUnder()) RestoreCover();
  if (!frmPassword.visible()) return;
  if (windows.WindowRect(prompt_window_) != prompt_rect_) windows.PlaceOnTop(prompt_window_, prompt_rect_);
  // Another program's window came forward (Alt+Tab, a click on it, a
  // program of its own): the prompt takes the front back. The program's own
  // windows (its message boxes and dialogs) keep it.
  const platform::WindowId foreground = windows.Foreground();
  if (foreground == platform::kNoWindow || !windows.IsOwnWindow(foreground)) frmPassword.BringToFront();
}

bool Locks::CoverBuriedOrPromptUnder() {
  if (!frmblank.visible()) return false;
  platform::WindowService& windows = context_.os.windows;
  const platform::WindowId cover = frmblank.window();
  if (windows.WindowRect(cover) != windows.VirtualScreen()) return true;
  const std::vector<platform::WindowId> above = windows.VisibleWindowsAbove(cover);
  if (std::ranges::any_of(above, [&](platform::WindowId window) { return !windows.IsOwnWindow(window); })) {
    return true;
  }
  const auto under = [&](platform::WindowId window) {
    return std::ranges::find(above, window) == above.end();
  };
  return (frmPassword.visible() && under(frmPassword.window())) || std::ranges::any_of(UsableShown(), under);
}

std::vector<platform::WindowId> Locks::UsableShown() const {
  std::vector<platform::WindowId> shown;
  for (const ui::Form* form : usable_) {
    if (form->visible()) shown.push_back(form->window());
  }
  return shown;
}

void Locks::RestoreCover() {
  platform::WindowService& windows = context_.os.windows;
  const platform::WindowId cover = frmblank.window();
  std::vector<platform::WindowId> own_above = windows.VisibleWindowsAbove(cover);
  std::erase_if(own_above, [&](platform::WindowId window) {
    return !windows.IsOwnWindow(window) || window == frmPassword.window();
  });
  windows.PlaceOnTop(cover, windows.VirtualScreen());
  // Nearest first: the farthest goes up first, so they keep their order.
  for (auto window = own_above.rbegin(); window != own_above.rend(); ++window)
    windows.SetTopmost(*window, true);
  if (frmPassword.visible()) windows.SetTopmost(frmPassword.window(), true);
  // A message that came up under the cover (a window that is not topmost
  // opens below the topmost ones) goes over everything: it is read first.
  for (const platform::WindowId window : UsableShown()) {
    if (std::ranges::find(own_above, window) == own_above.end()) windows.SetTopmost(window, true);
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
  // The cover goes over the whole screen at once, not at the next check.
  SkipOnFailure([this] { KeepInSight(); });
}

}  // namespace engine
